// Tests of the numbered-notation layout: the glyphs of each rule, systems, pages, hits.
#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "notation/bar_layout.h"
#include "notation/layout_cache.h"
#include "notation/system_layout.h"
#include "notation/words_layout.h"

namespace tunelet::notation {
namespace {

// A part written out: "#" a sharp, "b" a flat (drawn on a note's first glyph only), ' and , the
// octave dots, _ the underlines, - the dashes, . the dot, ~ a tie to the next glyph; bars apart by
// " | "; then each bar's shared underlines as {level:first-last}.
std::string written(const Score &score, std::size_t part = 0) {
    std::string text;
    for (const Bar &bar : score.bars) {
        if (!text.empty()) {
            text += " | ";
        }
        const PartBar &partBar = bar.parts[part];
        for (std::size_t i = 0; i < partBar.glyphs.size(); ++i) {
            const Glyph &g = partBar.glyphs[i];
            text += i == 0 ? "" : " ";
            text += std::string(g.firstOfEvent ? (g.accidental > 0   ? "#"
                                                  : g.accidental < 0 ? "b"
                                                                     : "")
                                               : "") +
                    std::to_string(g.degree) +
                    std::string(static_cast<std::size_t>(std::max(g.octave, 0)), '\'') +
                    std::string(static_cast<std::size_t>(std::max(-g.octave, 0)), ',') +
                    std::string(static_cast<std::size_t>(g.underlines), '_') +
                    std::string(static_cast<std::size_t>(g.dashes), '-') + (g.dotted ? "." : "") +
                    (g.tiedToNext ? "~" : "");
        }
        for (const Beam &beam : partBar.beams) {
            text += " {" + std::to_string(beam.level) + ":" + std::to_string(beam.first) + "-" +
                    std::to_string(beam.last) + "}";
        }
    }
    return text;
}

TEST(NotationLayout, EachRuleGivesItsGlyphs) {
    struct Case {
        const char *rule;
        const char *line;
        TimeSignature time;
        const char *glyphs;
    };
    const TimeSignature t44{4, 4}, t24{2, 4}, t34{3, 4}, t38{3, 8}, t68{6, 8};
    const Case cases[] = {
        {"duration a: three dashes", "1fa/", t44, "1---"},
        {"duration b: two dashes", "1fb/", t44, "1--"},
        {"duration c: one dash", "1fc/", t44, "1-"},
        {"duration d: a plain digit", "1fd/", t44, "1"},
        {"duration e: one underline", "1fe/", t44, "1_ {1:0-0}"},
        {"duration f: two underlines", "1ff/", t44, "1__ {1:0-0} {2:0-0}"},
        {"duration g: three underlines", "1fg/", t44, "1___ {1:0-0} {2:0-0} {3:0-0}"},
        {"duration h: digit and dot", "1fh/", t44, "1."},
        {"octave a: five dots below", "1ad/", t44, "1,,,,,"},
        {"octave b", "1bd/", t44, "1,,,,"},
        {"octave c", "1cd/", t44, "1,,,"},
        {"octave d", "1dd/", t44, "1,,"},
        {"octave e: one dot below", "1ed/", t44, "1,"},
        {"octave f: no dot", "1fd/", t44, "1"},
        {"octave g: one dot above", "1gd/", t44, "1'"},
        {"octave h", "1hd/", t44, "1''"},
        {"octave i", "1id/", t44, "1'''"},
        {"octave j", "1jd/", t44, "1''''"},
        {"octave k: five dots above", "5kd/", t44, "5'''''"},
        {"sharps v w x y z", "vfd/wfd/xfd/yfd/", t44, "#1 #2 #4 #5"},
        {"sharp z", "zfd/", t44, "#6"},
        {"whole rest: one 0 a beat", "0a/", t44, "0 0 0 0"},
        {"rest of a beat and a half", "0h/", t44, "0 0_ {1:1-1}"},
        {"half-beat rest", "0e/1fe/", t44, "0_ 1_ {1:0-1}"},
        {"notes of a beat share a line", "1fe/2fe/3fe/4fe/", t44, "1_ 2_ 3_ 4_ {1:0-1} {1:2-3}"},
        {"longest line nearest the digits", "1ff/2ff/3fe/", t44, "1__ 2__ 3_ {1:0-2} {2:0-1}"},
        {"a beat note breaks the group", "1fe/2fd/3fe/", t44, "1_ 2 3_ {1:0-0} {1:2-2}"},
        {"a short note across a beat is tied", "1fe/2ff/3fe/4ff/", t44,
         "1_ 2__ 3__~ 3__ 4__ {1:0-2} {1:3-4} {2:1-2} {2:3-4}"},
        {"dotted beat and a half", "1fh/2fe/", t44, "1. 2_ {1:1-1}"},
        {"a note across the bar line is tied", "1fb/2fc/", t44, "1-- 2~ | 2"},
        {"a tied sharp is drawn once", "1fb/vfc/", t44, "1-- #1~ | 1"},
        {"a whole note in 2/4", "1fa/", t24, "1-~ | 1-"},
        {"rests across the bar line are not tied", "0b/0c/", t24, "0 0 | 0 0 | 0"},
        {"3/4: three beats a bar", "1fd/2fd/3fd/4fd/", t34, "1 2 3 | 4"},
        {"3/4: a whole note", "1fa/", t34, "1--~ | 1"},
        {"3/8: three eighths a bar", "1fd/2fe/3fd/", t38, "1 2_ {1:1-1} | 3"},
        {"6/8: eighths grouped by three", "1fe/2fe/3fe/4fe/5fe/6fe/", t68,
         "1_ 2_ 3_ 4_ 5_ 6_ {1:0-2} {1:3-5}"},
        {"6/8: a whole note", "1fa/", t68, "1--~ | 1"},
        {"6/8: a bar of rest is a dotted 0 a beat", "0b/", t68, "0. 0."},
        {"6/8: rests split alike in each beat", "0d/0d/0d/", t68,
         "0_ 0_ 0_ 0_ 0_ 0_ {1:0-2} {1:3-5}"},
        {"6/8: a rest after a note in its beat", "1fd/0e/0h/", t68, "1 0_ 0. {1:1-1}"},
        {"3/8: a bar of rest", "0h/", t38, "0."},
        {"3/8: a quarter rest", "0d/1fe/", t38, "0_ 0_ 1_ {1:0-2}"},
        {"2/2: two halves a bar", "1fc/2fb/3fd/", TimeSignature{2, 2}, "1- 2-~ | 2 3"},
        {"5/4: five beats a bar", "1fa/2fc/3fd/", TimeSignature{5, 4}, "1--- 2~ | 2 3"},
        {"12/8: four beats of a dotted quarter", "0h/0h/0h/0h/", TimeSignature{12, 8},
         "0. 0. 0. 0."},
        {"5/8: eighths grouped by a quarter", "1fe/2fe/3fe/4fe/5fe/", TimeSignature{5, 8},
         "1_ 2_ 3_ 4_ 5_ {1:0-1} {1:2-3} {1:4-4}"},
        {"1/4: one beat a bar", "1fd/2fc/", TimeSignature{1, 4}, "1 | 2~ | 2"},
        {"beat written as an eighth: c reads as a quarter", "1fc/2fd/3fe/1fg/",
         TimeSignature{3, 4, 8}, "1 2_ 3__ 1____ {1:1-3} {2:2-3} {3:3-3} {4:3-3}"},
        {"beat written as an eighth: a bar of 3/4", "1fa/2fc/", TimeSignature{3, 4, 8}, "1- 2"},
        {"beat written as a half", "1fd/2fe/3ff/", TimeSignature{2, 2, 2}, "1- 2 3_ {1:2-2}"},
        {"pickup of a beat; the last bar completes it", "5ed/1fb/2fc/", TimeSignature{3, 4, 4, 48},
         "5, | 1-- | 2-"},
        {"pickup: its beats are the last of a bar", "5ee/6ee/7ee/1fb/", TimeSignature{3, 4, 4, 72},
         "5,_ 6,_ 7,_ {1:0-0} {1:1-2} | 1--"},
        {"pickup: a note across its bar line is tied", "5ec/1fc/", TimeSignature{3, 4, 4, 48},
         "5,~ | 5, 1-"},
        {"pickup in 6/8", "5ee/1fh/2fh/", TimeSignature{6, 8, 4, 24}, "5,_ {1:0-0} | 1. 2."},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(written(buildScore({c.line}, c.time)), c.glyphs) << c.rule;
    }
}

// Each pitch is written as a degree of the song's key (the script itself stays in C).
TEST(NotationLayout, EachKeyWritesItsDegrees) {
    struct Case {
        const char *key;
        int tonic;
        const char *line;
        const char *glyphs;
    };
    const Case cases[] = {
        {"1=C reads as the script, its sharps included", 0, "1fd/vfd/wfd/xfd/yfd/zfd/7ed/1gd/0d/",
         "1 #1 #2 #4 | #5 #6 7, 1' | 0"},
        {"1=G: the scale from G3 unmarked", 7, "5ed/6ed/7ed/1fd/2fd/3fd/xfd/5fd/",
         "1 2 3 4 | 5 6 7 1'"},
        {"1=G: altered degrees", 7, "yed/wfd/5fd/", "#1 b6 1'"},
        {"1=F: flats, and C below F4", 5, "1fd/zfd/wfd/7fd/4fd/", "5, 4 b7, #4 | 1"},
        {"1=D: the tonic nearest middle C", 2, "2fd/1fd/7ed/", "1 b7, 6,"},
        {"1=♭B: from B♭3", 10, "zed/2fd/wfd/zfd/", "1 3 4 1'"},
        {"1=♯F: from F♯3", 6, "xed/xfd/5ed/", "1 1' #1"},
        {"a rest stays 0", 7, "0d/", "0"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(written(buildScore({c.line}, {4, 4}, -1, c.tonic)), c.glyphs) << c.key;
    }
    // A row makes room for the dots as written in the key, not in C.
    const Score inG = buildScore({"5ed/"}, {4, 4}, -1, 7);
    EXPECT_EQ(inG.rows[0].dotsBelow, 0);
}

// With a pickup the bars are counted from the first full one; each bar knows its length.
TEST(NotationLayout, APickupIsBarZero) {
    struct Case {
        const char *rule;
        TimeSignature time;
        const char *line;
        std::vector<std::array<int, 3>> bars; // number, onset, length
    };
    const Case cases[] = {
        {"no pickup", {3, 4}, "1fa/", {{1, 0, 144}, {2, 144, 144}}},
        {"a pickup of a beat",
         {3, 4, 4, 48},
         "5ed/1fb/2fc/",
         {{0, 0, 48}, {1, 48, 144}, {2, 192, 144}}},
        {"with c as the beat", {3, 4, 8, 96}, "5ec/1fa/1fd/", {{0, 0, 96}, {1, 96, 288}}},
    };
    for (const Case &c : cases) {
        std::vector<std::array<int, 3>> bars;
        for (const Bar &bar : buildScore({c.line}, c.time).bars) {
            bars.push_back({bar.number, bar.onset, bar.length});
        }
        EXPECT_EQ(bars, c.bars) << c.rule;
    }
}

TEST(NotationLayout, EventsKeepTheirTokensAndMarks) {
    const Score score = buildScore({"@040/#100/1fd/0e/2fd/@073/#090/", "3fd/"}, {4, 4});
    const std::vector<TimedEvent> &events = score.tracks[0].events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].marks.size(), 2u);
    EXPECT_EQ(events[0].tokenEnd, 14u) << "the caret goes after the note's separator";
    EXPECT_EQ(events[1].tokenEnd, 17u);
    EXPECT_EQ(events[2].onset, 72);
    EXPECT_EQ(score.tracks[0].firstProgram, 40);
    EXPECT_EQ(score.tracks[1].events[0].volume, 90) << "the volume carries to the next track";
    EXPECT_TRUE(buildScore({"1fd/1F"}, {4, 4}).tracks[0].faulty);
}

Metrics unitMetrics() {
    Metrics m;
    m.cell = 10;
    m.shortCell = 8;
    m.dotRoom = 4;
    m.barPad = 5;
    m.label = 50;
    return m;
}

TEST(NotationLayout, SystemsBreakToTheWidthAndAlignPartsByTime) {
    // Four quarters a bar: 4 cells and 2 pads, 50 wide; eighths under a beat widen it.
    std::string line;
    for (int i = 0; i < 40; ++i) {
        line += "1fd/";
    }
    const Score score = buildScore({line, "1fa/2fe/3fe/4fd/"}, {4, 4});
    const Layout layout = layoutSystems(score, unitMetrics(), 50 + 3 * 50 + 20);
    ASSERT_EQ(layout.systems.size(), 4u) << "three bars of 50 to 60 fit beside the labels";
    EXPECT_DOUBLE_EQ(layout.systems[0].barLines.back(), 220) << "stretched to the width";
    const System &first = layout.systems[0];
    // The second part's eighths in bar 2 stand under the first part's beats.
    std::vector<double> x[2];
    for (const PlacedGlyph &g : first.glyphs) {
        if (g.bar == 1) {
            x[g.part].push_back(g.x);
        }
    }
    ASSERT_EQ(x[1].size(), 5u) << "the second part ends in rests to the end of its system";
    EXPECT_DOUBLE_EQ(x[1][0], x[0][0]);
    EXPECT_DOUBLE_EQ(x[1][2], x[0][1]);
    EXPECT_LT(x[1][1], x[1][2]);
    EXPECT_GT(first.rows[1].top, first.rows[0].bottom);
}

// The bars of each system, as "3 3 2 2".
std::string barsPerSystem(const Layout &layout) {
    std::string text;
    for (const System &system : layout.systems) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(system.endBar - system.firstBar);
    }
    return text;
}

