// tunelet-export: a script file's music as a WAV file, through the MIDI the export makes.
#pragma once

#include <string>
#include <vector>

#include "cli/diagnostics.h"
#include "export/score_to_midi.h"
#include "render/wav_renderer.h"

namespace tunelet::cli {

// A failed export (the score, the files) is told as the MIDI export tells it; a failed
// rendering with the words below and render::renderFailureText.
struct WavOutcome {
    midi::ExportResult exported;
    render::RenderResult rendered;

    bool ok() const { return exported.ok() && rendered.ok(); }
};

// Compiles the score as the MIDI export does and renders that music into outputPath.
// outputPath is replaced only on success, and never when it is the script itself.
WavOutcome exportWav(const std::vector<std::string> &lines, midi::ExportOptions options,
                     const ExportContext &context);

// The first line when the rendering itself failed.
inline constexpr const char *kWavFailureMessage = "有错误产生，无法导出为WAV文件！";

} // namespace tunelet::cli
