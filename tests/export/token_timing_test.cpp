// Export tests: token onsets, the token under the caret and the note sounding at a tick.
#include <gtest/gtest.h>

#include "export/token_timing.h"

namespace tunelet::midi {
namespace {

// "1fd/@005/2ee/0c/3fd/": onsets 0, 48, 48, 72, 168.
const std::string_view kLine = "1fd/@005/2ee/0c/3fd/";

// A caret just after a token's separator ends that token: a double-click on a note
// leaves it there, and the note must be played.
TEST(TokenTiming, TheCaretPlaysFromTheOnsetOfTheTokenItStandsInOrEnds) {
    const auto tokens = timeLine(kLine);
    const struct {
        std::size_t caret;
        std::int64_t onset;
    } rows[] = {{0, 0},   {3, 0},   {4, 0},   {5, 48},   {9, 48},   {11, 48},
                {13, 48}, {14, 72}, {16, 72}, {17, 168}, {20, 168}, {99, 168}};
    for (const auto &row : rows) {
        const auto index = tokenAtCaret(tokens, row.caret);
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(tokens[*index].onset, row.onset) << "caret " << row.caret;
    }
}

TEST(TokenTiming, TheSoundingNoteIsTheOneWhoseSpanHoldsTheTick) {
    const auto tokens = timeLine(kLine);
    const struct {
        std::int64_t tick;
        std::optional<std::size_t> note;
    } rows[] = {{0, 0},
                {47, 0},
                {48, 2},
                {71, 2},
                {72, std::nullopt},
                {167, std::nullopt},
                {168, 4},
                {215, 4},
                {216, std::nullopt}};
    for (const auto &row : rows) {
        EXPECT_EQ(noteAt(tokens, row.tick), row.note) << "tick " << row.tick;
    }
}

} // namespace
} // namespace tunelet::midi
