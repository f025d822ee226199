// Playback tests and benchmarks: a Standard MIDI File crowded at one instant, whose first
// audio block takes the synthesiser seconds.
#pragma once

#include <string>

namespace tunelet::playback::testing {

// One track that starts `notes` notes at tick 0 (running status), then ends a beat later.
inline std::string crowdedMidi(int notes) {
    const int length = 4 + 3 * (notes - 1) + 4;
    std::string midi("MThd\0\0\0\6\0\0\0\1\0\x30MTrk", 18);
    for (int shift = 24; shift >= 0; shift -= 8) {
        midi.push_back(char(length >> shift & 0xff));
    }
    midi.append("\0\x90\x3c\x40", 4);
    for (int i = 1; i < notes; ++i) {
        midi.append({'\0', char(i % 128), '\x40'});
    }
    midi.append("\x30\xff\x2f\0", 4);
    return midi;
}

} // namespace tunelet::playback::testing
