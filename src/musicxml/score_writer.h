// MusicXML export, inside: the writer of one score, shared by the files that write its
// parts (notes and measures) and the song around them (header, credits, part list, words).
#pragma once

#include <QString>
#include <QXmlStreamWriter>
#include <array>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "musicxml/musicxml_writer.h"
#include "score/lyrics.h"

namespace tunelet::musicxml::detail {

inline constexpr std::size_t kDrumTrack = 9; // line 10 plays on MIDI channel 10, the drums

struct NoteValue {
    int ticks;
    const char *type;
    int dots;
};

// One note or rest of a part; key -1 is a rest.
struct Sounding {
    int onset = 0;
    int length = 0;
    int key = -1;
    int program = -1; // the instrument in force, -1 before any
    int volume = 80;
    int note = -1; // which of the part's notes (from 0): its syllables; -1 for a rest
};

struct Part {
    std::size_t track = 0;
    QString id;   // "P1".."P16", by track
    QString name; // the part name, else the instrument's
    int program = 0;
    std::vector<Sounding> events;
    std::set<int> drums; // the drum part's keys
    // Each verse's syllables, one per note of the part (none for a verse without words).
    std::vector<std::vector<score::NoteSyllable>> verses;
    // Semitones the notes are written above their sound: 12 for a part that reaches below
    // C0, the lowest octave a staff pitch has (the part then says so in <transpose>).
    int written = 0;
};

// The id of a part's instrument: the drum part has one a drum, the others one.
QString instrumentId(const Part &part, int key);

class ScoreWriter {
public:
    ScoreWriter(QXmlStreamWriter &xml, const SongInfo &song, int division);

    void write(const std::vector<std::string> &lines);

private:
    std::vector<Part> readParts(const std::vector<std::string> &lines) const;
    void writeHeader();
    void writeCredit(const char *type, const QString &text, int x, int y, const char *justify,
                     int size);
    void writePartList(const std::vector<Part> &parts);
    void writePart(const Part &part, const std::vector<int> &starts, bool first);
    void writeAttributes(const Part &part);
    void writeTempo();
    void writeMarks(const Part &part, const Sounding &event, const Sounding *before);
    void writeNote(const Part &part, const Sounding &event, int start, int end, bool wholeBar);
    void writePitch(const Part &part, int key);
    void placeWords(Part &part) const;
    void writeLyrics(const Part &part, const Sounding &event);

    QXmlStreamWriter &m_xml;
    const SongInfo &m_song;
    int m_division;
    std::array<int, 7> m_keyAlters;
    int m_beatNote = 4; // the note value of a script beat: 2, 4 or 8
    int m_beats = 4;
    int m_unit = 4;
    int m_barTicks = 0;
    int m_pickup = 0;
    std::vector<NoteValue> m_values;
    // The alteration in force in the measure, by (octave, step), where a note changed it.
    std::map<std::pair<int, int>, int> m_measureAlters;
};

} // namespace tunelet::musicxml::detail
