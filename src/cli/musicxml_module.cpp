// tunelet-export's MusicXML module: the score as a MusicXML file for notation programs.
// Opened by the command only for --musicxml, so Qt Core is loaded only then.
#include <QFile>
#include <QFileInfo>
#include <exception>
#include <new>

#include "cli/module_support.h"
#include "musicxml/musicxml_writer.h"
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

} // namespace

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
