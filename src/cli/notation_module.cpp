// tunelet-export's drawing module: the score as numbered notation in a PDF or SVG file,
// drawn by the window's own painter. Opened by the command only for --pdf and --svg, so
// Qt is loaded only then; it draws without a display.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <exception>
#include <memory>
#include <new>

#include "cli/module_support.h"
#include "notation/bar_layout.h"
#include "notation/words_layout.h"
#include "score/song_block.h"
#include "ui/notation/notation_files.h"

namespace {

using Writer = QString (*)(const tunelet::ui::NotationDocument &, const std::string &);

// The command prints its own messages only: Qt's notes about the platform stay unsaid.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// Fonts and painting need an application object; the offscreen platform needs no
// display. Made once, kept until the program ends.
void ensureApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    qInstallMessageHandler(quiet);
    static int argc = 3;
    static char name[] = "tunelet-export";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char *argv[] = {name, option, platform, nullptr};
    static const std::unique_ptr<QGuiApplication> application =
        std::make_unique<QGuiApplication>(argc, argv);
}

int draw(const TuneletExportRequest &request, Writer write, const char *failure, char *message,
         std::size_t messageSize) {
    using namespace tunelet;
    const std::optional<notation::TimeSignature> time =
        notation::parseTimeSignature(request.timeSignature ? request.timeSignature : "4/4");
    if (!time) {
        return cli::failWith(std::string(failure) + "\n", message, messageSize);
    }
    ensureApplication();
    score::SongProperties song;
    if (request.songBlock != nullptr && request.songBlockSize > 0) {
        song = score::parseSongBlock(std::string_view(request.songBlock, request.songBlockSize))
                   .properties;
    }
    song.time = score::parseSongTime(time->text());
    ui::NotationDocument document;
    document.score = notation::buildScore(cli::linesOf(request), notation::timeSignatureOf(song),
                                          -1, song.key ? song.key->tonic : 0);
    document.score.partNames = song.partNames;
    notation::setWords(document.score, song.words);
    document.header.title =
        !song.title.empty() ? QString::fromStdString(song.title)
                            : QFileInfo(QFile::decodeName(request.inputPath)).completeBaseName();
    document.header.subtitle = QString::fromStdString(song.subtitle);
    document.header.composer = QString::fromStdString(song.composer);
    document.header.lyricist = QString::fromStdString(song.lyricist);
    document.header.division = static_cast<int>(request.division);
    // The output's name as the system has it: bytes, whatever their encoding.
    const QString why = write(document, request.outputPath);
    if (!why.isEmpty()) {
        return cli::failWith(std::string(failure) + "\n" + why.toStdString() + "\n", message,
                             messageSize);
    }
    return TUNELET_EXPORT_OK;
}

// No exception may leave through the C interface.
int guarded(const TuneletExportRequest *request, Writer write, const char *failure, char *message,
            std::size_t messageSize) {
    if (request == nullptr || request->abi != TUNELET_EXPORT_ABI) {
        return tunelet::cli::failWith(
            std::string(failure) + "\n模块“tunelet-export-notation.so”与 tunelet-export 版本不符\n",
            message, messageSize);
    }
    try {
        return draw(*request, write, failure, message, messageSize);
    } catch (const std::bad_alloc &) {
        return tunelet::cli::failWith(std::string(failure) + "\n内存不足\n", message, messageSize);
    } catch (const std::exception &error) {
        return tunelet::cli::failWith(std::string(failure) + "\n" + error.what() + "\n", message,
                                      messageSize);
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
tunelet_export_pdf(const TuneletExportRequest *request, char *message, size_t messageSize) {
    return guarded(request, &tunelet::ui::writeNotationPdf, "有错误产生，无法导出为PDF文件！",
                   message, messageSize);
}

extern "C" __attribute__((visibility("default"))) int
tunelet_export_svg(const TuneletExportRequest *request, char *message, size_t messageSize) {
    return guarded(request, &tunelet::ui::writeNotationSvg, "有错误产生，无法导出为SVG文件！",
                   message, messageSize);
}