TEST(NotationLayout, LineBreaksSpreadTheBarsEvenly) {
    struct Case {
        const char *rule;
        int bars;     // of four quarters, 50 wide
        double width; // the label column of 50 included
        const char *systems;
        double lastEnd; // the last system's right end
    };
    const Case cases[] = {
        {"one line keeps its natural width", 3, 400, "3", 200},
        {"nine bars where seven fit: five and four", 9, 400, "5 4", 50 + 4 * 70},
        {"ten bars where three fit: no lone bar", 10, 200, "3 3 2 2", 200},
        {"a full last line", 6, 200, "3 3", 200},
        {"a bar wider than the line stands alone", 2, 80, "1 1", 100},
    };
    for (const Case &c : cases) {
        std::string line;
        for (int i = 0; i < 4 * c.bars; ++i) {
            line += "1fd/";
        }
        const Layout layout = layoutSystems(buildScore({line}, {4, 4}), unitMetrics(), c.width);
        EXPECT_EQ(barsPerSystem(layout), c.systems) << c.rule;
        EXPECT_DOUBLE_EQ(layout.systems.back().barLines.back(), c.lastEnd) << c.rule;
    }
}

// The parts each system shows, counted from 1, as "1 2 | 1".
std::string shownParts(const Layout &layout) {
    std::string text;
    for (const System &system : layout.systems) {
        text += text.empty() ? "" : " |";
        for (std::size_t part = 0; part < system.rows.size(); ++part) {
            if (system.rows[part].shown) {
                text += ' ';
                text += std::to_string(part + 1);
            }
        }
    }
    return text.substr(1);
}

