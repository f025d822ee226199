// tunelet-export's MusicXML module: the score as a MusicXML file for notation programs,
// and a MusicXML file imported as a script file. Opened by the command only for
// --musicxml and for the --import of a MusicXML file, so Qt Core is loaded only then.
#include <QFile>
#include <QFileInfo>
#include <exception>
#include <new>

#include "cli/module_support.h"
#include "musicxml/musicxml_reader.h"
#include "musicxml/musicxml_writer.h"
#include "score/atomic_file.h"
#include "score/score_document.h"
#include "score/script_file.h"
#include "score/song_block.h"

namespace {

constexpr const char *kFailure = "有错误产生，无法导出为MusicXML文件！";

int write(const TuneletExportRequest &request, char *message, std::size_t messageSize) {
    using namespace tunelet;
    score::SongProperties properties;
    if (request.songBlock != nullptr && request.songBlockSize > 0) {
        properties =
            score::parseSongBlock(std::string_view(request.songBlock, request.songBlockSize))
                .properties;
    }
    // As on the numbered notation, the script file's name stands for a missing title.
    const musicxml::SongInfo song = musicxml::songInfoOf(
        properties, QFileInfo(QFile::decodeName(request.inputPath)).completeBaseName());
    const std::string why = musicxml::exportMusicXml(
        cli::linesOf(request), static_cast<int>(request.division), song, request.outputPath);
    if (!why.empty()) {
        return cli::failWith(std::string(kFailure) + "\n" + why + "\n", message, messageSize);
    }
    return TUNELET_EXPORT_OK;
}

// As the MIDI import on the command line: the score file put in place whole, then the
// report, one line per change.
int import(const char *input, const char *output, char *message, std::size_t messageSize) {
    using namespace tunelet;
    const midi::ImportResult result = musicxml::importMusicXmlFile(input);
    if (!result.ok()) {
        return cli::failWith(midi::importFailureText(result, input) + "\n", message, messageSize);
    }
    try {
        score::writeScoreFile(output, result.lines, result.properties);
    } catch (const score::FileError &error) {
        return cli::failWith(std::string("无法写入文件“") + output + "”：" +
                                 score::systemErrorText(error.error(), score::FileAccess::Write) +
                                 "\n",
                             message, messageSize);
    }
    std::string report;
    for (const std::string &line : midi::importReportLines(result.report)) {
        report += line + "\n";
    }
    cli::failWith(report, message, messageSize);
    return TUNELET_EXPORT_OK;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
tunelet_import_musicxml(int abi, const char *input, const char *output, char *message,
                        size_t messageSize) {
    using tunelet::cli::failWith;
    constexpr const char *kFailure = "无法导入MusicXML文件\n";
    if (abi != TUNELET_EXPORT_ABI || input == nullptr || output == nullptr) {
        return failWith(std::string(kFailure) +
                            "模块“tunelet-export-musicxml.so”与 tunelet-export 版本不符\n",
                        message, messageSize);
    }
    try {
        return import(input, output, message, messageSize);
    } catch (const std::bad_alloc &) {
        return failWith(std::string(kFailure) + "内存不足\n", message, messageSize);
    } catch (const std::exception &error) {
        return failWith(std::string(kFailure) + error.what() + "\n", message, messageSize);
    }
}

// No exception may leave through the C interface.
extern "C" __attribute__((visibility("default"))) int
tunelet_export_musicxml(const TuneletExportRequest *request, char *message, size_t messageSize) {
    using tunelet::cli::failWith;
    if (request == nullptr || request->abi != TUNELET_EXPORT_ABI) {
        return failWith(std::string(kFailure) +
                            "\n模块“tunelet-export-musicxml.so”与 tunelet-export 版本不符\n",
                        message, messageSize);
    }
    try {
        return write(*request, message, messageSize);
    } catch (const std::bad_alloc &) {
        return failWith(std::string(kFailure) + "\n内存不足\n", message, messageSize);
    } catch (const std::exception &error) {
        return failWith(std::string(kFailure) + "\n" + error.what() + "\n", message, messageSize);
    }
}
