// Tests of transposition: every note token rewritten in the script's letters, the rest
// kept, and a move out of range refused with the note that would leave it.
#include "export/transpose.h"

#include <gtest/gtest.h>

namespace tunelet::midi {
namespace {

using TF = TransposeFailure;

TEST(TransposeLine, MovesEveryNoteAndKeepsEverythingElse) {
    const struct {
        const char *line;
        int semitones;
        const char *moved; // nullptr: refused
        TF failure;
        std::size_t position;
    } cases[] = {
        {"1fd/2fd/3fd/", 7, "5fd/6fd/7fd/", TF::None, 0},
        {"1fd/2fd/3fd/", 2, "2fd/3fd/xfd/", TF::None, 0},
        {"1fd/3fd/", 1, "vfd/4fd/", TF::None, 0},
        {"7fd/zfd/", 1, "1gd/7fd/", TF::None, 0},
        {"1fd/", -1, "7ed/", TF::None, 0},
        {"1fd/", 24, "1hd/", TF::None, 0},
        {"1fd/", 0, "1fd/", TF::None, 0},
        // Rests, instruments, volumes and any separator stay as written.
        {"@005/#100 0a|1fd 0e.5ga", -12, "@005/#100 0a|1ed 0e.5fa", TF::None, 0},
        {"", 5, "", TF::None, 0},
        {"1ad/5kd/", 0, "1ad/5kd/", TF::None, 0},
        {"1fd/5kd/", 1, nullptr, TF::OutOfRange, 5},
        {"1ad/2ad/", -1, nullptr, TF::OutOfRange, 1},
        {"1fd/yka/", -1, "7ed/5ka/", TF::None, 0},
        {"1fd/1F", 2, nullptr, TF::ScanError, 6},
        {"1fd/#x", 2, nullptr, TF::ScanError, 6},
    };
    for (const auto &c : cases) {
        const TransposeResult r = transposeLine(c.line, c.semitones);
        EXPECT_EQ(r.failure, c.failure) << c.line << " by " << c.semitones;
        EXPECT_EQ(r.position, c.position) << c.line << " by " << c.semitones;
        EXPECT_EQ(r.lines, c.moved ? std::vector<std::string>{c.moved} : std::vector<std::string>{})
            << c.line << " by " << c.semitones;
    }
    EXPECT_EQ(transposeLine("1fd/5kd/", 1).key, 128) << "the key it would have had";
}

TEST(TransposeLines, TheWholeScoreOrOnePartAllOrNothing) {
    const std::vector<std::string> score = {"1fd/", "", "5kd/"};
    const struct {
        int semitones;
        std::optional<std::size_t> only;
        std::vector<std::string> moved; // empty: refused
        std::size_t track;
    } cases[] = {
        {-2, std::nullopt, {"zed/", "", "4kd/"}, 0},
        {2, std::nullopt, {}, 3},
        {2, 0, {"2fd/", "", "5kd/"}, 0},
        {2, 2, {}, 3},
        {-12, 2, {"1fd/", "", "5jd/"}, 0},
    };
    for (const auto &c : cases) {
        const TransposeResult r = transposeLines(score, c.semitones, c.only);
        EXPECT_EQ(r.lines, c.moved) << c.semitones;
        EXPECT_EQ(r.track, c.track) << c.semitones;
        EXPECT_EQ(r.ok(), !c.moved.empty()) << c.semitones;
    }
    // The drum track's keys name drums: the whole score moves around it.
    std::vector<std::string> band(10, "1fd/");
    band[kDrumTrack] = "yed/";
    const TransposeResult moved = transposeLines(band, 2);
    EXPECT_EQ(moved.lines[0], "2fd/");
    EXPECT_EQ(moved.lines[kDrumTrack], "yed/");
    EXPECT_EQ(transposeLines(band, 2, kDrumTrack).lines[kDrumTrack], "zed/") << "when asked for";
    EXPECT_EQ(transposeLines({"1fd/7f"}, 2).tokenStart, 5u) << "the faulty token";
}

TEST(TracksWithNotes, PitchedTracksHoldingANote) {
    const struct {
        std::vector<std::string> lines;
        std::vector<std::size_t> tracks;
    } cases[] = {
        {{}, {}},
        {{"", "@005/0a/#100", "0a/1fd/"}, {2}},
        {{"1fd/", "1fd/xx", "xx1fd/"}, {0, 1}},
        {{"", "", "", "", "", "", "", "", "", "1fd/", "1fd/"}, {10}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tracksWithNotes(c.lines), c.tracks) << c.lines.size();
    }
}

TEST(TransposedKey, TheKeyMovesWithTheSong) {
    using K = std::optional<score::Key>;
    const struct {
        K key;
        int semitones;
        K moved;
    } cases[] = {
        {score::Key{0}, 2, score::Key{2}},  {score::Key{7}, -2, score::Key{5}},
        {score::Key{10}, 3, score::Key{1}}, {score::Key{2}, -14, score::Key{0}},
        {std::nullopt, 7, score::Key{7}},   {std::nullopt, -12, std::nullopt},
        {score::Key{0}, 12, score::Key{0}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(transposedKey(c.key, c.semitones), c.moved) << c.semitones;
    }
}

TEST(KeyChangeInterval, TheShorterWayFromAFifthDownToATritoneUp) {
    const struct {
        int from, to, interval;
    } cases[] = {{0, 7, -5}, {0, 5, 5}, {0, 6, 6}, {7, 0, 5}, {0, 0, 0}, {10, 0, 2}, {0, 11, -1}};
    for (const auto &c : cases) {
        EXPECT_EQ(keyChangeInterval(score::Key{c.from}, score::Key{c.to}), c.interval)
            << c.from << " to " << c.to;
    }
}

} // namespace
} // namespace tunelet::midi