TEST(NotationLayout, SystemsLeaveOutPartsThatOnlyRest) {
    struct Case {
        const char *rule;
        std::vector<std::string> lines; // one bar to a system
        int editedPart;
        const char *shown;
    };
    const Case cases[] = {
        {"an empty track is left out", {"1fa/1fa/", "", "2fa/2fa/"}, -1, "1 3 | 1 3"},
        {"a part that ends shows rests to its system's end",
         {"1fa/1fa/1fa/", "1fd/"},
         -1,
         "1 2 | 1 | 1"},
        {"a part that rests a while comes back",
         {"1fa/1fa/1fa/", "1fa/0a/1fa/"},
         -1,
         "1 2 | 1 | 1 2"},
        {"the part being composed always shows", {"1fa/1fa/", ""}, 1, "1 2 | 1 2"},
        {"a bar where all rest shows the score's parts",
         {"1fa/0a/", "2fa/0a/", ""},
         -1,
         "1 2 | 1 2"},
        {"a score of rests shows them", {"0a/", "0a/"}, -1, "1 2"},
    };
    for (const Case &c : cases) {
        const Layout layout =
            layoutSystems(buildScore(c.lines, {4, 4}, c.editedPart), unitMetrics(), 100);
        EXPECT_EQ(shownParts(layout), c.shown) << c.rule;
    }
    const Metrics m = unitMetrics();
    const Score score = buildScore({"1fa/1fa/", "1fd/"}, {4, 4});
    const Layout layout = layoutSystems(score, m, 100);
    ASSERT_EQ(layout.systems.size(), 2u);
    EXPECT_LT(layout.systems[1].height, layout.systems[0].height);
    EXPECT_EQ(layout.systems[1].top, layout.systems[0].height + m.systemGap);
    EXPECT_EQ(written(score, 1), "1 0 0 0 | 0 0 0 0");
    const PlacedGlyph &rest = layout.systems[0].glyphs.back();
    ASSERT_TRUE(rest.filler);
    EXPECT_FALSE(glyphAt(layout, m, rest.x + 1, layout.systems[0].rows[1].baseline - 1))
        << "a rest after the track's end stands for no token";
}

