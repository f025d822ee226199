// Fuzz target: any bytes as a MIDI file through the reader and the import. A file the
// reader accepts must give a plain copy that the reader accepts again as the same music
// (format, tracks, division, length) and that is already in its plain form; a refused
// file gives no copy. Every import must export again: at most 16 lines that scan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "export/score_to_midi.h"
#include "fuzz_check.h"
#include "midi/midi_import.h"
#include "midi/smf_reader.h"

using tunelet::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using tunelet::midi::readSmf;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const tunelet::midi::ImportResult imported = tunelet::midi::importMidi(bytes);
    if (imported.ok() && !imported.lines.empty()) {
        const tunelet::midi::ExportOptions options{imported.report.timeIncrement, true};
        check(tunelet::midi::compileScore(imported.lines, options).ok());
    }
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
