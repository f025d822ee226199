// Fuzz target: any bytes as a MusicXML file or .mxl archive. A refusal says why; an import
// gives at most 16 lines that export (none when it has no notes), a song the score file
// can keep (its block reads back as itself), a time increment the export takes and a
// report.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/score_to_midi.h"
#include "fuzz_check.h"
#include "musicxml/musicxml_reader.h"
#include "score/song_block.h"

using tunelet::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace tunelet;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const midi::ImportResult result = musicxml::importMusicXml(bytes);
    if (!result.ok()) {
        check(result.failure == midi::ImportFailure::TooLong || !result.damage.empty());
        check(score::isUtf8(result.damage));
        return 0;
    }
    check(result.lines.size() <= midi::kImportLines);
    check(result.report.timeIncrement >= 1 && result.report.timeIncrement <= 384);
    // A score without notes has no lines; every other exports.
    check(result.lines.empty() == result.report.noNotes);
    if (!result.lines.empty()) {
        check(midi::compileScore(result.lines, {result.report.timeIncrement, true}).ok());
    }
    const std::string block = score::formatSongBlock(result.properties);
    check(block.size() <= score::kMaxSongBlockBytes);
    check(block.empty() == result.properties.empty());
    if (!block.empty()) {
        const score::SongBlock again = score::parseSongBlock(block);
        check(again.notices.empty() && again.properties == result.properties);
    }
    check(!midi::importReportLines(result.report).empty());
    return 0;
}
