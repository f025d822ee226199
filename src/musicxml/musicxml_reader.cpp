// MusicXML import: the score read element by element with Qt's streaming XML reader. Each
// part's notes are timed in the file's divisions (backup, forward and chords move the
// part's position, ties join notes), then laid out on lines by the MIDI import's rules.
#include "musicxml/musicxml_reader.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>
#include <new>
#include <numeric>
#include <optional>
#include <vector>
#include <zip.h>

#include "musicxml/musicxml_texts.h"
#include "score/lyrics.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::musicxml {

namespace {

using midi::ImportNote;

constexpr int kDefaultVelocity = 80; // the script's volume before any volume token
constexpr double kFullVelocity = 90; // the velocity that <sound dynamics> calls 100
constexpr int kDrumChannel = 9;      // MIDI channel 10, counted from 0
constexpr int kGrid = midi::kImportGrid;
// Times are kept in this many parts of a quarter note: every divisions value that divides
// it (all that notation programs write: 1..12, 16, 24, 32, 48, 64, 96, 480, 960, 10080...)
// gives exact times, whatever divisions a file changes to.
constexpr std::int64_t kQuarter = 221760; // 2^6 x 3^2 x 5 x 7 x 11
// Times beyond this many parts are refused: the song would be far too long anyway,
// and the layout's arithmetic stays exact.
constexpr std::int64_t kMaxTime = std::int64_t{1} << 40;
// Texts longer than this (a title, a name) are not taken: the score file could not hold
// many of them, and no song has them.
constexpr qsizetype kMaxText = 1000;

struct Instrument {
    QString id;
    int channel = -1;   // 0..15
    int program = -1;   // 0..127
    int unpitched = -1; // the drum's key, 0..127
};

// A note's syllable in one verse, as the file gives it.
struct Lyric {
    QString text;        // empty: an extend alone, the syllable before held
    bool goesOn = false; // syllabic begin or middle: a hyphen after
    QString extend;      // "": none; "start" (or untyped), "continue", "stop"
};

struct PartInfo {
    QString id;
    // The syllables of the part's notes that can take one (not chord notes, not the notes
    // a tie goes on to), note by note, by verse.
    std::vector<std::map<std::size_t, Lyric>> lyrics;
    QString name;
    std::vector<Instrument> instruments;
    bool drums = false;
    int source = 0;
};

// What a part's reading keeps from measure to measure.
struct PartState {
    std::int64_t measureEnd = 0; // where the next measure starts
    int divisions = 0;           // per quarter note; 0 until <divisions>
    int transpose = 0;           // semitones from written to sounding pitch
    int velocity = kDefaultVelocity;
    std::map<QString, int> programs;     // by instrument id
    std::map<int, std::size_t> openTies; // key -> the note a tie goes on from
};

// A note as read, before its pitch and time are placed.
struct ReadNote {
    bool grace = false, cue = false, chord = false, rest = false;
    bool pitched = false, unpitched = false;
    int step = 0; // semitones above C
    double alter = 0;
    int octave = 4;
    std::int64_t duration = 0;
    bool tieStart = false, tieStop = false;
    QString instrument;
    std::optional<double> dynamics;
    std::map<std::size_t, Lyric> lyrics; // by verse
};

int semitonesOf(QStringView step) {
    static const std::map<QString, int> kSteps = {{"C", 0}, {"D", 2}, {"E", 4}, {"F", 5},
                                                  {"G", 7}, {"A", 9}, {"B", 11}};
    const auto found = kSteps.find(step.trimmed().toString());
    return found == kSteps.end() ? 0 : found->second;
}

int velocityOf(double dynamics) {
    return std::clamp(static_cast<int>(std::lround(dynamics * kFullVelocity / 100)), 0, 127);
}

class ScoreReader {
public:
    explicit ScoreReader(std::string_view bytes)
        : m_xml(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()))) {}

    // The listing, or nothing with the reason in `damage`.
    std::optional<midi::NoteListing> read(midi::ImportReport &report, std::string &damage);

