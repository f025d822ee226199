// Tests of movable do: every pitch class in every key, the unmarked octave, the dots.
#include "notation/movable_do.h"

#include <string>

#include <gtest/gtest.h>

namespace tunelet::notation {
namespace {

// "#4" a sharp, "b3" a flat, ' and , the octave dots.
std::string written(const MovableDegree &d) {
    return std::string(d.accidental > 0   ? "#"
                       : d.accidental < 0 ? "b"
                                          : "") +
           std::to_string(d.digit) +
           std::string(static_cast<std::size_t>(std::max(d.octave, 0)), '\'') +
           std::string(static_cast<std::size_t>(std::max(-d.octave, 0)), ',');
}

TEST(MovableDo, EveryPitchClassIsSpelledTheSameInEveryKey) {
    const char *spelling[12] = {"1", "#1", "2", "b3", "3", "4", "#4", "5", "b6", "6", "b7", "7"};
    for (int tonic = 0; tonic < 12; ++tonic) {
        for (int above = 0; above < 12; ++above) {
            const int key = unmarkedTonicKey(tonic) + above;
            EXPECT_EQ(written(movableDegree(key, tonic)), spelling[above])
                << "tonic " << tonic << " key " << key;
            EXPECT_EQ(written(movableDegree(key + 12, tonic)), spelling[above] + std::string("'"));
            EXPECT_EQ(written(movableDegree(key - 24, tonic)), spelling[above] + std::string(",,"));
        }
    }
}

TEST(MovableDo, TheUnmarkedOneIsTheTonicNearestMiddleC) {
    // C ♭D D ♭E E F take the tonic at or above middle C, ♯F G ♭A A ♭B B the one below.
    const int unmarked[12] = {60, 61, 62, 63, 64, 65, 54, 55, 56, 57, 58, 59};
    for (int tonic = 0; tonic < 12; ++tonic) {
        EXPECT_EQ(unmarkedTonicKey(tonic), unmarked[tonic]) << tonic;
        EXPECT_EQ(unmarkedTonicKey(tonic - 12), unmarked[tonic]) << "any tonic number";
    }
}

TEST(MovableDo, MelodiesAroundMiddleCInSomeKeys) {
    const struct {
        int tonic;
        int key;
        const char *written;
    } cases[] = {
        {0, 60, "1"},  {0, 59, "7,"},  {0, 72, "1'"},    {0, 61, "#1"},      {0, 70, "b7"},
        {7, 60, "4"},  {7, 55, "1"},   {7, 67, "1'"},    {7, 62, "5"},       {7, 54, "7,"},
        {7, 66, "7"},  {5, 60, "5,"},  {5, 65, "1"},     {5, 70, "4"},       {10, 60, "2"},
        {10, 63, "4"}, {10, 57, "7,"}, {10, 74, "3'"},   {6, 60, "#4"},      {6, 66, "1'"},
        {1, 60, "7,"}, {3, 58, "5,"},  {0, 0, "1,,,,,"}, {0, 127, "5'''''"}, {11, 131, "1''''''"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(written(movableDegree(c.key, c.tonic)), c.written)
            << "tonic " << c.tonic << " key " << c.key;
    }
}

TEST(MovableDo, TheScriptsDigitSharpAndOctave) {
    const struct {
        int digit;
        bool sharp;
        int octave; // from the script's middle octave f
        int tonic;
        const char *written;
    } cases[] = {
        {1, false, 0, 0, "1"},    {4, true, 0, 7, "7"}, {5, false, 1, 7, "1''"},
        {7, false, -1, 0, "7,"},  {5, true, 0, 3, "4"}, {2, false, 0, 10, "3"},
        {6, true, -2, 0, "b7,,"}, {1, true, 0, 1, "1"}, {3, false, 0, 6, "b7"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(written(movableDegree(c.digit, c.sharp, c.octave, c.tonic)), c.written)
            << c.digit << (c.sharp ? "#" : "") << " octave " << c.octave << " tonic " << c.tonic;
    }
}

} // namespace
} // namespace tunelet::notation
