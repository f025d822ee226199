// Numbered notation in a key (movable do): degrees, their spelling and their octave.
#include "notation/movable_do.h"

#include <array>

namespace tunelet::notation {

namespace {

constexpr int kMiddleC = 60;

// By semitones above the tonic: the degree and its sign.
constexpr std::array<MovableDegree, 12> kSpelling = {{
    {1, 0, 0},
    {1, 1, 0},
    {2, 0, 0},
    {3, -1, 0},
    {3, 0, 0},
    {4, 0, 0},
    {4, 1, 0},
    {5, 0, 0},
    {6, -1, 0},
    {6, 0, 0},
    {7, -1, 0},
    {7, 0, 0},
}};

constexpr std::array<int, 7> kMajorScale = {0, 2, 4, 5, 7, 9, 11};

// Division rounding towards minus infinity: keys below the unmarked tonic are below it.
int floorDiv(int value, int divisor) {
    const int quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

} // namespace

int unmarkedTonicKey(int tonic) {
    const int pitchClass = ((tonic % 12) + 12) % 12;
    return pitchClass < 6 ? kMiddleC + pitchClass : kMiddleC - 12 + pitchClass;
}

MovableDegree movableDegree(int midiKey, int tonic) {
    const int above = midiKey - unmarkedTonicKey(tonic);
    const int octave = floorDiv(above, 12);
    MovableDegree degree = kSpelling[static_cast<std::size_t>(above - 12 * octave)];
    degree.octave = octave;
    return degree;
}

MovableDegree movableDegree(int scriptDigit, bool sharp, int scriptOctave, int tonic) {
    const int semitone =
        kMajorScale.at(static_cast<std::size_t>(scriptDigit - 1)) + (sharp ? 1 : 0);
    return movableDegree(kMiddleC + 12 * scriptOctave + semitone, tonic);
}

} // namespace tunelet::notation