private:
    bool score();
    void work();
    void identification();
    void credit();
    void placeUntypedCredits();
    void partList();
    void scorePart();
    bool part();
    bool measure(std::size_t index, PartState &state, bool first);
    void attributes(PartState &state, bool first, std::int64_t at);
    bool note(std::size_t index, PartState &state, std::int64_t &position, std::int64_t &last,
              std::int64_t &end);
    void direction(PartState &state, std::int64_t at);
    void sound(PartState &state, std::int64_t at);
    void notations(ReadNote &read);
    void lyric(ReadNote &read);
    std::vector<std::string> wordsOf(const PartInfo &part);
    std::optional<std::int64_t> duration(const PartState &state);
    QString text();
    void fail(const char *pattern);
    midi::NoteListing listing();

    QXmlStreamReader m_xml;
    midi::ImportReport m_report;
    std::string m_damage;
    std::vector<PartInfo> m_parts;
    std::vector<ImportNote> m_notes;
    std::vector<std::pair<std::int64_t, double>> m_tempos; // time, quarter notes a minute
    // The song.
    QString m_workTitle, m_movementTitle;
    std::map<QString, QString> m_credits;  // by credit type: title, subtitle, composer...
    std::map<QString, QString> m_creators; // by creator type: composer, lyricist...
    struct UntypedCredit {
        QString words;
        QString justify;
        double size = 0;
    };
    std::vector<UntypedCredit> m_untyped;
    std::optional<int> m_fifths, m_lastFifths;
    std::optional<QString> m_time, m_lastTime;
    std::optional<QString> m_beatUnit;       // the first metronome mark's note value
    std::map<QString, std::size_t> m_verses; // a lyric's number -> the verse it is
    std::int64_t m_firstMeasure = -1;        // the first part's first measure, in kQuarter
};

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
// centred one the subtitle, the composer on the right, the lyricist on the left.
void ScoreReader::placeUntypedCredits() {
    std::stable_sort(
        m_untyped.begin(), m_untyped.end(),
        [](const UntypedCredit &a, const UntypedCredit &b) { return a.size > b.size; });
    const QString title = !m_workTitle.isEmpty() ? m_workTitle : m_movementTitle;
    for (const UntypedCredit &credit : m_untyped) {
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

std::optional<std::int64_t> ScoreReader::duration(const PartState &state) {
    const QString value = text();
    if (state.divisions <= 0) {
        fail(texts::kNoDivisions);
        return std::nullopt;
    }
    bool ok = false;
    const double given = value.toDouble(&ok);
    if (!ok || !(given > 0)) {
        return 0;
    }
    const double exact = std::min(given * double(kQuarter) / state.divisions, double(kMaxTime));
    const auto rounded = static_cast<std::int64_t>(std::llround(exact));
    if (double(rounded) != exact) {
        ++m_report.roundedNotes;
    }
    return rounded;
}

bool ScoreReader::part() {
    const QString id = m_xml.attributes().value(QLatin1String("id")).toString();
    auto info =
        std::find_if(m_parts.begin(), m_parts.end(), [&](const PartInfo &p) { return p.id == id; });
    if (info == m_parts.end()) { // a part the list forgot: read all the same
        m_parts.emplace_back().id = id;
        info = m_parts.end() - 1;
    }
    const std::size_t index = std::size_t(info - m_parts.begin());
    PartState state;
    for (const Instrument &instrument : info->instruments) {
        state.programs[instrument.id] = instrument.program;
    }
    bool first = true;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != u"measure") {
            m_xml.skipCurrentElement();
            continue;
        }
        if (!measure(index, state, first)) {
            return false;
        }
        first = false;
    }
    return true;
}

