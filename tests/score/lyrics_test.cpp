// Tests of words under the notes: how a typed verse splits into syllables, how syllables
// are typed back, and which note each one goes to.
#include "score/lyrics.h"

#include <gtest/gtest.h>

namespace tunelet::score {
namespace {

using Kind = Syllable::Kind;

Syllable text(const char *t, bool hyphen = false) {
    return {Kind::Text, t, hyphen};
}
const Syllable kExtend{Kind::Extend, "", false};
const Syllable kSkip{Kind::Skip, "", false};

TEST(Syllables, SplitAsTheyAreTyped) {
    const struct {
        const char *name;
        const char *words;
        std::vector<Syllable> syllables;
    } cases[] = {
        {"Empty", "", {}},
        {"OnlySpaces", "  \t ", {}},
        {"ChineseOnePerCharacter", "一闪 一闪", {text("一"), text("闪"), text("一"), text("闪")}},
        {"LatinAtSpaces", "Happy  birthday", {text("Happy"), text("birthday")}},
        {"HyphenJoinsAWord",
         "Twin-kle twin - kle",
         {text("Twin", true), text("kle"), text("twin", true), text("kle")}},
        {"DoubleHyphenIsOne", "Ah--men", {text("Ah", true), text("men")}},
        {"HyphenWithNothingBefore", "-la", {text("la")}},
        {"Extend", "啊_ 啊 _ _", {text("啊"), kExtend, text("啊"), kExtend, kExtend}},
        {"Skip", "*la*", {kSkip, text("la"), kSkip}},
        {"JoinTwoCharactersOnANote", "你~好 吗", {text("你好"), text("吗")}},
        {"JoinLatin", "la~la", {text("lala")}},
        {"ClosingWideMarkStays", "晶晶，满天", {text("晶"), text("晶，"), text("满"), text("天")}},
        {"OpeningWideMarkGoesAfter", "说“好”。", {text("说"), text("“好”。")}},
        {"AsciiMarksAfterACharacter", "好! 走", {text("好!"), text("走")}},
        {"AsciiOpeningBeforeACharacter", "(好)", {text("(好)")}},
        {"LooseAsciiMarkJoinsTheOneBefore", "star , how", {text("star,"), text("how")}},
        {"MarksWithinAWordStay", "don't \"go\"", {text("don't"), text("\"go\"")}},
        {"MarkBeforeAnything", "，好", {text("，好")}},
        {"OnlyAMark", "。", {text("。")}},
        {"EscapedMarks",
         "a\\_b \\* \\~ \\- \\\\",
         {text("a_b"), text("*"), text("~"), text("-"), text("\\")}},
        {"EscapedSpace", "la\\ la", {text("la la")}},
        {"NoBreakSpaceStaysInside", "la\u00A0la", {text("la\u00A0la")}},
        {"IdeographicSpaceSplits", "一\u3000二", {text("一"), text("二")}},
        {"KanaAndHangul",
         "さくら 아리",
         {text("さ"), text("く"), text("ら"), text("아"), text("리")}},
        {"MixedScripts", "我爱you", {text("我"), text("爱"), text("you")}},
        {"BadUtf8IsText", "a\xFF b", {text("a\xFF"), text("b")}},
        {"BackslashAtTheEnd", "a\\", {text("a\\")}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(splitSyllables(c.words), c.syllables) << c.name;
    }
}

// Whatever a file brings, typing the syllables back and splitting them again gives them
// unchanged; words a person typed come back as they would type them.
TEST(Syllables, TypedBackTheySplitTheSame) {
    const struct {
        const char *name;
        std::vector<Syllable> syllables;
        const char *typed;
    } cases[] = {
        {"Chinese", {text("一"), text("闪"), text("晶，"), text("满")}, "一闪晶， 满"},
        {"Latin", {text("Twin", true), text("kle"), text("star")}, "Twin-kle star"},
        {"ExtendAndSkip", {text("啊"), kExtend, kSkip, text("la")}, "啊 _ * la"},
        {"SeveralCharactersOnANote", {text("你好"), text("吗")}, "你~好吗"},
        {"SpaceInside", {text("la la")}, "la\\ la"},
        {"MarksInside", {text("a-b_c*d~e\\")}, "a\\-b\\_c\\*d\\~e\\\\"},
        {"PunctuationOnly", {text("好"), text("!!"), text("，")}, "好 \\!\\! \\，"},
        {"WideMarkInside", {text("你，好")}, "你~\\，~好"},
        {"LatinThenCharacter", {text("a你"), text("b")}, "a~你 b"},
        {"OpeningInside", {text("a(b")}, "a(b"},
        {"EmptyBecomesASkip", {text("")}, "*"},
    };
    for (const auto &c : cases) {
        const std::string typed = joinSyllables(c.syllables);
        EXPECT_EQ(typed, c.typed) << c.name;
        const std::vector<Syllable> expected =
            c.syllables.back().text.empty() && c.syllables.back().kind == Kind::Text
                ? std::vector<Syllable>{kSkip}
                : c.syllables;
        EXPECT_EQ(splitSyllables(typed), expected) << c.name;
    }
}

TEST(Syllables, GoToTheNotesInOrder) {
    using N = NoteSyllable;
    const struct {
        const char *name;
        const char *words;
        std::size_t notes;
        std::vector<NoteSyllable> placed;
        std::size_t unplaced;
    } cases[] = {
        {"OneEach", "一闪", 2, {N{"一"}, N{"闪"}}, 0},
        {"FewerSyllables", "一", 3, {N{"一"}, N{}, N{}}, 0},
        {"MoreSyllables", "一闪一 _ 闪", 2, {N{"一"}, N{"闪"}}, 2},
        {"Hyphen", "Twin-kle", 2, {N{"Twin", true}, N{"kle"}}, 0},
        {"Melisma", "啊 _ _ 呀", 4, {N{"啊"}, N{"", false, true}, N{"", false, true}, N{"呀"}}, 0},
        {"SkipThenText", "* la", 2, {N{}, N{"la"}}, 0},
        {"ExtendAtTheStartIsASkip", "_ la", 2, {N{}, N{"la"}}, 0},
        {"ExtendAfterASkipIsASkip", "la * _", 3, {N{"la"}, N{}, N{}}, 0},
        {"NoNotes", "la", 0, {}, 1},
    };
    for (const auto &c : cases) {
        const PlacedSyllables placed = placeSyllables(splitSyllables(c.words), c.notes);
        EXPECT_EQ(placed.notes, c.placed) << c.name;
        EXPECT_EQ(placed.unplaced, c.unplaced) << c.name;
    }
}

} // namespace
} // namespace tunelet::score
