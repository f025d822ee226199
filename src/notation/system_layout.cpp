// Numbered notation: bars placed side by side, parts aligned by time, broken into
// systems of a given width and systems into pages.
#include "notation/system_layout.h"

#include "notation/layout_steps.h"
#include "notation/words_layout.h"

#include <algorithm>

namespace tunelet::notation {

namespace {

// A stretch of time one glyph's digit or dash needs room for.
struct Cell {
    int start;
    int end;
    double width;
};

// Every digit and dash of a bar, all parts together.
std::vector<Cell> cellsOf(const Bar &bar, int quarter, const Metrics &metrics) {
    std::vector<Cell> cells;
    for (const PartBar &part : bar.parts) {
        for (const Glyph &glyph : part.glyphs) {
            const int digitEnd =
                glyph.dashes > 0 ? glyph.onset + quarter : glyph.onset + glyph.length;
            // Notes shorter than a beat are set closer, as on paper.
            const double digit = glyph.underlines > 0 ? metrics.shortCell : metrics.cell;
            cells.push_back({glyph.onset, digitEnd, digit + (glyph.dotted ? metrics.dotRoom : 0)});
            for (int k = 1; k <= glyph.dashes; ++k) {
                cells.push_back(
                    {glyph.onset + k * quarter, glyph.onset + (k + 1) * quarter, metrics.cell});
            }
        }
    }
    return cells;
}

} // namespace

namespace detail {

BarColumns columnsOf(const Bar &bar, int quarter, const Metrics &metrics) {
    std::vector<Cell> cells = cellsOf(bar, quarter, metrics);
    BarColumns columns;
    columns.times = {bar.onset, bar.onset + bar.length};
    for (const Cell &cell : cells) {
        columns.times.push_back(cell.start);
        columns.times.push_back(cell.end);
    }
    std::sort(columns.times.begin(), columns.times.end());
    columns.times.erase(std::unique(columns.times.begin(), columns.times.end()),
                        columns.times.end());
    std::sort(cells.begin(), cells.end(),
              [](const Cell &a, const Cell &b) { return a.end < b.end; });
    columns.x.assign(columns.times.size(), metrics.barPad);
    std::size_t next = 0;
    for (std::size_t i = 1; i < columns.times.size(); ++i) {
        double x = columns.x[i - 1];
        for (; next < cells.size() && cells[next].end == columns.times[i]; ++next) {
            x = std::max(x, columns.at(cells[next].start) + cells[next].width);
        }
        columns.x[i] = x;
    }
    // An empty bar still shows as a bar.
    columns.width = std::max(columns.x.back() + metrics.barPad, 2 * metrics.cell);
    return columns;
}

} // namespace detail

namespace {

// Each row's place from the system's top, after the rows that are shown above it.
void placeRows(std::vector<Row> &rows, const Score &score, const Metrics &metrics) {
    double y = metrics.barNumber;
    for (std::size_t part = 0; part < rows.size(); ++part) {
        Row &row = rows[part];
        row.top = y;
        if (!row.shown) {
            row.baseline = row.bottom = y;
            continue;
        }
        const RowExtent &extent = score.rows[part];
        row.baseline = y + row.markLines * metrics.markHeight + extent.dotsAbove * metrics.dotStep +
                       metrics.digitHeight;
        row.bottom = row.baseline + extent.underlines * metrics.lineStep +
                     extent.dotsBelow * metrics.dotStep + metrics.lineStep;
        // The verses under the digits, one line each.
        row.verses = static_cast<int>(verseCount(score, part));
        row.wordsTop = row.bottom;
        row.bottom += row.verses * metrics.verseHeight;
        y = row.bottom + metrics.partGap;
    }
}

} // namespace

namespace detail {

// Per part, whether it has a note in bars first..end.
std::vector<bool> playingParts(const Score &score, std::size_t first, std::size_t end) {
    std::vector<bool> playing(score.tracks.size(), false);
    for (std::size_t b = first; b < end; ++b) {
        for (std::size_t part = 0; part < score.bars[b].parts.size(); ++part) {
            for (const Glyph &glyph : score.bars[b].parts[part].glyphs) {
                playing[part] = playing[part] || glyph.degree != 0;
            }
        }
    }
    return playing;
}

// The parts a system shows: those that play in it, and the part being composed; when
// none does, every part the score shows at all.
std::vector<bool> shownParts(const Score &score, std::vector<bool> playing,
                             const std::vector<bool> &inScore) {
    if (score.editedPart >= 0 && static_cast<std::size_t>(score.editedPart) < playing.size()) {
        playing[static_cast<std::size_t>(score.editedPart)] = true;
    }
    if (std::find(playing.begin(), playing.end(), true) == playing.end()) {
        return inScore;
    }
    return playing;
}

} // namespace detail

namespace {

void placeGlyphs(System &system, const Score &score, const std::vector<detail::BarColumns> &columns,
                 double stretch) {
    // Per part, the glyph still waiting for the end of its tie.
    std::vector<std::optional<std::size_t>> tied(score.tracks.size());
    // A note tied over the line break shows its tie again where the system starts.
    std::vector<bool> tiedIn(score.tracks.size(), false);
    if (system.firstBar > 0) {
        const Bar &before = score.bars[system.firstBar - 1];
        for (std::size_t part = 0; part < before.parts.size(); ++part) {
            const std::vector<Glyph> &glyphs = before.parts[part].glyphs;
            tiedIn[part] = !glyphs.empty() && glyphs.back().tiedToNext;
        }
    }
    std::size_t count = 0;
    for (std::size_t b = system.firstBar; b < system.endBar; ++b) {
        for (std::size_t part = 0; part < score.bars[b].parts.size(); ++part) {
            count += system.rows[part].shown ? score.bars[b].parts[part].glyphs.size() : 0;
        }
    }
    system.glyphs.reserve(count);
    for (std::size_t b = system.firstBar; b < system.endBar; ++b) {
        const double left = system.barLines[b - system.firstBar];
        const detail::BarColumns &bar = columns[b];
        for (std::size_t part = 0; part < score.bars[b].parts.size(); ++part) {
            if (!system.rows[part].shown) {
                continue;
            }
            const std::vector<Glyph> &glyphs = score.bars[b].parts[part].glyphs;
            for (std::size_t i = 0; i < glyphs.size(); ++i) {
                PlacedGlyph placed{b, part, i, left + bar.at(glyphs[i].onset) * stretch, {}, 0};
                placed.tieIn = tiedIn[part];
                placed.filler = glyphs[i].filler;
                tiedIn[part] = false;
                for (int k = 0; k < glyphs[i].dashes; ++k) {
                    placed.dashX[static_cast<std::size_t>(k)] =
                        left +
                        bar.at(glyphs[i].onset + (k + 1) * score.time.quarterTicks()) * stretch;
                }
                if (tied[part]) {
                    system.glyphs[*tied[part]].tieEndX = placed.x;
                    tied[part].reset();
                }
                if (glyphs[i].tiedToNext) {
                    tied[part] = system.glyphs.size();
                }
                system.glyphs.push_back(placed);
            }
        }
    }
    for (const std::optional<std::size_t> &open : tied) {
        if (open) {
            system.glyphs[*open].tieEndX = system.barLines.back();
        }
    }
}

} // namespace

namespace detail {

// Where the systems end: as few systems as the width allows, and among those the
// breaks that leave the least room unused, counted squared, so the bars spread evenly and
// the last system is not left with a bar or two while the others are full. A bar wider
// than the room stands alone.
std::vector<std::size_t> balancedBreaks(const std::vector<BarColumns> &columns, double room) {
    struct Best {
        std::size_t systems = 0;
        double cost = 0;
        std::size_t from = 0; // where the prefix's last system starts
    };
    std::vector<Best> best(columns.size() + 1);
    for (std::size_t end = 1; end <= columns.size(); ++end) {
        double used = 0;
        std::optional<Best> chosen;
        for (std::size_t first = end; first-- > 0;) {
            used += columns[first].width;
            if (used > room && first + 1 < end) {
                break;
            }
            const double slack = std::max(0.0, room - used);
            const Best candidate{best[first].systems + 1, best[first].cost + slack * slack, first};
            if (!chosen || candidate.systems < chosen->systems ||
                (candidate.systems == chosen->systems && candidate.cost < chosen->cost)) {
                chosen = candidate;
            }
        }
        best[end] = *chosen;
    }
    std::vector<std::size_t> ends;
    for (std::size_t end = columns.size(); end > 0; end = best[end].from) {
        ends.push_back(end);
    }
    std::reverse(ends.begin(), ends.end());
    return ends;
}

} // namespace detail

namespace {

constexpr std::size_t kMarkLines = 3; // lines of marks stacked before they move right

double markWidth(const Metrics &metrics, const std::vector<Mark> &marks) {
    return metrics.markWidth ? metrics.markWidth(marks)
                             : 3 * metrics.markHeight * static_cast<double>(marks.size());
}

// The marks of each part go on the nearest line where they clear the marks before them;
// when every line is taken they go right of the line that ends first. linesUsed keeps,
// per part, the most lines any system needs.
void placeMarks(System &system, const Score &score, const Metrics &metrics,
                std::vector<int> &linesUsed) {
    const double gap = metrics.markHeight * 0.3;
    std::vector<std::vector<double>> lineEnds(score.tracks.size());
    for (PlacedGlyph &placed : system.glyphs) {
        const Glyph &glyph = score.bars[placed.bar].parts[placed.part].glyphs[placed.index];
        // Only an instrument or volume token changes what is in force.
        if (!glyph.firstOfEvent || score.tracks[placed.part].events[glyph.event].marks.empty()) {
            continue;
        }
        const std::vector<Mark> marks = shownMarks(score.tracks[placed.part], glyph.event);
        if (marks.empty()) {
            continue;
        }
        std::vector<double> &ends = lineEnds[placed.part];
        std::size_t line = 0;
        while (line < ends.size() && ends[line] + gap > placed.x) {
            ++line;
        }
        double x = placed.x;
        if (line == ends.size() && ends.size() == kMarkLines) {
            line =
                static_cast<std::size_t>(std::min_element(ends.begin(), ends.end()) - ends.begin());
            x = ends[line] + gap;
        } else if (line == ends.size()) {
            ends.push_back(0);
        }
        ends[line] = x + markWidth(metrics, marks);
        placed.markLine = static_cast<int>(line);
        placed.markX = x;
        int &used = linesUsed[placed.part];
        used = std::max(used, static_cast<int>(line) + 1);
    }
}

} // namespace

namespace detail {

double systemRoom(const Metrics &metrics, double width) {
    return std::max(width - metrics.label, metrics.cell);
}

double systemStretch(const std::vector<BarColumns> &columns, std::size_t first, std::size_t end,
                     bool last, double room, double stretchBefore) {
    double used = 0;
    for (std::size_t b = first; b < end; ++b) {
        used += columns[b].width;
    }
    // Every line but the last fills the width; the last keeps the spacing of the line
    // before it as far as the width allows, so its bars look like the others.
    const double fill = std::max(1.0, room / used);
    return !last ? fill : std::min(fill, stretchBefore);
}

System placeSystem(const Score &score, const std::vector<BarColumns> &columns,
                   const Metrics &metrics, std::size_t first, std::size_t end,
                   const std::vector<bool> &shown, double stretch, std::vector<int> &markLines,
                   System system) {
    system.firstBar = first;
    system.endBar = end;
    system.top = system.height = 0;
    system.last = end == score.bars.size();
    system.barLines.clear();
    system.glyphs.clear();
    system.rows.assign(score.tracks.size(), Row{});
    for (std::size_t part = 0; part < system.rows.size(); ++part) {
        system.rows[part].shown = shown[part];
        system.rows[part].program = programAt(score.tracks[part], score.bars[first].onset);
    }
    double x = metrics.label;
    system.barLines.push_back(x);
    for (std::size_t b = first; b < end; ++b) {
        x += columns[b].width * stretch;
        system.barLines.push_back(x);
    }
    placeGlyphs(system, score, columns, stretch);
    placeMarks(system, score, metrics, markLines);
    placeSyllables(system, score, metrics);
    return system;
}

void stackSystems(Layout &layout, const std::vector<int> &markLines, const Score &score,
                  const Metrics &metrics, const std::vector<bool> &rowsPlaced) {
    // A part's row has the same height in every system, with room for all its marks.
    layout.height = 0;
    for (std::size_t s = 0; s < layout.systems.size(); ++s) {
        System &system = layout.systems[s];
        if (s >= rowsPlaced.size() || !rowsPlaced[s]) {
            for (std::size_t part = 0; part < system.rows.size(); ++part) {
                system.rows[part].markLines = markLines[part];
            }
            placeRows(system.rows, score, metrics);
            system.height = metrics.barNumber;
            for (const Row &row : system.rows) {
                system.height = std::max(system.height, row.bottom);
            }
        }
        system.top = layout.height;
        layout.height += system.height + metrics.systemGap;
    }
}

} // namespace detail

Layout layoutSystems(const Score &score, const Metrics &metrics, double width) {
    std::vector<detail::BarColumns> columns;
    columns.reserve(score.bars.size());
    for (std::size_t b = 0; b < score.bars.size(); ++b) {
        columns.push_back(detail::barColumns(score, b, metrics));
    }
    // A part without a note anywhere is left out of every system; a score of rests only
    // shows them all.
    const std::vector<bool> inScore =
        detail::shownParts(score, detail::playingParts(score, 0, score.bars.size()),
                           std::vector<bool>(score.tracks.size(), true));
    const double room = detail::systemRoom(metrics, width);
    Layout layout;
    std::size_t first = 0;
    double stretch = 1.0;
    std::vector<int> markLines(score.tracks.size(), 0);
    for (const std::size_t end : detail::balancedBreaks(columns, room)) {
        stretch =
            detail::systemStretch(columns, first, end, end == score.bars.size(), room, stretch);
        const std::vector<bool> shown =
            detail::shownParts(score, detail::playingParts(score, first, end), inScore);
        layout.systems.push_back(
            detail::placeSystem(score, columns, metrics, first, end, shown, stretch, markLines));
        first = end;
    }
    detail::stackSystems(layout, markLines, score, metrics);
    return layout;
}

std::vector<Page> paginate(const Layout &layout, double firstRoom, double room) {
    const std::vector<System> &systems = layout.systems;
    std::vector<Page> pages;
    Page page;
    double left = firstRoom;
    for (std::size_t s = 0; s < systems.size(); ++s) {
        if (systems[s].height > left && page.endSystem > page.firstSystem) {
            pages.push_back(page);
            page = Page{s, s};
            left = room;
        }
        page.endSystem = s + 1;
        // A system takes its height and the gap before the next one.
        left -= s + 1 < systems.size() ? systems[s + 1].top - systems[s].top : systems[s].height;
    }
    pages.push_back(page);
    return pages;
}

std::optional<GlyphRef> glyphAt(const Layout &layout, const Metrics &metrics, double x, double y) {
    for (const System &system : layout.systems) {
        if (y < system.top || y >= system.top + system.height) {
            continue;
        }
        for (const PlacedGlyph &glyph : system.glyphs) {
            if (glyph.filler) {
                continue;
            }
            const Row &row = system.rows[glyph.part];
            const double rowY = y - system.top;
            if (x >= glyph.x && x < glyph.x + metrics.cell && rowY >= row.top &&
                rowY < row.bottom) {
                return GlyphRef{glyph.bar, glyph.part, glyph.index};
            }
        }
    }
    return std::nullopt;
}

} // namespace tunelet::notation
