// tunelet-export's WAV module: the export's MIDI played through the synthesiser into a
// WAV file. Opened by the command only for --wav, so FluidSynth and the libraries it
// brings are loaded only then.
#include <exception>
#include <new>

#include "cli/module_support.h"
#include "render/wav_renderer.h"

namespace {

constexpr const char *kWavFailureMessage = "有错误产生，无法导出为WAV文件！\n";

int exportWav(const TuneletExportRequest &request, char *message, std::size_t messageSize) {
    using namespace tunelet;
    const midi::ExportResult midi =
        midi::compileScore(cli::linesOf(request), cli::optionsOf(request));
    if (!midi.ok()) {
        // The command checks the score before it opens the module; this is the safety net.
        return cli::failWith(midi::failureMessage(midi.failure) + "\n", message, messageSize);
    }
    const render::RenderResult rendered = render::renderWav(midi.bytes, request.outputPath);
    if (!rendered.ok()) {
        return cli::failWith(kWavFailureMessage +
                                 render::renderFailureText(rendered, request.outputPath) + "\n",
                             message, messageSize);
    }
    return TUNELET_EXPORT_OK;
}

} // namespace

// No exception may leave through the C interface.
extern "C" __attribute__((visibility("default"))) int
tunelet_export_wav(const TuneletExportRequest *request, char *message, size_t messageSize) {
    if (request == nullptr || request->abi != TUNELET_EXPORT_ABI) {
        return tunelet::cli::failWith(std::string(kWavFailureMessage) +
                                          "模块“tunelet-export-wav.so”与 tunelet-export 版本不符\n",
                                      message, messageSize);
    }
    try {
        return exportWav(*request, message, messageSize);
    } catch (const std::bad_alloc &) {
        return tunelet::cli::failWith(std::string(kWavFailureMessage) + "内存不足\n", message,
                                      messageSize);
    } catch (const std::exception &error) {
        return tunelet::cli::failWith(std::string(kWavFailureMessage) + error.what() + "\n",
                                      message, messageSize);
    }
}
