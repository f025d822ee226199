// Numbered notation: the tracks' events cut into bars and drawn symbols, with ties and
// the underlines shared within a beat.
#include "notation/bar_layout.h"

#include "notation/layout_steps.h"

#include <algorithm>
#include <array>

#include "notation/movable_do.h"

namespace tunelet::notation {

namespace {

// What one glyph can show, longest first, in written ticks (48 a quarter note): dashes add
// quarters, underlines halve, a dot adds half (only to notes of a quarter or less). Four
// underlines are needed only where a script beat is written as an eighth.
struct Shape {
    int ticks;
    int underlines;
    int dashes;
    bool dotted;
};
constexpr std::array<Shape, 11> kNoteShapes = {{{192, 0, 3, false},
                                                {144, 0, 2, false},
                                                {96, 0, 1, false},
                                                {72, 0, 0, true},
                                                {48, 0, 0, false},
                                                {36, 1, 0, true},
                                                {24, 1, 0, false},
                                                {18, 2, 0, true},
                                                {12, 2, 0, false},
                                                {6, 3, 0, false},
                                                {3, 4, 0, false}}};
// In x/4 a rest is one 0 per beat, never a 0 with dashes or a dot.
constexpr std::array<Shape, 5> kRestShapes = {
    {{48, 0, 0, false}, {24, 1, 0, false}, {12, 2, 0, false}, {6, 3, 0, false}, {3, 4, 0, false}}};
// In x/8 the beat is a dotted quarter: a rest is one dotted 0 per beat it fills, and 0s
// with underlines (eighths and shorter) for a part of a beat, so every beat of rest reads
// alike.
constexpr std::array<Shape, 5> kCompoundRestShapes = {
    {{72, 0, 0, true}, {24, 1, 0, false}, {12, 2, 0, false}, {6, 3, 0, false}, {3, 4, 0, false}}};

int nextBoundary(int position, int origin, int step) {
    return origin + ((position - origin) / step + 1) * step;
}

// The longest shape that fits before `end` and keeps within its limits: nothing crosses
// a bar line, a note shorter than a beat stays within its beat group, and a rest within
// its beat.
Shape pickShape(bool rest, int position, int end, const TimeSignature &time) {
    const int barStart = time.barOrigin(position);
    const int barEnd = barStart + time.barTicks();
    const int groupEnd = nextBoundary(position, barStart, time.groupTicks());
    const bool compound = time.compound();
    const int beatEnd =
        compound ? groupEnd
                 : std::min(groupEnd, nextBoundary(position, barStart, time.quarterTicks()));
    const auto fits = [&](const Shape &shape) {
        const int ticks = time.scriptTicks(shape.ticks);
        const int stop = position + ticks;
        if (ticks * 4 != shape.ticks * time.beatNote || stop > end || stop > barEnd) {
            return false;
        }
        if (rest) {
            return stop <= beatEnd;
        }
        return shape.ticks >= kTicksPerBeat || stop <= groupEnd;
    };
    if (rest) {
        for (const Shape &shape : compound ? kCompoundRestShapes : kRestShapes) {
            if (fits(shape)) {
                return shape;
            }
        }
    } else {
        for (const Shape &shape : kNoteShapes) {
            if (fits(shape)) {
                return shape;
            }
        }
    }
    // Lengths and boundaries are multiples of the shortest note, so it always fits.
    return rest ? kRestShapes.back() : kNoteShapes.back();
}

} // namespace

namespace detail {

void appendGlyphs(Score &score, std::size_t part, std::size_t index, std::size_t firstBar,
                  std::size_t endBar) {
    const TimedEvent &event = score.tracks[part].events[index];
    const TimeSignature &time = score.time;
    const bool rest = event.degree == 0;
    const int end = event.onset + event.length;
    const MovableDegree written = writtenDegree(event, score.tonic);
    int position = event.onset;
    while (position < end) {
        const Shape shape = pickShape(rest, position, end, time);
        Glyph glyph;
        glyph.onset = position;
        glyph.length = shape.ticks;
        glyph.degree = written.digit;
        glyph.accidental = written.accidental;
        glyph.octave = written.octave;
        glyph.underlines = shape.underlines;
        glyph.dashes = shape.dashes;
        glyph.dotted = shape.dotted;
        glyph.event = index;
        glyph.firstOfEvent = position == event.onset;
        glyph.length = time.scriptTicks(shape.ticks);
        position += glyph.length;
        glyph.tiedToNext = !rest && position < end;
        const auto bar = static_cast<std::size_t>(time.barAt(glyph.onset));
        if (bar >= firstBar && bar < endBar) {
            score.bars[bar].parts[part].glyphs.push_back(glyph);
        }
    }
}

// A track that ends before the others is shown resting to the end of the piece (the
// systems where it only rests leave it out).
void appendFillerRests(Score &score, std::size_t part, int end, std::size_t firstBar,
                       std::size_t endBar) {
    const TimeSignature &time = score.time;
    const int stop = std::min(end, static_cast<int>(endBar) * time.barTicks());
    int position = score.tracks[part].length;
    while (position < stop) {
        const Shape shape = pickShape(true, position, end, time);
        Glyph glyph;
        glyph.onset = position;
        glyph.length = shape.ticks;
        glyph.underlines = shape.underlines;
        glyph.dotted = shape.dotted;
        glyph.event = kNoEvent;
        glyph.firstOfEvent = false;
        glyph.filler = true;
        glyph.length = time.scriptTicks(shape.ticks);
        position += glyph.length;
        const auto bar = static_cast<std::size_t>(time.barAt(glyph.onset));
        if (bar >= firstBar) {
            score.bars[bar].parts[part].glyphs.push_back(glyph);
        }
    }
}

// Glyphs of one beat group that follow each other share each level of underline.
void addBeams(PartBar &bar, int barOrigin, const TimeSignature &time) {
    const auto groupOf = [&](const Glyph &glyph) {
        return (glyph.onset - barOrigin) / time.groupTicks();
    };
    for (int level = 1; level <= 4; ++level) {
        std::size_t i = 0;
        while (i < bar.glyphs.size()) {
            if (bar.glyphs[i].underlines < level) {
                ++i;
                continue;
            }
            std::size_t last = i;
            while (last + 1 < bar.glyphs.size() && bar.glyphs[last + 1].underlines >= level &&
                   groupOf(bar.glyphs[last + 1]) == groupOf(bar.glyphs[i])) {
                ++last;
            }
            bar.beams.push_back({level, i, last});
            i = last + 1;
        }
    }
}

MovableDegree writtenDegree(const TimedEvent &event, int tonic) {
    // In 1=C the digits are the script's own, sharps as typed; in any other key a pitch
    // is a degree of the key, spelled by the one fixed rule of movable do.
    return event.degree == 0 || tonic == 0
               ? MovableDegree{event.degree, event.sharp ? 1 : 0, event.octave}
               : movableDegree(event.degree, event.sharp, event.octave, tonic);
}

RowExtent eventExtent(const Track &track, std::size_t from, RowExtent row, int tonic) {
    for (std::size_t e = from; e < track.events.size(); ++e) {
        const TimedEvent &event = track.events[e];
        row.marks = row.marks || !event.marks.empty();
        const int octave = writtenDegree(event, tonic).octave;
        row.dotsAbove = std::max(row.dotsAbove, octave);
        row.dotsBelow = std::max(row.dotsBelow, -octave);
    }
    return row;
}

RowExtent extentOf(const Track &track, const std::vector<Bar> &bars, std::size_t part, int tonic) {
    RowExtent row = eventExtent(track, 0, {}, tonic);
    for (const Bar &bar : bars) {
        for (const Glyph &glyph : bar.parts[part].glyphs) {
            row.underlines = std::max(row.underlines, glyph.underlines);
        }
    }
    return row;
}

} // namespace detail

Score buildScore(const std::vector<std::string> &lines, TimeSignature time, int editedPart,
                 int tonic) {
    Score score;
    score.time = time;
    score.tonic = tonic;
    score.editedPart = editedPart;
    int volume = 80;
    int length = 0;
    for (const std::string &line : lines) {
        score.tracks.push_back(readTrack(line, volume));
        volume = score.tracks.back().volumeAtEnd;
        length = std::max(length, score.tracks.back().length);
    }
    const int barCount = length > 0 ? time.barAt(length - 1) + 1 : 0;
    score.bars.resize(static_cast<std::size_t>(barCount));
    for (int b = 0; b < barCount; ++b) {
        Bar &bar = score.bars[static_cast<std::size_t>(b)];
        // Bars are counted from the first full one: a pickup is bar 0.
        bar.number = time.pickup > 0 ? b : b + 1;
        bar.onset = time.barStart(b);
        bar.length = time.barStart(b + 1) - bar.onset;
        bar.parts.resize(lines.size());
    }
    for (std::size_t part = 0; part < score.tracks.size(); ++part) {
        for (std::size_t i = 0; i < score.tracks[part].events.size(); ++i) {
            detail::appendGlyphs(score, part, i, 0, score.bars.size());
        }
        detail::appendFillerRests(score, part, length, 0, score.bars.size());
    }
    for (Bar &bar : score.bars) {
        for (PartBar &partBar : bar.parts) {
            detail::addBeams(partBar, time.barOrigin(bar.onset), time);
        }
    }
    for (std::size_t part = 0; part < score.tracks.size(); ++part) {
        score.rows.push_back(detail::extentOf(score.tracks[part], score.bars, part, tonic));
    }
    return score;
}

} // namespace tunelet::notation
