// Fuzz target: any bytes as a MIDI file whose meta events give a song's properties. What
// is read must be a song the score can keep: its block reads back as the same properties,
// and a score exported with them gives them back again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "export/score_to_midi.h"
#include "fuzz_check.h"
#include "midi/song_meta.h"

using tunelet::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace tunelet;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const midi::MidiSongMeta meta = midi::readSongMeta(bytes);
    const std::string block = score::formatSongBlock(meta.properties);
    if (block.empty() || block.size() > score::kMaxSongBlockBytes) {
        return 0;
    }
    check(score::parseSongBlock(block).notices.empty());
    const midi::ExportResult exported = midi::compileScore({"1fd/"}, {}, meta.properties);
    check(exported.ok());
    const midi::MidiSongMeta again = midi::readSongMeta(exported.bytes);
    check(again.fromTunelet && again.notices.empty());
    check(score::formatSongBlock(again.properties) == block);
    return 0;
}