bool ScoreReader::measure(std::size_t index, PartState &state, bool first) {
    const std::int64_t start = state.measureEnd;
    std::int64_t position = start;
    std::int64_t end = start;  // the furthest any voice reaches
    std::int64_t last = start; // the onset of the last note, for the notes of its chord
    const bool firstPart = index == 0;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"note") {
            if (!note(index, state, position, last, end)) {
                return false;
            }
        } else if (name == u"backup" || name == u"forward") {
            const bool back = name == u"backup";
            std::int64_t moved = 0;
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == u"duration") {
                    const auto ticks = duration(state);
                    if (!ticks) {
                        return false;
                    }
                    moved = *ticks;
                } else {
                    m_xml.skipCurrentElement();
                }
            }
            position = back ? std::max(start, position - moved) : position + moved;
            end = std::max(end, position);
        } else if (name == u"attributes") {
            attributes(state, firstPart, position);
        } else if (name == u"direction") {
            direction(state, position);
        } else if (name == u"sound") {
            sound(state, position);
        } else if (name == u"barline") {
            while (m_xml.readNextStartElement()) {
                m_report.repeats += m_xml.name() == u"repeat" || m_xml.name() == u"ending";
                m_xml.skipCurrentElement();
            }
        } else if (name == u"harmony" || name == u"figured-bass") {
            ++m_report.markings;
            m_xml.skipCurrentElement();
        } else {
            m_xml.skipCurrentElement();
        }
        if (m_xml.hasError()) {
            return false;
        }
    }
    state.measureEnd = std::min(end, kMaxTime);
    if (first && firstPart) {
        m_firstMeasure = end - start;
    }
    return true;
}

void ScoreReader::attributes(PartState &state, bool firstPart, std::int64_t) {
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"divisions") {
            const int divisions = text().toInt();
            if (divisions > 0) {
                state.divisions = divisions;
            }
        } else if (name == u"key" || name == u"time") {
            const bool key = name == u"key";
            QString beats, unit, fifths;
            bool other = false; // a key of other steps, a metre without beats
            while (m_xml.readNextStartElement()) {
                const auto field = m_xml.name();
                if (field == u"fifths") {
                    fifths = text();
                } else if (field == u"beats") {
                    beats += (beats.isEmpty() ? "" : "+") + text();
                } else if (field == u"beat-type") {
                    unit += (unit.isEmpty() ? "" : "+") + text();
                } else {
                    other = other || field == u"key-step" || field == u"senza-misura";
                    m_xml.skipCurrentElement();
                }
            }
            if (!firstPart) {
                continue;
            }
            if (key) {
                bool ok = false;
                const int value = fifths.toInt(&ok);
                if (ok && value >= -7 && value <= 7 && !other) {
                    // Each change counts, a return to the first key too.
                    m_report.keySignatures += m_lastFifths && *m_lastFifths != value;
                    m_fifths = m_fifths.value_or(value);
                    m_lastFifths = value;
                } else {
                    ++m_report.markings;
                }
            } else {
                const QString metre = other ? QString() : beats + "/" + unit;
                m_report.timeSignatures += m_lastTime && *m_lastTime != metre;
                m_time = m_time.value_or(metre);
                m_lastTime = metre;
            }
        } else if (name == u"transpose") {
            int chromatic = 0, octaves = 0;
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == u"chromatic") {
                    chromatic = std::clamp(text().toInt(), -127, 127);
                } else if (m_xml.name() == u"octave-change") {
                    octaves = std::clamp(text().toInt(), -10, 10);
                } else {
                    m_xml.skipCurrentElement();
                }
            }
            state.transpose = chromatic + 12 * octaves;
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

