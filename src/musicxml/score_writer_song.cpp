// MusicXML export: the song around the notes, the header with its credits, the part list
// and each part's words as lyrics.
#include <QString>
#include <QXmlStreamWriter>
#include <utility>

#include "musicxml/percussion_kit.h"
#include "musicxml/score_writer.h"

namespace tunelet::musicxml::detail {

QString instrumentId(const Part &part, int key) {
    return part.track == kDrumTrack ? QStringLiteral("%1-I%2").arg(part.id).arg(key + 1)
                                    : part.id + QStringLiteral("-I1");
}

// The page the credits are placed on: A4 in tenths of a staff space of 7 mm / 40.
constexpr int kPageWidth = 1200;
constexpr int kPageHeight = 1697;
constexpr int kPageMargin = 85;

void ScoreWriter::writeHeader() {
    if (!m_song.title.isEmpty()) {
        m_xml.writeStartElement(QStringLiteral("work"));
        m_xml.writeTextElement(QStringLiteral("work-title"), m_song.title);
        m_xml.writeEndElement();
    }
    m_xml.writeStartElement(QStringLiteral("identification"));
    const std::pair<const char *, const QString *> creators[] = {{"composer", &m_song.composer},
                                                                 {"lyricist", &m_song.lyricist}};
    for (const auto &[type, name] : creators) {
        if (!name->isEmpty()) {
            m_xml.writeStartElement(QStringLiteral("creator"));
            m_xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
            m_xml.writeCharacters(*name);
            m_xml.writeEndElement();
        }
    }
    m_xml.writeStartElement(QStringLiteral("encoding"));
    m_xml.writeTextElement(QStringLiteral("software"), QStringLiteral("Tunelet"));
    m_xml.writeEndElement();
    m_xml.writeEndElement(); // identification

    m_xml.writeStartElement(QStringLiteral("defaults"));
    m_xml.writeStartElement(QStringLiteral("scaling"));
    m_xml.writeTextElement(QStringLiteral("millimeters"), QStringLiteral("7"));
    m_xml.writeTextElement(QStringLiteral("tenths"), QStringLiteral("40"));
    m_xml.writeEndElement();
    m_xml.writeStartElement(QStringLiteral("page-layout"));
    m_xml.writeTextElement(QStringLiteral("page-height"), QString::number(kPageHeight));
    m_xml.writeTextElement(QStringLiteral("page-width"), QString::number(kPageWidth));
    m_xml.writeEndElement();
    m_xml.writeEndElement(); // defaults

    const int top = kPageHeight - kPageMargin;
    writeCredit("title", m_song.title, kPageWidth / 2, top, "center", 22);
    writeCredit("subtitle", m_song.subtitle, kPageWidth / 2, top - 70, "center", 14);
    writeCredit("composer", m_song.composer, kPageWidth - kPageMargin, top - 130, "right", 12);
    writeCredit("lyricist", m_song.lyricist, kPageMargin, top - 130, "left", 12);
}

void ScoreWriter::writeCredit(const char *type, const QString &text, int x, int y,
                              const char *justify, int size) {
    if (text.isEmpty()) {
        return;
    }
    m_xml.writeStartElement(QStringLiteral("credit"));
    m_xml.writeAttribute(QStringLiteral("page"), QStringLiteral("1"));
    m_xml.writeTextElement(QStringLiteral("credit-type"), QLatin1String(type));
    m_xml.writeStartElement(QStringLiteral("credit-words"));
    m_xml.writeAttribute(QStringLiteral("default-x"), QString::number(x));
    m_xml.writeAttribute(QStringLiteral("default-y"), QString::number(y));
    m_xml.writeAttribute(QStringLiteral("font-size"), QString::number(size));
    m_xml.writeAttribute(QStringLiteral("justify"), QLatin1String(justify));
    m_xml.writeAttribute(QStringLiteral("valign"), QStringLiteral("top"));
    m_xml.writeCharacters(text);
    m_xml.writeEndElement();
    m_xml.writeEndElement();
}

void ScoreWriter::writePartList(const std::vector<Part> &parts) {
    m_xml.writeStartElement(QStringLiteral("part-list"));
    for (const Part &part : parts) {
        const bool drums = part.track == kDrumTrack;
        m_xml.writeStartElement(QStringLiteral("score-part"));
        m_xml.writeAttribute(QStringLiteral("id"), part.id);
        m_xml.writeTextElement(QStringLiteral("part-name"), part.name);
        // The drum part has one instrument per drum it plays, the others one.
        std::vector<int> keys(part.drums.begin(), part.drums.end());
        if (!drums || keys.empty()) {
            keys = {-1};
        }
        for (const int key : keys) {
            m_xml.writeStartElement(QStringLiteral("score-instrument"));
            m_xml.writeAttribute(QStringLiteral("id"), instrumentId(part, key));
            m_xml.writeTextElement(QStringLiteral("instrument-name"),
                                   drums && key >= 0 ? drumName(key) : part.name);
            m_xml.writeEndElement();
        }
        for (const int key : keys) {
            m_xml.writeStartElement(QStringLiteral("midi-instrument"));
            m_xml.writeAttribute(QStringLiteral("id"), instrumentId(part, key));
            m_xml.writeTextElement(QStringLiteral("midi-channel"), QString::number(part.track + 1));
            // MusicXML counts programs and keys from 1.
            m_xml.writeTextElement(QStringLiteral("midi-program"),
                                   QString::number(part.program + 1));
            if (drums && key >= 0) {
                m_xml.writeTextElement(QStringLiteral("midi-unpitched"), QString::number(key + 1));
            }
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement(); // score-part
    }
    m_xml.writeEndElement();
}

// The part's words given to its notes, verse by verse, as the 简谱 places them.
void ScoreWriter::placeWords(Part &part) const {
    int notes = 0;
    for (Sounding &event : part.events) {
        event.note = event.key >= 0 ? notes++ : -1;
    }
    if (part.track >= m_song.words.size()) {
        return;
    }
    const std::vector<std::string> &verses = m_song.words[part.track];
    for (std::size_t v = 0; v < verses.size() && v < score::kMaxVerses; ++v) {
        part.verses.push_back(
            verses[v].empty()
                ? std::vector<score::NoteSyllable>{}
                : score::placeSyllables(score::splitSyllables(verses[v]), std::size_t(notes))
                      .notes);
    }
}

// A note's syllable in each verse: its text with its place in the word (<syllabic>) and
// an <extend> where the next note holds it; a held note carries the extend on.
void ScoreWriter::writeLyrics(const Part &part, const Sounding &event) {
    if (event.note < 0) {
        return;
    }
    const auto n = static_cast<std::size_t>(event.note);
    for (std::size_t v = 0; v < part.verses.size(); ++v) {
        const std::vector<score::NoteSyllable> &verse = part.verses[v];
        if (n >= verse.size() || (verse[n].text.empty() && !verse[n].extends)) {
            continue;
        }
        const bool held = n + 1 < verse.size() && verse[n + 1].extends;
        m_xml.writeStartElement(QStringLiteral("lyric"));
        m_xml.writeAttribute(QStringLiteral("number"), QString::number(v + 1));
        if (verse[n].extends) {
            m_xml.writeEmptyElement(QStringLiteral("extend"));
            m_xml.writeAttribute(QStringLiteral("type"),
                                 held ? QStringLiteral("continue") : QStringLiteral("stop"));
        } else {
            // The word goes on from the syllable before when that one had a hyphen after.
            std::size_t before = n;
            while (before > 0 && verse[before - 1].text.empty()) {
                --before;
            }
            const bool fromBefore = before > 0 && verse[before - 1].hyphenAfter;
            const bool goesOn = verse[n].hyphenAfter;
            m_xml.writeTextElement(
                QStringLiteral("syllabic"),
                fromBefore ? (goesOn ? QStringLiteral("middle") : QStringLiteral("end"))
                           : (goesOn ? QStringLiteral("begin") : QStringLiteral("single")));
            m_xml.writeTextElement(QStringLiteral("text"), QString::fromStdString(verse[n].text));
            if (held) {
                m_xml.writeEmptyElement(QStringLiteral("extend"));
                m_xml.writeAttribute(QStringLiteral("type"), QStringLiteral("start"));
            }
        }
        m_xml.writeEndElement();
    }
}

} // namespace tunelet::musicxml::detail
