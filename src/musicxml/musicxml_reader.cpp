// MusicXML import: the score read element by element with Qt's streaming XML reader. Each
// part's notes are timed in the file's divisions (backup, forward and chords move the
// part's position, ties join notes), then laid out on lines by the MIDI import's rules.
// This file: the entry points, the document, its header and its list of parts.
#include "musicxml/musicxml_reader.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <vector>
#include <zip.h>

#include "musicxml/musicxml_texts.h"
#include "musicxml/score_reader.h"

namespace tunelet::musicxml {

namespace detail {

QString ScoreReader::text() {
    return m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
}

void ScoreReader::fail(const char *pattern) {
    if (m_damage.empty()) {
        m_damage = QString::fromUtf8(pattern).arg(m_xml.lineNumber()).toStdString();
    }
    m_xml.raiseError(QStringLiteral("refused"));
}

std::optional<midi::NoteListing> ScoreReader::read(midi::ImportReport &report,
                                                   std::string &damage) {
    while (!m_xml.atEnd() && m_xml.readNext() != QXmlStreamReader::StartElement) {
    }
    if (!m_xml.hasError() && m_xml.isStartElement() && m_xml.name() == u"score-timewise") {
        damage = texts::kTimewise;
        return std::nullopt;
    }
    if (!m_xml.hasError() && !(m_xml.isStartElement() && m_xml.name() == u"score-partwise")) {
        damage = texts::kNotAScore;
        return std::nullopt;
    }
    score();
    // The rest of the document must be well formed too: a cut file is a damaged one.
    while (!m_xml.atEnd()) {
        m_xml.readNext();
    }
    if (m_xml.hasError()) {
        // Lines are counted from 1, Qt's columns from 0.
        damage = !m_damage.empty() ? m_damage
                                   : QString::fromUtf8(texts::kBadXml)
                                         .arg(m_xml.lineNumber())
                                         .arg(m_xml.columnNumber() + 1)
                                         .arg(m_xml.errorString())
                                         .toStdString();
        return std::nullopt;
    }
    midi::NoteListing result = listing();
    report = m_report;
    return result;
}

bool ScoreReader::score() {
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"work") {
            work();
        } else if (name == u"movement-title") {
            m_movementTitle = text();
        } else if (name == u"identification") {
            identification();
        } else if (name == u"credit") {
            credit();
        } else if (name == u"defaults") {
            defaults();
        } else if (name == u"part-list") {
            partList();
        } else if (name == u"part") {
            if (!part()) {
                return false;
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    return true;
}

// The page's height, which says where the top of the page is for the credits.
void ScoreReader::defaults() {
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"page-layout") {
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == u"page-height") {
                    m_pageHeight = text().toDouble();
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

void ScoreReader::work() {
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"work-title") {
            m_workTitle = text();
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

void ScoreReader::identification() {
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"creator") {
            const QString type = m_xml.attributes().value(QLatin1String("type")).toString();
            const QString name = text();
            if (!m_creators.contains(type)) {
                m_creators[type] = name;
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

// A credit's type says what its words are; its words may come in several pieces.
// A credit's type says what its words are; its words may come in several pieces. A credit
// without a type (as MuseScore 3 writes them) is known by where it stands on the page.
void ScoreReader::credit() {
    QString type;
    QString words;
    UntypedCredit untyped;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"credit-type") {
            type = type.isEmpty() ? text() : type;
        } else if (m_xml.name() == u"credit-words") {
            if (words.isEmpty()) {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                untyped.justify = attributes.value(QLatin1String("justify")).toString();
                untyped.size = attributes.value(QLatin1String("font-size")).toDouble();
                bool placed = false;
                untyped.y = attributes.value(QLatin1String("default-y")).toDouble(&placed);
                untyped.y = placed ? untyped.y : -1;
            }
            words += text();
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (words.isEmpty()) {
        return;
    }
    if (type.isEmpty()) {
        untyped.words = words;
        m_untyped.push_back(untyped);
    } else if (!m_credits.contains(type)) {
        m_credits[type] = words;
    }
}

// Untyped credits as a page lays them out: the largest centred text the title, the next
// centred one the subtitle, the composer on the right, the lyricist on the left, all in
// the upper half of the page.
void ScoreReader::placeUntypedCredits() {
    std::stable_sort(
        m_untyped.begin(), m_untyped.end(),
        [](const UntypedCredit &a, const UntypedCredit &b) { return a.size > b.size; });
    const QString title = !m_workTitle.isEmpty() ? m_workTitle : m_movementTitle;
    for (const UntypedCredit &credit : m_untyped) {
        // What stands in the lower half of the page (a copyright, a footer) names no one.
        if (credit.y >= 0 && m_pageHeight > 0 && credit.y < m_pageHeight / 2) {
            ++m_report.markings;
            continue;
        }
        const char *type = credit.justify == u"right"  ? "composer"
                           : credit.justify == u"left" ? "lyricist"
                           : m_credits.contains(QStringLiteral("title")) || !title.isEmpty()
                               ? "subtitle"
                               : "title";
        if (credit.words == title || credit.words == m_creators[QString::fromLatin1(type)]) {
            continue; // the title or the creator said again
        }
        m_credits.try_emplace(QString::fromLatin1(type), credit.words);
    }
}

void ScoreReader::partList() {
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"score-part") {
            scorePart();
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

void ScoreReader::scorePart() {
    PartInfo part;
    part.id = m_xml.attributes().value(QLatin1String("id")).toString();
    const auto instrument = [&](const QString &id) -> Instrument & {
        for (Instrument &known : part.instruments) {
            if (known.id == id) {
                return known;
            }
        }
        Instrument &added = part.instruments.emplace_back();
        added.id = id;
        return added;
    };
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"part-name") {
            part.name = text();
        } else if (name == u"score-instrument") {
            instrument(m_xml.attributes().value(QLatin1String("id")).toString());
            m_xml.skipCurrentElement();
        } else if (name == u"midi-instrument") {
            Instrument &midi = instrument(m_xml.attributes().value(QLatin1String("id")).toString());
            while (m_xml.readNextStartElement()) {
                const auto field = m_xml.name();
                const int value = field == u"volume" || field == u"pan" ? 0 : text().toInt();
                if (field == u"midi-channel" && value >= 1 && value <= 16) {
                    midi.channel = value - 1;
                } else if (field == u"midi-program" && value >= 1 && value <= 128) {
                    midi.program = value - 1;
                } else if (field == u"midi-unpitched" && value >= 1 && value <= 128) {
                    midi.unpitched = value - 1;
                } else if (field == u"volume" || field == u"pan") {
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    for (const Instrument &known : part.instruments) {
        part.drums = part.drums || known.channel == kDrumChannel || known.unpitched >= 0;
    }
    m_parts.push_back(std::move(part));
}

} // namespace detail

using detail::ScoreReader;

midi::ImportResult importMusicXml(std::string_view bytes) {
    midi::ImportResult result;
    result.format = midi::ImportFormat::MusicXml;
    std::optional<std::string> unpacked;
    if (bytes.starts_with("PK\x03\x04")) {
        unpacked = unpackMxl(bytes, result.damage);
        if (!unpacked) {
            result.failure = midi::ImportFailure::NotMusicXml;
            return result;
        }
        bytes = *unpacked;
    }
    midi::ImportReport report;
    std::optional<midi::NoteListing> listing;
    {
        ScoreReader reader(bytes);
        listing = reader.read(report, result.damage);
    }
    if (!listing) {
        result.failure = midi::ImportFailure::NotMusicXml;
        return result;
    }
    unpacked.reset();
    midi::ImportResult imported = midi::importNoteListing(*listing, report);
    imported.format = midi::ImportFormat::MusicXml;
    imported.report.keptPickup = imported.properties.pickupTicks > 0;
    imported.report.keptSubtitle = !imported.properties.subtitle.empty();
    imported.report.keptComposer = !imported.properties.composer.empty();
    imported.report.keptLyricist = !imported.properties.lyricist.empty();
    return imported;
}

midi::ImportResult importMusicXmlFile(const std::string &path) {
    midi::ImportResult result;
    result.format = midi::ImportFormat::MusicXml;
    const std::optional<std::string> bytes =
        midi::readImportFile(path, midi::kMaxMusicXmlFileBytes, result);
    if (!bytes) {
        return result;
    }
    try {
        return importMusicXml(*bytes);
    } catch (const std::bad_alloc &) {
        result.failure = midi::ImportFailure::ReadError;
        result.systemError = ENOMEM;
        return result;
    }
}

bool isMusicXmlFile(const std::string &path) {
    // A root element comes after the declaration, the document type and perhaps comments.
    constexpr std::size_t kHeadBytes = 65536;
    const std::string head = midi::fileHead(path, kHeadBytes);
    if (head.starts_with("PK\x03\x04")) {
        int error = 0;
        zip_t *archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
        if (archive == nullptr) {
            return false;
        }
        const bool found = zip_name_locate(archive, "META-INF/container.xml", 0) >= 0;
        zip_discard(archive);
        return found;
    }
    QXmlStreamReader xml(QByteArray::fromRawData(head.data(), qsizetype(head.size())));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            return xml.name() == u"score-partwise" || xml.name() == u"score-timewise";
        }
    }
    return false;
}

} // namespace tunelet::musicxml