TEST(NotationLayout, MarksShowOnlyWhatChanges) {
    struct Case {
        const char *rule;
        const char *line;
        const char *marks; // per event, "@40 #100", events apart by "|"
    };
    const Case cases[] = {
        {"an instrument and a volume", "@040/#100/1fd/2fd/", "@40 #100|"},
        {"the starting volume again says nothing", "#080/1fd/", ""},
        {"a repeated volume is dropped", "#100/1fd/#100/2fd/#090/3fd/", "#100||#90"},
        {"a value changed twice counts once", "#100/#090/1fd/@001/@000/2fd/", "#90|@0"},
        {"an instrument on a rest", "@053/0d/1fd/", "@53|"},
    };
    for (const Case &c : cases) {
        const Track track = readTrack(c.line);
        std::string text;
        for (std::size_t e = 0; e < track.events.size(); ++e) {
            text += e == 0 ? "" : "|";
            for (const Mark &mark : shownMarks(track, e)) {
                text += text.empty() || text.back() == '|' ? "" : " ";
                text += mark.kind == Mark::Kind::Program ? '@' : '#';
                text += std::to_string(mark.value);
            }
        }
        EXPECT_EQ(text, c.marks) << c.rule;
    }
}

TEST(NotationLayout, MarksNeverOverlap) {
    struct Case {
        const char *rule;
        const char *line;
        double markWidth;  // of each note's marks; the notes stand 10 apart
        const char *lines; // per note with marks, its line; ">" when moved right
    };
    const Case cases[] = {
        {"marks apart stay on the first line", "#090/1fc/#100/2fc/", 15, "0 0"},
        {"close marks stack", "#090/1fd/#091/2fd/#092/3fd/#093/4fd/", 25, "0 1 2 0"},
        {"when three lines are taken they move right", "#090/1fd/#091/2fd/#092/3fd/#093/4fd/", 35,
         "0 1 2 0>"},
        {"a repeat takes no room", "#090/1fd/#090/2fd/#092/3fd/", 15, "0 0"},
    };
    for (const Case &c : cases) {
        Metrics m = unitMetrics();
        m.markWidth = [&c](const std::vector<Mark> &) { return c.markWidth; };
        const Layout layout = layoutSystems(buildScore({c.line}, {4, 4}), m, 400);
        std::string text;
        int most = 0;
        for (const PlacedGlyph &g : layout.systems[0].glyphs) {
            if (g.markLine >= 0) {
                text += text.empty() ? "" : " ";
                text += std::to_string(g.markLine);
                text += g.markX > g.x ? ">" : "";
                most = std::max(most, g.markLine + 1);
            }
        }
        EXPECT_EQ(text, c.lines) << c.rule;
        const Row &row = layout.systems[0].rows[0];
        EXPECT_EQ(row.markLines, most) << c.rule;
        EXPECT_DOUBLE_EQ(row.baseline - row.top, most * m.markHeight + m.digitHeight) << c.rule;
    }
}

