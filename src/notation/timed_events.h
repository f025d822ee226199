// Numbered notation: a track line read as timed notes and rests, and the time signature.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "score/song_properties.h"

namespace tunelet::notation {

// Durations are fixed in ticks, 48 to a beat (a quarter note), whatever the MIDI division.
inline constexpr int kTicksPerBeat = 48;

// The metre as the bars are drawn: any n/2, n/4 or n/8, what one script beat (48 ticks) is
// written as, and a pickup (a first, short bar). Ticks here are the script's.
struct TimeSignature {
    int beats = 4;
    int unit = 4;     // 2, 4 or 8
    int beatNote = 4; // a script beat written as a quarter (4), a half (2) or an eighth (8)
    int pickup = 0;   // ticks of the first bar when it is short; 0: no pickup

    // Script ticks of a written length given in quarter-note ticks (48 a quarter).
    int scriptTicks(int writtenTicks) const { return writtenTicks * beatNote / 4; }
    // The written quarter, what a dash stands for.
    int quarterTicks() const { return scriptTicks(kTicksPerBeat); }
    int barTicks() const { return scriptTicks(beats * kTicksPerBeat * 4 / unit); }
    // Eighths in 3/8, 6/8, 9/8 and 12/8 go by threes (a dotted quarter); any other metre
    // groups them by the written quarter.
    bool compound() const { return unit == 8 && beats % 3 == 0; }
    // Notes shorter than a beat share their underlines within one group.
    int groupTicks() const {
        return scriptTicks(compound() ? kTicksPerBeat * 3 / 2 : kTicksPerBeat);
    }
    // The bar holding a tick (the pickup is bar 0), and where bar `index` starts.
    int barAt(int tick) const;
    int barStart(int index) const;
    // The start of a full bar ending where the bar holding `tick` ends (before 0 for the
    // pickup, so its beats fall as the last beats of a bar).
    int barOrigin(int tick) const;
    std::string text() const { return std::to_string(beats) + "/" + std::to_string(unit); }
    bool operator==(const TimeSignature &) const = default;
};

// "n/2", "n/4" or "n/8" with n from 1 to 12; nullopt for anything else.
std::optional<TimeSignature> parseTimeSignature(std::string_view text);

// The metre of a song as drawn: its time signature (4/4 when unset), its beat as written
// and its pickup (none when it is not shorter than a bar).
TimeSignature timeSignatureOf(const score::SongProperties &song);

// Quarter notes a minute at a MIDI division (the time increment): the file plays at
// 120 of its quarter notes a minute, and a beat of the script is 48 of its ticks.
double beatsPerMinute(int division);
// Written quarter notes a minute as printed: "120", "122.5" (a script beat written as an
// eighth, beatNote 8, halves them; written as a half doubles them).
std::string beatsPerMinuteText(int division, int beatNote = 4);

// An instrument or volume token, shown as small text above the note it precedes.
struct Mark {
    enum class Kind { Program, Volume };
    Kind kind{};
    int value = 0;

    bool operator==(const Mark &) const = default;
};

// One note or rest of a track, timed as the export times it.
struct TimedEvent {
    int onset = 0;  // ticks from the start of the piece
    int length = 0; // ticks
    int degree = 0; // 1..7; 0 is a rest
    bool sharp = false;
    int octave = 0;             // octaves above (+) or below (-) octave f
    int program = -1;           // the instrument in force; -1 before any instrument token
    int volume = 80;            // the volume in force
    std::vector<Mark> marks;    // the @ and # tokens between the previous event and this one
    std::size_t tokenStart = 0; // byte offset of the token in its line
    std::size_t tokenEnd = 0;   // byte offset just after the token and its separator

    bool operator==(const TimedEvent &) const = default;
};

// A track line's events up to its first fault, if any.
struct Track {
    std::vector<TimedEvent> events;
    int length = 0;          // ticks
    int firstProgram = -1;   // the instrument at the track's start, -1 for none
    int volumeAtStart = 80;  // the volume in force before the first token
    int volumeAtEnd = 80;    // the volume in force after the last token
    bool faulty = false;     // the line holds a token the scanner refuses
    std::size_t faultAt = 0; // byte offset of that token

    bool operator==(const Track &) const = default;
};

// volume: the volume in force at the start (the export carries it from track to track).
Track readTrack(std::string_view line, int volume = 80);
// The same for a track read before from a line whose first `unchanged` bytes `line` keeps:
// only the tokens after its last event that ends within them are read again. Answers
// the events it dropped.
std::vector<TimedEvent> rereadTrack(Track &track, std::string_view line, std::size_t unchanged);

// The marks worth showing over an event: the instrument and the volume it starts with,
// each only when it differs from the one in force before (a repeat of the same value, or a
// value changed twice between two notes, says nothing more).
std::vector<Mark> shownMarks(const Track &track, std::size_t event);

// The instruments a track has in force at its start and at any of its events, in order.
std::vector<int> programsUsed(const Track &track);

// The instrument in force at a tick: that of the last event starting at or before it (its
// own marks included), -1 before any instrument token.
int programAt(const Track &track, int tick);

} // namespace tunelet::notation
