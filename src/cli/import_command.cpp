// tunelet-export --import: a MIDI file made into a script file, without a display.
#include "cli/import_command.h"

#include <iostream>
#include <string>

#include "midi/midi_import.h"
#include "score/atomic_file.h"
#include "score/score_document.h"
#include "score/script_file.h"

namespace tunelet::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace

int runImport(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "tunelet-export: --import expects INPUT.MID and OUTPUT.TNL\n";
        return kExitUsage;
    }
    const std::string input = argv[0];
    const std::string output = argv[1];
    // Writing the script over the MIDI file would lose the very music being imported.
    if (score::isSameFile(input, output)) {
        std::cerr << "输出文件“" << output << "”就是MIDI文件“" << input << "”，导入会覆盖它\n";
        return kExitFailure;
    }
    const midi::ImportResult result = midi::importMidiFile(input);
    if (!result.ok()) {
        std::cerr << midi::importFailureText(result, input) << "\n";
        return kExitFailure;
    }
    try {
        // Put in place whole, so a failure leaves OUTPUT as it was.
        score::writeScoreFile(output, result.lines, result.properties);
    } catch (const score::FileError &error) {
        std::cerr << "无法写入文件“" << output << "”："
                  << score::systemErrorText(error.error(), score::FileAccess::Write) << "\n";
        return kExitFailure;
    }
    for (const std::string &line : midi::importReportLines(result.report)) {
        std::cerr << line << "\n";
    }
    for (const score::SongBlockNotice &notice : result.songNotices) {
        std::cerr << score::songBlockNoticeText(notice) << "\n";
    }
    return 0;
}

} // namespace tunelet::cli