TEST(NotationLayout, TheLabelNamesTheInstrumentAtEachSystemStart) {
    const Layout layout = layoutSystems(
        buildScore({"1fa/@053/2fa/3fd/@040/3fc/4fd/", "0a/"}, {4, 4}), unitMetrics(), 100);
    std::string programs;
    for (const System &system : layout.systems) {
        programs += std::to_string(system.rows[0].program) + " ";
    }
    EXPECT_EQ(programs, "-1 53 53 ");
}

// Each digit has its room, whichever part has the shorter notes at a moment.
TEST(NotationLayout, EachDigitHasItsRoomInEveryPart) {
    const Metrics m = unitMetrics();
    for (const std::vector<std::string> &lines :
         {std::vector<std::string>{"1fe/2fe/3fd/", "1fd/2fd/"}, {"1fd/2fd/", "1fe/2fe/3fd/"}}) {
        const Score score = buildScore(lines, {4, 4});
        const System system = layoutSystems(score, m, 400).systems.at(0);
        double free[2] = {0, 0}; // where each part's next digit may start
        for (const PlacedGlyph &g : system.glyphs) {
            const Glyph &glyph = score.bars[g.bar].parts[g.part].glyphs[g.index];
            EXPECT_GE(g.x, free[g.part]) << lines[0] << ", part " << g.part;
            free[g.part] = g.x + (glyph.underlines > 0 ? m.shortCell : m.cell);
        }
    }
}

