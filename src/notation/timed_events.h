// Numbered notation: a track line read as timed notes and rests, and the time signature.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunelet::notation {

// Durations are fixed in ticks, 48 to a beat (a quarter note), whatever the MIDI division.
inline constexpr int kTicksPerBeat = 48;

// The signatures the view offers: 2/4, 3/4, 4/4, 3/8 and 6/8.
struct TimeSignature {
    int beats = 4;
    int unit = 4; // 4 or 8

    int barTicks() const { return beats * kTicksPerBeat * 4 / unit; }
    // Notes shorter than a beat share their underlines within one group: a quarter note
    // in x/4, a dotted quarter (three eighths) in x/8.
    int groupTicks() const { return unit == 8 ? kTicksPerBeat * 3 / 2 : kTicksPerBeat; }
    std::string text() const { return std::to_string(beats) + "/" + std::to_string(unit); }
    bool operator==(const TimeSignature &) const = default;
};

// "2/4", "3/4", "4/4", "3/8" or "6/8"; nullopt for anything else.
std::optional<TimeSignature> parseTimeSignature(std::string_view text);

// Quarter notes a minute at a MIDI division (the time increment): the file plays at
// 120 of its quarter notes a minute, and a beat of the script is 48 of its ticks.
double beatsPerMinute(int division);
// The same as it is printed: "120", "122.5".
std::string beatsPerMinuteText(int division);

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