// A note, a rest or a note of a chord: where it sounds, what key, and whether a tie
// joins it to the note before.
bool ScoreReader::note(std::size_t index, PartState &state, std::int64_t &position,
                       std::int64_t &last, std::int64_t &end) {
    ReadNote read;
    if (const auto dynamics = m_xml.attributes().value(QLatin1String("dynamics"));
        !dynamics.isEmpty()) {
        bool ok = false;
        const double value = dynamics.toDouble(&ok);
        read.dynamics = ok ? std::optional<double>(value) : std::nullopt;
    }
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"grace") {
            read.grace = true;
            m_xml.skipCurrentElement();
        } else if (name == u"cue") {
            read.cue = true;
            m_xml.skipCurrentElement();
        } else if (name == u"chord") {
            read.chord = true;
            m_xml.skipCurrentElement();
        } else if (name == u"rest") {
            read.rest = true;
            m_xml.skipCurrentElement();
        } else if (name == u"pitch" || name == u"unpitched") {
            read.pitched = name == u"pitch";
            read.unpitched = !read.pitched;
            while (m_xml.readNextStartElement()) {
                const auto field = m_xml.name();
                if (field == u"step" || field == u"display-step") {
                    read.step = semitonesOf(text());
                } else if (field == u"alter") {
                    read.alter = text().toDouble();
                } else if (field == u"octave" || field == u"display-octave") {
                    read.octave = std::clamp(text().toInt(), -1, 10);
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        } else if (name == u"duration") {
            const auto ticks = duration(state);
            if (!ticks) {
                return false;
            }
            read.duration = *ticks;
        } else if (name == u"tie") {
            const auto type = m_xml.attributes().value(QLatin1String("type"));
            read.tieStart = read.tieStart || type == u"start";
            read.tieStop = read.tieStop || type == u"stop";
            m_xml.skipCurrentElement();
        } else if (name == u"instrument") {
            read.instrument = m_xml.attributes().value(QLatin1String("id")).toString();
            m_xml.skipCurrentElement();
        } else if (name == u"notations") {
            notations(read);
        } else if (name == u"lyric") {
            lyric(read);
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (read.grace) {
        ++m_report.graceNotes; // takes no time of its own
        return true;
    }
    const std::int64_t onset = read.chord ? last : position;
    if (!read.chord) {
        last = position;
        position = std::min(position + read.duration, kMaxTime);
    }
    const std::int64_t off = std::min(onset + read.duration, kMaxTime);
    end = std::max(end, std::max(position, off));
    if (read.rest) {
        return true;
    }
    if (read.cue) {
        ++m_report.cueNotes;
        return true;
    }
    const PartInfo &part = m_parts[index];
    const Instrument *instrument = nullptr;
    for (const Instrument &known : part.instruments) {
        if (known.id == read.instrument || (instrument == nullptr && read.instrument.isEmpty())) {
            instrument = &known;
        }
    }
    int key = -1;
    if (read.unpitched) {
        if (instrument == nullptr || instrument->unpitched < 0) {
            ++m_report.unknownDrums;
            return true;
        }
        key = instrument->unpitched;
    } else if (read.pitched) {
        key = 12 * (read.octave + 1) + read.step + static_cast<int>(std::lround(read.alter)) +
              state.transpose;
    } else {
        return true; // neither pitch nor rest: nothing to play
    }
    if (key < 0 || key > 127) {
        ++m_report.outOfRange;
        return true;
    }
    // A tie goes on from a note of the same key that ends where this one starts.
    if (read.tieStop) {
        const auto open = state.openTies.find(key);
        if (open != state.openTies.end() && m_notes[open->second].off == onset) {
            m_notes[open->second].off = off;
            if (!read.tieStart) {
                state.openTies.erase(open);
            }
            return true;
        }
    }
    const bool drum = part.drums || read.unpitched;
    ImportNote imported;
    imported.on = onset;
    imported.off = off;
    imported.source = drum ? kDrumChannel : part.source;
    imported.key = key;
    imported.velocity = read.dynamics ? velocityOf(*read.dynamics) : state.velocity;
    const auto program = state.programs.find(instrument ? instrument->id : QString());
    // Drums sound the same whatever the program: the drum line names none.
    imported.program = program != state.programs.end() && !drum ? program->second : -1;
    imported.track = index + 1;
    if (read.tieStart) {
        state.openTies[key] = m_notes.size();
    } else {
        state.openTies.erase(key);
    }
    m_notes.push_back(imported);
    if (!read.chord) {
        m_parts[index].lyrics.push_back(std::move(read.lyrics));
    }
    return true;
}

// A verse's syllable on the note. Verses are numbered 1..4 (a number beyond or a name
// takes the next verse free); more verses than a part can have are counted as dropped.
void ScoreReader::lyric(ReadNote &read) {
    const QString number = m_xml.attributes().value(QLatin1String("number")).toString();
    auto verse = m_verses.find(number);
    if (verse == m_verses.end()) {
        bool ok = false;
        const int given = number.toInt(&ok);
        std::size_t free = ok && given >= 1 && std::size_t(given) <= score::kMaxVerses
                               ? std::size_t(given - 1)
                               : 0;
        const auto taken = [&](std::size_t v) {
            return std::any_of(m_verses.begin(), m_verses.end(),
                               [&](const auto &known) { return known.second == v; });
        };
        while (taken(free)) {
            ++free;
        }
        verse = m_verses.emplace(number, free).first;
    }
    Lyric lyric;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"text") {
            lyric.text += (lyric.text.isEmpty() ? "" : " ") + text();
        } else if (name == u"syllabic") {
            const QString syllabic = text();
            lyric.goesOn = syllabic == u"begin" || syllabic == u"middle";
        } else if (name == u"extend") {
            const QString type = m_xml.attributes().value(QLatin1String("type")).toString();
            lyric.extend = type.isEmpty() ? QStringLiteral("start") : type;
            m_xml.skipCurrentElement();
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (verse->second >= score::kMaxVerses || (lyric.text.isEmpty() && lyric.extend.isEmpty())) {
        ++m_report.lyrics;
        return;
    }
    read.lyrics[verse->second] = lyric;
}

// The part's verses as typed words: a note without a syllable is skipped, one after an
// extended syllable holds it (MuseScore marks only where the holding starts).
std::vector<std::string> ScoreReader::wordsOf(const PartInfo &part) {
    std::vector<std::string> verses;
    for (std::size_t v = 0; v < score::kMaxVerses; ++v) {
        std::vector<score::Syllable> syllables;
        bool holding = false;
        bool any = false;
        for (const auto &note : part.lyrics) {
            const auto found = note.find(v);
            score::Syllable syllable;
            if (found == note.end()) {
                syllable.kind =
                    holding ? score::Syllable::Kind::Extend : score::Syllable::Kind::Skip;
            } else if (found->second.text.isEmpty()) {
                syllable.kind = score::Syllable::Kind::Extend;
                holding = found->second.extend != u"stop";
            } else {
                syllable.text = found->second.text.toStdString();
                syllable.hyphenAfter = found->second.goesOn;
                holding = !found->second.extend.isEmpty() && found->second.extend != u"stop";
                any = true;
            }
            syllables.push_back(syllable);
        }
        while (!syllables.empty() && syllables.back().kind == score::Syllable::Kind::Skip) {
            syllables.pop_back();
        }
        if (any) {
            verses.resize(v + 1);
            verses[v] = score::joinSyllables(syllables);
        }
    }
    return verses;
}

// Ties and tuplets are the note's time; every other notation is a mark the script has not.
void ScoreReader::notations(ReadNote &) {
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"articulations" || name == u"ornaments" || name == u"technical") {
            while (m_xml.readNextStartElement()) {
                ++m_report.markings;
                m_xml.skipCurrentElement();
            }
        } else {
            m_report.markings += name != u"tied" && name != u"tuplet";
            m_xml.skipCurrentElement();
        }
    }
}