// A row makes room above its digits for marks and high octave dots, below them for
// underlines and low octave dots.
TEST(NotationLayout, ARowMakesRoomForWhatItDraws) {
    const struct {
        const char *line;
        double above, below; // from the row's top to the baseline, from there to its bottom
    } rows[] = {{"1fd/", 16, 3},
                {"1hd/", 24, 3},
                {"1dd/", 16, 11},
                {"1hd/1dd/", 24, 11},
                {"@040/1ff/", 26, 9}};
    for (const auto &row : rows) {
        const Row r =
            layoutSystems(buildScore({row.line}, {4, 4}), Metrics{}, 400).systems[0].rows[0];
        EXPECT_EQ(std::make_pair(r.baseline - r.top, r.bottom - r.baseline),
                  std::make_pair(row.above, row.below))
            << row.line;
    }
}

TEST(NotationLayout, DashesAndTiesArePlaced) {
    const Layout layout = layoutSystems(buildScore({"1fb/2fc/"}, {4, 4}), unitMetrics(), 110);
    ASSERT_EQ(layout.systems.size(), 2u);
    const PlacedGlyph &held = layout.systems[0].glyphs[0];
    EXPECT_DOUBLE_EQ(held.dashX[0] - held.x, 12) << "a cell on, stretched with the line";
    EXPECT_DOUBLE_EQ(held.dashX[1] - held.dashX[0], 12);
    const PlacedGlyph &tied = layout.systems[0].glyphs[1];
    EXPECT_DOUBLE_EQ(tied.tieEndX, layout.systems[0].barLines.back())
        << "a tie into the next system ends at the line's end";
    const std::vector<PlacedGlyph> &next = layout.systems[1].glyphs;
    ASSERT_FALSE(next.empty());
    EXPECT_TRUE(next[0].tieIn) << "the held note's tie comes in at the next system's start";
    EXPECT_FALSE(tied.tieIn);
    const Layout oneLine = layoutSystems(buildScore({"1fb/2fc/"}, {4, 4}), unitMetrics(), 400);
    ASSERT_EQ(oneLine.systems.size(), 1u);
    EXPECT_FALSE(oneLine.systems[0].glyphs[2].tieIn) << "a tie within a line has no second arc";
}

