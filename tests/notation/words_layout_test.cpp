// Tests of the words under the notes: where each syllable stands, the room it gets, and
// the rows that hold the verses.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "notation/bar_layout.h"
#include "notation/system_layout.h"
#include "notation/words_layout.h"

namespace tunelet::notation {
namespace {

using Words = std::vector<std::vector<std::string>>; // by part, then verse

Metrics wordMetrics() {
    Metrics m;
    m.cell = 10;
    m.shortCell = 8;
    m.dotRoom = 4;
    m.barPad = 5;
    m.label = 50;
    m.verseHeight = 18;
    m.syllableGap = 4;
    // Ten for each letter (a Chinese character counts as one).
    m.syllableWidth = [](const std::string &text) {
        double letters = 0;
        for (const char c : text) {
            letters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        }
        return 10 * letters;
    };
    return m;
}

Score scoreWith(const std::vector<std::string> &lines, const Words &words,
                TimeSignature time = {4, 4}) {
    Score score = buildScore(lines, time);
    setWords(score, words);
    return score;
}

// Each syllable as verse:text@event, "-" with a hyphen after it, "_N" held to event N.
std::string sung(const Layout &layout) {
    std::string text;
    for (const System &system : layout.systems) {
        for (const PlacedSyllable &s : system.syllables) {
            text += text.empty() ? "" : " ";
            text += std::to_string(s.verse);
            text += ":";
            text += s.text;
            text += "@";
            text += std::to_string(s.event);
            text += s.hyphenTo >= 0 ? "-" : "";
            if (s.lineTo >= 0) {
                text += "_";
                text += std::to_string(s.lastEvent);
            }
        }
        text += " |";
    }
    return text;
}

TEST(NotationWords, EachSyllableGoesToItsNote) {
    struct Case {
        const char *rule;
        const char *line;
        std::vector<std::string> verses;
        double width;
        const char *syllables;
    };
    const Case cases[] = {
        {"one character a note", "1fd/1fd/5fd/", {"一闪一"}, 400, "0:一@0 0:闪@1 0:一@2 |"},
        {"rests take none", "1fd/0d/2fd/", {"一闪"}, 400, "0:一@0 0:闪@2 |"},
        {"a note tied over the bar line takes one",
         "1fb/2fc/3fd/",
         {"一闪亮"},
         400,
         "0:一@0 0:闪@1 0:亮@2 |"},
        {"verses stacked in order",
         "1fd/2fd/",
         {"一闪", "二亮"},
         400,
         "0:一@0 0:闪@1 1:二@0 1:亮@1 |"},
        {"an empty first verse keeps its line", "1fd/2fd/", {"", "二亮"}, 400, "1:二@0 1:亮@1 |"},
        {"a hyphen to the next syllable",
         "1fd/2fd/3fd/",
         {"Twin-kle star"},
         400,
         "0:Twin@0- 0:kle@1 0:star@2 |"},
        {"a melisma held over two notes", "1fd/2fd/3fd/4fd/", {"一__闪"}, 400, "0:一@0_2 0:闪@3 |"},
        {"a skipped note", "1fd/2fd/", {"*闪"}, 400, "0:闪@1 |"},
        {"more syllables than notes", "1fd/", {"一闪"}, 400, "0:一@0 |"},
        {"no hyphen to a syllable without a note",
         "1fd/2fd/",
         {"a Twin-kle"},
         400,
         "0:a@0 0:Twin@1 |"},
        {"a melisma broken by the line comes in again",
         "1fc/2fc/3fc/4fc/",
         {"一___"},
         100,
         "0:一@0_1 | 0:@2_3 |"},
        {"a hyphen broken by the line runs to its end",
         "1fa/2fa/",
         {"Twin-kle"},
         100,
         "0:Twin@0- | 0:kle@1 |"},
    };
    for (const Case &c : cases) {
        const Layout layout =
            layoutSystems(scoreWith({c.line}, {c.verses}), wordMetrics(), c.width);
        EXPECT_EQ(sung(layout), c.syllables) << c.rule;
    }
}

// Where a syllable is wider than its note's room the note gets more, so the syllables of
// a verse keep a gap, with room for a hyphen; each stays centred under its digit.
TEST(NotationWords, SyllablesNeverOverlap) {
    struct Case {
        const char *rule;
        std::vector<std::string> lines;
        Words words;
    };
    const Case cases[] = {
        {"characters under sixteenths", {"1ff/2ff/3ff/4ff/5fd/"}, {{"一闪一闪亮"}}},
        {"long words under eighths", {"1fe/2fe/3fe/4fe/"}, {{"Twinkle twinkle little star"}}},
        {"hyphens need room too", {"1fe/2fe/3fe/4fe/"}, {{"ab-cd-ef-gh"}}},
        {"every verse", {"1fe/2fe/3fd/"}, {{"一闪亮", "Twinkle twinkle star"}}},
        {"two parts at once", {"1fe/2fe/3fd/", "1fd/2fe/3fe/"}, {{"一闪亮"}, {"Up above world"}}},
        {"across bar lines",
         {"1fe/2fe/3fe/4fe/5fe/6fe/7fe/1ge/2ge/"},
         {{"aaaaa bbbbb ccccc ddddd eeeee ffffff ggggg hhhhh iiiii"}}},
    };
    const Metrics m = wordMetrics();
    for (const Case &c : cases) {
        const Score score = scoreWith(c.lines, c.words);
        const Layout layout = layoutSystems(score, m, 2000);
        ASSERT_EQ(layout.systems.size(), 1u) << c.rule;
        const System &system = layout.systems[0];
        ASSERT_FALSE(system.syllables.empty()) << c.rule;
        const PlacedSyllable *before = nullptr;
        for (const PlacedSyllable &s : system.syllables) {
            for (const PlacedGlyph &g : system.glyphs) {
                const Glyph &glyph = score.bars[g.bar].parts[g.part].glyphs[g.index];
                if (g.part == s.part && glyph.event == s.event && glyph.firstOfEvent) {
                    EXPECT_DOUBLE_EQ(s.x, g.x + m.shortCell / 2) << c.rule << " " << s.text;
                }
            }
            EXPECT_GE(s.x - s.width / 2, system.barLines.front()) << c.rule << " " << s.text;
            if (before != nullptr && before->part == s.part && before->verse == s.verse) {
                const double room = before->hyphenTo >= 0 ? 2 * m.syllableGap : m.syllableGap;
                EXPECT_GE(s.x - s.width / 2 - (before->x + before->width / 2), room - 1e-9)
                    << c.rule << " " << before->text << " " << s.text;
            }
            before = &s;
        }
        EXPECT_LE(before->x + before->width / 2, system.barLines.back()) << c.rule;
    }
}

// A part without words lays out as before; words that fit their notes move nothing; each
// verse makes its row one line taller.
TEST(NotationWords, RowsMakeRoomForTheVerses) {
    const Metrics m = wordMetrics();
    const std::vector<std::string> lines = {"1fc/2fc/3fc/4fc/", "5fa/5fa/"};
    const Layout plain = layoutSystems(buildScore(lines, {4, 4}), m, 400);
    const Score unset = scoreWith(lines, {{"", ""}, {}});
    EXPECT_TRUE(unset.words.empty()) << "empty verses are no words";
    EXPECT_TRUE(layoutSystems(unset, m, 400) == plain);

    const struct {
        Words words;
        int verses[2];
    } cases[] = {{{{"一闪一闪"}}, {1, 0}}, {{{"一闪", "亮晶"}, {"满天"}}, {2, 1}}};
    for (const auto &c : cases) {
        const Layout layout = layoutSystems(scoreWith(lines, c.words), m, 400);
        const System &system = layout.systems[0];
        EXPECT_EQ(system.glyphs, plain.systems[0].glyphs) << "words that fit widen nothing";
        EXPECT_EQ(system.barLines, plain.systems[0].barLines);
        for (std::size_t part = 0; part < 2; ++part) {
            const Row &row = system.rows[part];
            const Row &before = plain.systems[0].rows[part];
            EXPECT_EQ(row.verses, c.verses[part]);
            EXPECT_DOUBLE_EQ(row.wordsTop - row.top, before.bottom - before.top);
            EXPECT_DOUBLE_EQ(row.bottom - row.wordsTop, c.verses[part] * m.verseHeight);
        }
        EXPECT_DOUBLE_EQ(system.height - plain.systems[0].height,
                         (c.verses[0] + c.verses[1]) * m.verseHeight);
    }
}

} // namespace
} // namespace tunelet::notation
