// MIDI import: spelling notes, rests and volumes as tokens of the note script.
#include "midi/import_tokens.h"

#include <array>

#include "export/note_script.h"
#include "export/token_composer.h"

namespace tunelet::midi::detail {

namespace {

constexpr char kPitches[] = "1v2w34x5y6z7";
// The duration letters from the longest token to the shortest.
constexpr std::array<char, 8> kLongestFirst = {'a', 'b', 'c', 'h', 'd', 'e', 'f', 'g'};

// Appends tokens of `first` + letter for `ticks`, longest first; answers how many.
template <typename Compose>
int appendPieces(std::string &line, std::int64_t ticks, Compose compose) {
    // The lengths looked up once: a long song writes hundreds of thousands of tokens.
    static const std::array<int, kLongestFirst.size()> kLengths = [] {
        std::array<int, kLongestFirst.size()> lengths{};
        for (std::size_t i = 0; i < kLongestFirst.size(); ++i) {
            lengths[i] = ticksOf(kLongestFirst[i]).value_or(0);
        }
        return lengths;
    }();
    int pieces = 0;
    for (std::size_t i = 0; i < kLongestFirst.size(); ++i) {
        const char letter = kLongestFirst[i];
        const int length = kLengths[i];
        for (; ticks >= length; ticks -= length) {
            line += compose(letter);
            ++pieces;
        }
    }
    return pieces;
}

} // namespace

char durationLetter(int ticks) {
    for (const char letter : kLongestFirst) {
        if (ticksOf(letter) == ticks) {
            return letter;
        }
    }
    return 0;
}

int appendNote(std::string &line, int key, std::int64_t ticks) {
    const char pitch = kPitches[key % 12];
    const char octave = static_cast<char>('a' + key / 12);
    return appendPieces(line, ticks,
                        [&](char letter) { return composeNote(pitch, octave, letter).text; });
}

void appendRest(std::string &line, std::int64_t ticks) {
    appendPieces(line, ticks, composeRest);
}

void appendVelocity(std::string &line, int velocity, int &inForce) {
    if (velocity != inForce) {
        line += composeVolume(velocity);
        inForce = velocity;
    }
}

} // namespace tunelet::midi::detail
