// Fuzz target: any bytes as a score file with a song block. The tracks are exactly what a
// reader stopping at the first NUL sees; whatever the block holds, the properties read
// are written as a block that reads back as the same properties and the same text, and a
// score written with them reads back as the same tracks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_check.h"
#include "score/script_file.h"
#include "score/song_block.h"

using tunelet::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace tunelet::score;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const ScoreText read = parseScoreText(bytes);
    check(read.lines == parseScriptText(bytes));

    const std::string block = formatSongBlock(read.properties);
    check(block.empty() == read.properties.empty());
    if (!block.empty()) {
        const SongBlock again = parseSongBlock(block);
        check(again.notices.empty());
        check(formatSongBlock(again.properties) == block);
    }

    if (block.size() <= kMaxSongBlockBytes) {
        const std::string written = formatScoreText(read.lines, read.properties);
        const ScoreText back = parseScoreText(written);
        check(back.lines == read.lines && back.notices.empty());
        check(formatSongBlock(back.properties) == block);
    }
    return 0;
}