TEST(NotationLayout, PagesFollowTheLength) {
    std::string line;
    for (int i = 0; i < 200; ++i) {
        line += "1fa/";
    }
    const Layout layout = layoutSystems(buildScore({line}, {4, 4}), unitMetrics(), 300);
    const double system = layout.systems[0].top + layout.systems[1].top;
    const std::vector<Page> pages = paginate(layout, 3 * system, 5 * system);
    ASSERT_GE(pages.size(), 2u);
    EXPECT_EQ(pages[0].endSystem, 3u);
    EXPECT_EQ(pages[1].endSystem - pages[1].firstSystem, 5u);
    EXPECT_EQ(pages.back().endSystem, layout.systems.size());
    const Layout four =
        layoutSystems(buildScore({line.substr(0, 4 * 4)}, {4, 4}), unitMetrics(), 100);
    ASSERT_EQ(four.systems.size(), 4u);
    const double exact = four.systems[3].top + four.systems[3].height;
    EXPECT_EQ(paginate(four, exact, exact).size(), 1u)
        << "the last system fits without a gap after it";
    EXPECT_EQ(paginate(four, exact - 1, exact).size(), 2u);
    const std::vector<Page> tight = paginate(layout, system / 4, 5 * system);
    EXPECT_EQ(tight[0].endSystem, 1u) << "a system taller than the first page's room goes on it";
}

TEST(NotationLayout, ATrackReadAgainFromItsChangeIsAsReadWhole) {
    struct Case {
        const char *edit;
        std::string before;
        std::string after;
        std::size_t dropped; // old events read again
    };
    const Case cases[] = {
        {"a note typed", "1fd/0e/", "1fd/0e/2fd/", 0},
        {"a rest typed after a note without its separator", "1fd", "1fd/0e/", 1},
        {"a note changed in the middle", "1fd/2fd/3fd/", "1fd/4fd/3fd/", 2},
        {"the last note deleted", "1fd/2fd/", "1fd/", 1},
        {"marks after the last note", "1fd/#100/", "1fd/#100/@040/2fd/", 0},
        {"a wrong token typed", "1fd/@040/2fd/", "1fd/@040/2fd/1X/3fd/", 0},
        {"the first instrument changed", "@040/1fd/", "@041/1fd/", 1},
        {"all deleted", "1fd/2fd/", "", 2},
    };
    for (const Case &c : cases) {
        Track track = readTrack(c.before, 90);
        const auto unchanged = static_cast<std::size_t>(
            std::mismatch(c.before.begin(), c.before.end(), c.after.begin(), c.after.end()).first -
            c.before.begin());
        EXPECT_EQ(rereadTrack(track, c.after, unchanged).size(), c.dropped) << c.edit;
        EXPECT_TRUE(track == readTrack(c.after, 90)) << c.edit;
    }
}

std::string repeated(const std::string &text, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) {
        line += text;
    }
    return line;
}

