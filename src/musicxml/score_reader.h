// MusicXML import, inside: the reader of a partwise score and what it keeps of each part
// while it reads, shared by the files that read the header, the measures and the song.
#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_import.h"

namespace tunelet::musicxml::detail {

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

inline int semitonesOf(QStringView step) {
    static const std::map<QString, int> kSteps = {{"C", 0}, {"D", 2}, {"E", 4}, {"F", 5},
                                                  {"G", 7}, {"A", 9}, {"B", 11}};
    const auto found = kSteps.find(step.trimmed().toString());
    return found == kSteps.end() ? 0 : found->second;
}

inline int velocityOf(double dynamics) {
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
    void defaults();
    void placeUntypedCredits();
    void partList();
    void scorePart();
    bool part();
    bool measure(std::size_t index, PartState &state, bool first);
    void attributes(PartState &state, bool first, std::int64_t at);
    bool note(std::size_t index, PartState &state, std::int64_t &position, std::int64_t &last,
              std::int64_t &end);
    bool readNote(const PartState &state, ReadNote &read);
    void placeNote(std::size_t index, PartState &state, ReadNote &read, std::int64_t &position,
                   std::int64_t &last, std::int64_t &end);
    void direction(PartState &state, std::int64_t at);
    void sound(PartState &state, std::int64_t at);
    void notations(ReadNote &read);
    void lyric(ReadNote &read);
    std::vector<std::string> wordsOf(const PartInfo &part);
    std::optional<std::int64_t> duration(const PartState &state);
    QString text();
    void fail(const char *pattern);
    midi::NoteListing listing();
    void assignChannels();
    void takeSong(midi::NoteListing &result, int beatNote);

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
        double y = -1; // from the page's bottom; -1: not said
    };
    double m_pageHeight = 0; // 0: not said
    std::vector<UntypedCredit> m_untyped;
    std::optional<int> m_fifths, m_lastFifths;
    std::optional<QString> m_time, m_lastTime;
    std::optional<QString> m_beatUnit;       // the first metronome mark's note value
    std::map<QString, std::size_t> m_verses; // a lyric's number -> the verse it is
    std::int64_t m_firstMeasure = -1;        // the first part's first measure, in kQuarter
};

} // namespace tunelet::musicxml::detail
