// Export tests: the edges of the numbers a MIDI file holds, as written and as heard.
#include <cstdio>
#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "export/token_composer.h"

namespace tunelet::midi {
namespace {

// Ticks per quarter note fill 15 bits: 0 means nothing, and a set top bit means SMPTE.
TEST(ExportDivision, EveryDivisionOfFifteenBitsIsWrittenAndNoOther) {
    const std::pair<unsigned, std::string> cases[] = {
        {0, "refused"},
        {1, std::string("\x00\x01", 2)},
        {32767, "\x7f\xff"},
        {32768, "refused"},
    };
    for (const auto &[division, written] : cases) {
        const ExportResult result = compileScore({"1fd/"}, {std::uint16_t(division), true});
        EXPECT_EQ(result.ok() ? result.bytes.substr(12, 2) : "refused", written) << division;
    }
}

// A composed note is heard with every instrument a MIDI file can name, and no other.
TEST(SoundBefore, EveryInstrumentNumberIsHeard) {
    for (int program = 0; program <= 128; ++program) {
        char line[8];
        std::snprintf(line, sizeof line, "@%03d/", program);
        EXPECT_EQ(soundBefore(line).program, program <= 127 ? program : 0) << line;
    }
}

} // namespace
} // namespace tunelet::midi
