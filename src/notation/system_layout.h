// Numbered notation: bars placed side by side, parts aligned by time, broken into
// systems of a given width and systems into pages. Units are the caller's (pixels on a
// screen, points on paper): the sizes come in as Metrics.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "notation/bar_layout.h"

namespace tunelet::notation {

// The sizes of what the painter draws, measured in its font.
struct Metrics {
    double cell = 16;        // the room of a digit, and of a dash (a beat)
    double shortCell = 12;   // the room of a digit with underlines, set closer
    double dotRoom = 6;      // the augmentation dot after a digit
    double barPad = 8;       // between a bar line and the nearest digit
    double label = 80;       // the parts' names at the start of each system
    double barNumber = 10;   // the bar number's line above each system
    double markHeight = 10;  // the line of small text above a note
    double digitHeight = 16; // from the top of a digit to its baseline
    double dotStep = 4;      // one octave dot
    double lineStep = 3;     // one underline
    double partGap = 8;      // between the parts of a system
    double systemGap = 14;   // between systems
    double verseHeight = 18; // one line of words under the digits
    double syllableGap = 4;  // the least room between two syllables of a verse
    // The width of the small text of a note's marks; without it, a rough guess.
    std::function<double(const std::vector<Mark> &marks)> markWidth;
    // The width of a syllable (UTF-8) in the words' font; without it, a rough guess.
    std::function<double(const std::string &syllable)> syllableWidth;
};

// Where one part's row lies, from its system's top. A system leaves out the parts that
// only rest in it: their rows are not shown, have no height and place no glyphs.
struct Row {
    double top = 0;
    double baseline = 0; // the digits' baseline
    double bottom = 0;
    bool shown = true;
    int program = -1;  // the instrument in force at the system's start, for the label
    int markLines = 0; // lines of small text above the digits (the same in every system)
    int verses = 0;    // lines of words under the digits, from wordsTop to the bottom
    double wordsTop = 0;

    bool operator==(const Row &) const = default;
};

// A glyph of score.bars[bar].parts[part].glyphs[index], placed.
struct PlacedGlyph {
    std::size_t bar = 0;
    std::size_t part = 0;
    std::size_t index = 0;
    double x = 0;                  // left of the digit's cell
    std::array<double, 3> dashX{}; // left of each dash's cell
    double tieEndX = 0;            // when tied: the next glyph's cell left, or the
                                   // system's end when the note goes on in the next one
    bool tieIn = false;  // the note comes tied from the previous system: an arc comes in from
                         // the system's start (barLines.front()) to this glyph
    bool filler = false; // a rest after its track's end: drawn, but no point finds it
    // The event's shownMarks, when it has any and this is its first glyph: the line they
    // go on (0 nearest the digits, -1 for none) and their left end. Marks never overlap:
    // each takes the nearest free line, and when all are taken it moves right.
    int markLine = -1;
    double markX = 0;

    bool operator==(const PlacedGlyph &) const = default;
};

// A syllable under its note, or a melisma line coming in from the system before (no text).
struct PlacedSyllable {
    std::size_t part = 0;
    std::size_t verse = 0;     // 0: the first line under the digits
    std::size_t event = 0;     // the note it is sung on (of the part's track)
    std::size_t lastEvent = 0; // the last note it is held over (a melisma), or `event`
    std::string text;
    double x = 0;         // its centre: under the digit's centre
    double width = 0;     // of the text
    double hyphenTo = -1; // >= 0: a hyphen goes between its right end and this x (the next
                          // syllable's left, or the system's end)
    double lineTo = -1;   // >= 0: a melisma line from its right end (or from x when there is
                          // no text) to this x, the right of the last held digit

    bool operator==(const PlacedSyllable &) const = default;
};

struct System {
    std::size_t firstBar = 0;
    std::size_t endBar = 0; // one past the last bar
    double top = 0;         // from the top of the whole layout
    double height = 0;
    std::vector<double> barLines;          // x of the bar lines: the start, then each bar's end
    std::vector<Row> rows;                 // per part, shown or not
    std::vector<PlacedGlyph> glyphs;       // bar by bar, part by part, in time order
    std::vector<PlacedSyllable> syllables; // part by part, verse by verse, in time order
    bool last = false;                     // ends the piece with the final bar line

    bool operator==(const System &) const = default;
};

struct Layout {
    std::vector<System> systems;
    double height = 0;

    bool operator==(const Layout &) const = default;
};

// Bars go into as few systems of `width` (the label column included) as fit them, spread
// evenly; every system but the last is stretched to the full width, the last as far as
// the one before it. A bar wider than the width stands alone. Parts
// without a note in the whole score are left out (the part being composed never is), and
// a system leaves out the parts that only rest in it unless all of them do.
Layout layoutSystems(const Score &score, const Metrics &metrics, double width);

struct Page {
    std::size_t firstSystem = 0;
    std::size_t endSystem = 0;
};

// Systems go onto pages whole: the first page has `firstRoom` of height below its
// header, the others `room`. A system higher than a page gets a page of its own.
std::vector<Page> paginate(const Layout &layout, double firstRoom, double room);

struct GlyphRef {
    std::size_t bar = 0;
    std::size_t part = 0;
    std::size_t index = 0;
};

// The glyph whose digit cell or row band holds the point (layout coordinates).
std::optional<GlyphRef> glyphAt(const Layout &layout, const Metrics &metrics, double x, double y);

} // namespace tunelet::notation
