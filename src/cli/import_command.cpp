// tunelet-export --import: a MIDI or MusicXML file made into a script file, without a display.
#include "cli/import_command.h"

#include <iostream>
#include <string>

#include "cli/export_module.h"
#include "midi/midi_import.h"
#include "modules/module_folders.h"
#include "score/atomic_file.h"
#include "score/score_document.h"
#include "score/script_file.h"

namespace tunelet::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// XML (perhaps after a byte order mark and blanks) or a ZIP archive: what the MusicXML
// module reads. Anything else is taken as a MIDI file and, if it is none, refused as one.
bool looksLikeMusicXml(const std::string &path) {
    const std::string bytes = midi::fileHead(path, 512);
    std::string_view head = bytes;
    if (head.starts_with("PK\x03\x04")) {
        return true;
    }
    if (head.starts_with("\xEF\xBB\xBF")) {
        head.remove_prefix(3);
    }
    const std::size_t text = head.find_first_not_of(" \t\r\n");
    return head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF") ||
           (text != std::string_view::npos && head[text] == '<');
}

int importMusicXml(const std::string &input, const std::string &output) {
    const modules::OpenedEntry opened =
        modules::openEntry("tunelet-export-musicxml.so", "tunelet_import_musicxml");
    if (opened.function == nullptr) {
        std::cerr << "无法导入MusicXML文件\n" << opened.error << "\n";
        return kExitFailure;
    }
    const auto import = reinterpret_cast<TuneletImportFunction>(opened.function);
    std::string message(std::size_t{1} << 16, '\0');
    const int status =
        import(TUNELET_EXPORT_ABI, input.c_str(), output.c_str(), message.data(), message.size());
    std::cerr << message.c_str();
    return status == TUNELET_EXPORT_OK ? 0 : kExitFailure;
}

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
        std::cerr << "输出文件“" << output << "”就是"
                  << (looksLikeMusicXml(input) ? "MusicXML" : "MIDI") << "文件“" << input
                  << "”，导入会覆盖它\n";
        return kExitFailure;
    }
    if (!midi::isMidiFile(input) && looksLikeMusicXml(input)) {
        return importMusicXml(input, output);
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