void ScoreReader::direction(PartState &state, std::int64_t at) {
    std::optional<double> metronome; // quarter notes a minute, when the mark says
    bool marked = false;             // a dynamics mark...
    bool sounded = false;            // ...whose loudness <sound> says
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"sound") {
            sounded = sounded || m_xml.attributes().hasAttribute(QLatin1String("dynamics"));
            sound(state, at);
        } else if (name == u"direction-type") {
            while (m_xml.readNextStartElement()) {
                const auto kind = m_xml.name();
                if (kind == u"metronome") {
                    QString unit;
                    int dots = 0;
                    double perMinute = 0;
                    while (m_xml.readNextStartElement()) {
                        const auto field = m_xml.name();
                        if (field == u"beat-unit" && unit.isEmpty()) {
                            unit = text();
                        } else if (field == u"beat-unit-dot") {
                            ++dots;
                            m_xml.skipCurrentElement();
                        } else if (field == u"per-minute") {
                            perMinute = text().toDouble();
                        } else {
                            m_xml.skipCurrentElement();
                        }
                    }
                    static const std::map<QString, double> kQuarters = {
                        {"whole", 4}, {"half", 2}, {"quarter", 1}, {"eighth", 0.5}, {"16th", 0.25}};
                    const auto quarters = kQuarters.find(unit);
                    if (quarters != kQuarters.end() && perMinute > 0) {
                        metronome = perMinute * quarters->second * (dots > 0 ? 1.5 : 1.0);
                        if (!m_beatUnit && dots == 0) {
                            m_beatUnit = unit;
                        }
                    }
                } else {
                    // Dynamics say their value in <sound>; words, wedges, pedals and the
                    // like are marks.
                    marked = marked || kind == u"dynamics";
                    m_report.markings += kind != u"dynamics";
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    // A dynamics mark without its loudness changes nothing the script can play.
    m_report.markings += marked && !sounded;
    if (metronome && std::none_of(m_tempos.begin(), m_tempos.end(),
                                  [&](const auto &tempo) { return tempo.first == at; })) {
        m_tempos.emplace_back(at, *metronome);
    }
}

// Tempo and dynamics for what follows, and an instrument's new program.
void ScoreReader::sound(PartState &state, std::int64_t at) {
    const QXmlStreamAttributes attributes = m_xml.attributes();
    bool ok = false;
    const double tempo = attributes.value(QLatin1String("tempo")).toDouble(&ok);
    if (ok && tempo > 0) {
        // Where a metronome mark gave the time first, the sound says it exactly.
        std::erase_if(m_tempos, [&](const auto &known) { return known.first == at; });
        m_tempos.emplace_back(at, tempo);
    }
    const double dynamics = attributes.value(QLatin1String("dynamics")).toDouble(&ok);
    if (ok && dynamics >= 0) {
        state.velocity = velocityOf(dynamics);
    }
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"midi-instrument") {
            const QString id = m_xml.attributes().value(QLatin1String("id")).toString();
            while (m_xml.readNextStartElement()) {
                const int program = m_xml.name() == u"midi-program" ? text().toInt() : 0;
                if (program >= 1 && program <= 128) {
                    state.programs[id] = program - 1;
                } else if (m_xml.tokenType() == QXmlStreamReader::StartElement) {
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

// The notes on the script's time, the tempo and the song as the lines will have them.
midi::NoteListing ScoreReader::listing() {
    midi::NoteListing result;
    // The tempo mark's note value is what a script beat is written as, so the time
    // increment counts the song's own beats.
    const int beatNote = m_beatUnit == u"half" ? 2 : m_beatUnit == u"eighth" ? 8 : 4;
    const std::int64_t unit = kQuarter;
    // A script beat is a quarter note written as beatNote: 12 x beatNote ticks a quarter.
    result.scriptTicks = 12 * beatNote;
    result.fileTicks = unit;
    result.marksAtLineStart = true;

    // Channels: a part's own where its instrument names one, else the next free one; the
    // drums play on channel 10. Parts beyond the channels take lines that are free.
    std::vector<bool> taken(16, false);
    taken[kDrumChannel] = true;
    for (PartInfo &part : m_parts) {
        const int channel = part.instruments.empty() ? -1 : part.instruments.front().channel;
        if (!part.drums && channel >= 0 && channel != kDrumChannel &&
            !taken[std::size_t(channel)]) {
            part.source = channel;
            taken[std::size_t(channel)] = true;
        } else {
            part.source = -1;
        }
    }
    int spare = 16; // beyond the channels: no line of its own
    for (PartInfo &part : m_parts) {
        if (part.source < 0 && !part.drums) {
            const auto free = std::find(taken.begin(), taken.end(), false);
            part.source = free != taken.end() ? int(free - taken.begin()) : spare++;
            if (free != taken.end()) {
                *free = true;
            }
        }
    }
    m_report.extraParts =
        m_parts.size() > midi::kImportLines ? m_parts.size() - midi::kImportLines : 0;
    for (ImportNote &note : m_notes) {
        const PartInfo &part = m_parts[note.track - 1];
        if (note.source != kDrumChannel) {
            note.source = part.source;
        }
        const bool onGrid = note.on * result.scriptTicks % (unit * kGrid) == 0 &&
                            note.off * result.scriptTicks % (unit * kGrid) == 0;
        m_report.roundedNotes += !onGrid;
    }
    std::stable_sort(m_notes.begin(), m_notes.end(),
                     [](const ImportNote &a, const ImportNote &b) { return a.on < b.on; });
    result.notes = std::move(m_notes);

    // Tempos in the order they apply; none at all is 120 quarter notes a minute.
    std::stable_sort(m_tempos.begin(), m_tempos.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    if (m_tempos.empty()) {
        m_tempos.emplace_back(0, 120.0);
    }
    for (const auto &[at, quarters] : m_tempos) {
        const double perBeat = 60e6 / quarters * 4 / beatNote;
        result.tempos.emplace_back(
            at, static_cast<std::int64_t>(std::llround(std::clamp(perBeat, 1.0, double(1 << 30)))));
    }

    score::SongProperties &song = result.meta.properties;
    const auto utf8 = [&](const QString &text) {
        if (text.size() > kMaxText) {
            ++m_report.markings;
            return std::string();
        }
        return text.toStdString();
    };
    const auto credit = [&](const char *type) {
        const auto found = m_credits.find(QString::fromLatin1(type));
        return found == m_credits.end() ? QString() : found->second;
    };
    const auto creator = [&](const char *type) {
        const auto found = m_creators.find(QString::fromLatin1(type));
        return found == m_creators.end() || found->second.isEmpty() ? credit(type) : found->second;
    };
    placeUntypedCredits();
    QString title = !m_workTitle.isEmpty()       ? m_workTitle
                    : !m_movementTitle.isEmpty() ? m_movementTitle
                                                 : credit("title");
    QString subtitle = credit("subtitle");
    if (subtitle.isEmpty() && !m_workTitle.isEmpty() && m_movementTitle != m_workTitle) {
        subtitle = m_movementTitle;
    }
    song.title = utf8(title);
    song.subtitle = utf8(subtitle);
    song.composer = utf8(creator("composer"));
    song.lyricist = utf8(creator("lyricist"));
    if (m_fifths) {
        song.key = midi::keyOfSignature(*m_fifths);
    }
    if (m_time) {
        song.time = score::parseSongTime(m_time->toStdString());
        result.meta.unsupportedTime = !song.time;
    }
    if (beatNote != 4) {
        song.beat = static_cast<score::BeatNote>(beatNote);
    }
    // A first measure shorter than a bar is a pickup (an implicit measure, however it is
    // numbered).
    if (m_firstMeasure > 0) {
        const std::int64_t ticks = m_firstMeasure * result.scriptTicks / unit / kGrid * kGrid;
        if (ticks > 0 && ticks < score::barTicks(song)) {
            song.pickupTicks = static_cast<int>(ticks);
        }
    }
    result.meta.laterKeySignatures = m_report.keySignatures;
    result.meta.laterTimeSignatures = m_report.timeSignatures;
    // Part names name the lines their notes land on; a name that only repeats the
    // instrument (as Tunelet writes a part without a name) says nothing the line does not.
    result.meta.trackNames.emplace_back();
    result.meta.trackWords.emplace_back();
    for (const PartInfo &part : m_parts) {
        result.meta.trackWords.push_back(wordsOf(part));
        const int program =
            part.instruments.empty() ? 0 : std::max(part.instruments.front().program, 0);
        const QString instrument =
            part.drums ? ui::texts::kDrumsLabel : ui::texts::kInstrumentNames.value(program);
        result.meta.trackNames.push_back(part.name == instrument ? std::string() : utf8(part.name));
    }
    return result;
}

} // namespace

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
