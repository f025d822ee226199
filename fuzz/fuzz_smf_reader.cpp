// Fuzz target: any bytes as a MIDI file through the playback's reader. A file it accepts
// must give a plain copy that the reader accepts again as the same music (format, tracks,
// division, length) and that is already in its plain form; a refused file gives no copy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "midi/smf_reader.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using tunelet::midi::readSmf;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const tunelet::midi::SmfInfo info = readSmf(bytes);
    if (!info.ok()) {
        check(info.playable.empty());
        return 0;
    }
    check(info.lengthTicks >= 0 && info.trackCount > 0);
    const std::string_view copy = info.playable;
    check(copy.substr(0, 8) == std::string_view("MThd\0\0\0\x06", 8));
    check(copy.substr(8, 6) == bytes.substr(8, 6));

    const tunelet::midi::SmfInfo again = readSmf(copy);
    check(again.ok());
    check(again.format == info.format && again.trackCount == info.trackCount &&
          again.division == info.division && again.lengthTicks == info.lengthTicks);
    check(again.playable == info.playable);
    return 0;
}
