// tunelet-export: the WAV output, the export's MIDI played through the synthesiser.
#include "cli/wav_export.h"

#include "score/atomic_file.h"

namespace tunelet::cli {

WavOutcome exportWav(const std::vector<std::string> &lines, midi::ExportOptions options,
                     const ExportContext &context) {
    WavOutcome outcome;
    // Replacing the script with sound would destroy the very score being rendered.
    if (score::isSameFile(context.inputPath, context.outputPath)) {
        outcome.exported.failure = midi::ExportFailure::SameFile;
        return outcome;
    }
    outcome.exported = midi::compileScore(lines, options);
    if (outcome.exported.ok()) {
        outcome.rendered = render::renderWav(outcome.exported.bytes, context.outputPath);
    }
    return outcome;
}

} // namespace tunelet::cli