TEST(NotationLayout, AnEditLaidOutAgainGivesWhatAFreshLayoutGives) {
    struct Case {
        const char *edit;
        std::vector<std::string> before;
        std::vector<std::string> after;
        int editedBefore = 2;
        int editedAfter = 2;
        TimeSignature time{4, 4};
        int tonic = 0;
        std::vector<std::vector<std::string>> wordsBefore = {};
        std::vector<std::vector<std::string>> wordsAfter = {};
    };
    // Forty bars of eighths and quarters with an instrument at the start, a part of seven
    // and a half bars whose first note sets the volume, and a short line being composed.
    const std::string longest = "@040/" + repeated("1fd/2fe/3fe/4fd/5fd/", 40);
    const std::string shorter = "#100/" + repeated("3fd/", 30);
    const std::vector<std::string> score = {longest, shorter, "1fd/2fd/"};
    const auto with = [&](std::size_t part, const std::string &line) {
        std::vector<std::string> lines = score;
        lines[part] = line;
        return lines;
    };
    const std::string middle = longest.substr(0, 5 + 20 * 20);
    const Case cases[] = {
        {"a note typed at the end of a short part", score, with(2, "1fd/2fd/3fe/")},
        {"a note at the end of the longest part: a bar more", score, with(0, longest + "1fa/")},
        {"a note inserted in the middle moves the rest", score,
         with(0, middle + "6fe/" + longest.substr(middle.size()))},
        {"a note of another part", score, with(1, "#100/3fd/3fd/4fd/" + shorter.substr(13))},
        {"a volume at a part's end carries into the next", score, with(0, longest + "#100/")},
        {"an instrument at a part's end names the later systems", score,
         with(1, shorter + "@073/1fd/")},
        {"a note tied over the bar line", with(2, "1fd/2fd/3fd/"), with(2, "1fd/2fd/3fd/4fb/")},
        {"another part is being composed", score, score, 2, 1},
        {"a part gets its first note", with(2, "0a/0a/"), with(2, "0a/1fd/"), -1, -1},
        {"crowded marks far on give every system another line", score,
         with(0, longest + repeated("#090/1ff/#091/1ff/", 2))},
        {"an instrument before the first note", score, with(2, "@010/1fd/2fd/")},
        {"a volume between two notes", score, with(2, "1fd/#050/2fd/")},
        {"a wrong token typed", score, with(2, "1fd/2fd/1X/3fd/")},
        {"a high note gives its row room for dots in every system", score, with(2, "1fd/2fd/1jd/")},
        {"a part more", score, {longest, shorter, "1fd/2fd/", "5fd/"}},
        {"in 1=G and 3/4 with a pickup, a note inserted in the middle",
         score,
         with(0, middle + "6fe/" + longest.substr(middle.size())),
         2,
         2,
         {3, 4, 4, 48},
         7},
        {"in 1=F with the beat as an eighth, a high note at the end",
         score,
         with(0, longest + "1jg/"),
         2,
         2,
         {3, 4, 8, 24},
         5},
        {"words given", score, score, 2, 2, {4, 4}, 0, {}, {{"一闪一闪亮晶晶"}}},
        {"a syllable typed in the middle widens the bars after it",
         score,
         score,
         2,
         2,
         {4, 4},
         0,
         {{repeated("一", 60)}},
         {{repeated("一", 30) + "Twinkling" + repeated("一", 30)}}},
        {"a syllable changed in the middle",
         score,
         score,
         2,
         2,
         {4, 4},
         0,
         {{repeated("一", 60)}},
         {{repeated("一", 30) + "Twinkling" + repeated("一", 29)}}},
        {"a second verse makes the row taller",
         score,
         score,
         2,
         2,
         {4, 4},
         0,
         {{"一闪一闪亮晶晶"}},
         {{"一闪一闪亮晶晶", "满天都是小星星"}}},
        {"a note inserted moves the syllables after it",
         score,
         with(0, middle + "6fe/" + longest.substr(middle.size())),
         2,
         2,
         {4, 4},
         0,
         {{repeated("Twin-kle ", 60)}},
         {{repeated("Twin-kle ", 60)}}},
        {"a melisma typed",
         score,
         score,
         2,
         2,
         {4, 4},
         0,
         {{}, {repeated("一闪", 15)}},
         {{}, {repeated("一_", 15)}}},
    };
    const Metrics m = unitMetrics();
    for (const Case &c : cases) {
        LayoutCache cache;
        cache.update(c.before, c.time, c.editedBefore, c.tonic, {}, c.wordsBefore);
        cache.layOut(m, 220);
        ASSERT_GT(cache.layout().systems.size(), 10u) << c.edit;
        // The edit, then back again.
        for (const auto &[lines, edited, words] :
             {std::tuple{c.after, c.editedAfter, c.wordsAfter},
              std::tuple{c.before, c.editedBefore, c.wordsBefore}}) {
            cache.update(lines, c.time, edited, c.tonic, {}, words);
            cache.layOut(m, 220);
            Score fresh = buildScore(lines, c.time, edited, c.tonic);
            setWords(fresh, words);
            EXPECT_TRUE(cache.score() == fresh) << c.edit;
            EXPECT_TRUE(cache.layout() == layoutSystems(fresh, m, 220)) << c.edit;
        }
    }
}

TEST(NotationLayout, APointFindsItsGlyph) {
    const Metrics m = unitMetrics();
    const Layout layout = layoutSystems(buildScore({"1fd/2fd/", "3fd/4fd/"}, {4, 4}), m, 400);
    const System &system = layout.systems[0];
    const PlacedGlyph &target = system.glyphs[3];
    const std::optional<GlyphRef> hit =
        glyphAt(layout, m, target.x + 1, system.rows[1].baseline - 1);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->part, 1u);
    EXPECT_EQ(hit->index, 1u);
    EXPECT_FALSE(glyphAt(layout, m, 1, system.rows[1].baseline - 1)) << "the label column";
}

} // namespace
} // namespace tunelet::notation
