// Numbered notation: the tracks' events cut into bars and drawn symbols, with ties and
// the underlines shared within a beat.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "notation/timed_events.h"
#include "score/lyrics.h"

namespace tunelet::notation {

// The event of a glyph that has none.
inline constexpr std::size_t kNoEvent = static_cast<std::size_t>(-1);

// One drawn symbol: a digit (0 for a rest) with its underlines, dashes or dot. A note
// that crosses a bar line, or whose length no single symbol shows, becomes several
// glyphs joined by ties.
struct Glyph {
    int onset = 0;      // ticks from the start of the piece
    int length = 0;     // ticks
    int degree = 0;     // the digit in the song's key; 0 is a rest
    int accidental = 0; // +1 a sharp, -1 a flat (drawn on a note's first glyph only)
    int octave = 0;     // dots: above when positive, below when negative
    int underlines = 0; // 0..4: an eighth, a sixteenth, a thirty-second, a sixty-fourth
    int dashes = 0;     // 0..3: each lengthens the note by a quarter
    bool dotted = false;
    bool tiedToNext = false;  // the next glyph of the part continues this note
    std::size_t event = 0;    // index of its event in the track
    bool firstOfEvent = true; // the event's marks are drawn over its first glyph only
    bool filler = false;      // a rest after the track's end: no event of the track (event
                              // is then kNoEvent, so these rests stay as they are while
                              // notes are added before them)

    bool operator==(const Glyph &) const = default;
};

// Underlines shared by the glyphs first..last of one beat at one level (1 is nearest the
// digits and spans the most notes).
struct Beam {
    int level = 1;
    std::size_t first = 0;
    std::size_t last = 0;

    bool operator==(const Beam &) const = default;
};

struct PartBar {
    std::vector<Glyph> glyphs;
    std::vector<Beam> beams;

    bool operator==(const PartBar &) const = default;
};

struct Bar {
    int number = 1; // counted from 1 at the first full bar; a pickup is 0
    int onset = 0;
    int length = 0;             // ticks of the bar in its metre (a pickup is short)
    std::vector<PartBar> parts; // one per track

    bool operator==(const Bar &) const = default;
};

// Per track, the room a row needs above and below the digits, the same in every system
// so the digits' baseline never moves within a row.
struct RowExtent {
    bool marks = false; // some note carries an instrument or volume mark
    int dotsAbove = 0;  // most octave dots above a digit
    int dotsBelow = 0;  // most octave dots below a digit
    int underlines = 0; // most underlines under a digit

    bool operator==(const RowExtent &) const = default;
};

// The words sung to one part: per verse (trailing empty verses left out), what each event
// of its track shows. Rests show nothing.
struct PartWords {
    std::vector<std::vector<score::NoteSyllable>> verses;

    bool operator==(const PartWords &) const = default;
};

struct Score {
    TimeSignature time;
    int tonic = 0; // the key's tonic, pitch class from C: the digits are its degrees
    std::vector<Track> tracks;
    std::vector<RowExtent> rows; // per track
    std::vector<Bar> bars;
    int editedPart = -1;                // the track that shows the line being composed, or -1
    std::vector<std::string> partNames; // by track, for the labels; empty: the instrument
    std::vector<PartWords> words;       // by track (words.h); empty: no words at all

    bool operator==(const Score &) const = default;
};

// The lines as parts, cut into bars under the time signature, each pitch written as a degree
// of the key with tonic `tonic` (movable do). The volume in force is carried from track to
// track as the export carries it.
Score buildScore(const std::vector<std::string> &lines, TimeSignature time, int editedPart = -1,
                 int tonic = 0);

} // namespace tunelet::notation
