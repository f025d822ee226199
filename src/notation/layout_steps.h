// Numbered notation: the steps of cutting tracks into bars and bars into systems, shared
// by the whole-score layout and the cache that redoes only what an edit changed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "notation/bar_layout.h"
#include "notation/movable_do.h"
#include "notation/system_layout.h"

namespace tunelet::notation::detail {

// The glyphs of one event of a part, and the rests after the part's end up to `end`, that
// fall in bars firstBar..endBar (the others are left as they are).
void appendGlyphs(Score &score, std::size_t part, std::size_t index, std::size_t firstBar,
                  std::size_t endBar);
void appendFillerRests(Score &score, std::size_t part, int end, std::size_t firstBar,
                       std::size_t endBar);
void addBeams(PartBar &bar, int barOnset, const TimeSignature &time);
// An event's digit, sign and dots in the key with tonic `tonic`.
MovableDegree writtenDegree(const TimedEvent &event, int tonic);
// A row's room for its events from `from` on, added to `row` (underlines aside).
RowExtent eventExtent(const Track &track, std::size_t from, RowExtent row, int tonic);
RowExtent extentOf(const Track &track, const std::vector<Bar> &bars, std::size_t part, int tonic);

// The x of each moment of a bar where a cell starts or ends, from the bar's left line:
// each cell gets its room, and the parts share one x for one moment.
struct BarColumns {
    std::vector<int> times;
    std::vector<double> x;
    double width = 0;

    double at(int time) const {
        const auto it = std::lower_bound(times.begin(), times.end(), time);
        return x[static_cast<std::size_t>(it - times.begin())];
    }
};

// quarter: the ticks of a written quarter, what a dash stands for.
BarColumns columnsOf(const Bar &bar, int quarter, const Metrics &metrics);
std::vector<bool> playingParts(const Score &score, std::size_t first, std::size_t end);
std::vector<bool> shownParts(const Score &score, std::vector<bool> playing,
                             const std::vector<bool> &inScore);
std::vector<std::size_t> balancedBreaks(const std::vector<BarColumns> &columns, double room);

// The room for bars beside the labels.
double systemRoom(const Metrics &metrics, double width);
// How far the bars first..end are stretched, after a system stretched by stretchBefore.
double systemStretch(const std::vector<BarColumns> &columns, std::size_t first, std::size_t end,
                     bool last, double room, double stretchBefore);
// One system of bars first..end showing the parts `shown`; markLines keeps, per part, the
// most lines of marks it needs. `system` is one no longer needed, whose memory it reuses.
System placeSystem(const Score &score, const std::vector<BarColumns> &columns,
                   const Metrics &metrics, std::size_t first, std::size_t end,
                   const std::vector<bool> &shown, double stretch, std::vector<int> &markLines,
                   System system = {});
// The rows of every system given the marks' lines (but those of systems s where
// rowsPlaced[s] holds, placed already for these lines and the score's row extents), and
// the systems one under another.
void stackSystems(Layout &layout, const std::vector<int> &markLines, const Score &score,
                  const Metrics &metrics, const std::vector<bool> &rowsPlaced = {});

} // namespace tunelet::notation::detail
