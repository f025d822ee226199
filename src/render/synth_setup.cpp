// Rendering: the SoundFont choice and the synthesiser settings shared by playback and the
// WAV renderer.
#include "render/synth_setup.h"

#include <filesystem>
#include <system_error>

namespace tunelet::render {

std::vector<std::string> soundFontCandidates() {
    return {kSoundFontCandidates.begin(), kSoundFontCandidates.end()};
}

std::optional<std::string> firstExistingSoundFont(const std::vector<std::string> &candidates) {
    for (const std::string &path : candidates) {
        std::error_code error; // unreadable or absent: try the next
        if (std::filesystem::is_regular_file(path, error)) {
            return path;
        }
    }
    return std::nullopt;
}

void applySynthSettings(fluid_settings_t *settings, int sampleRate) {
    // The player moves on with the rendered samples, whichever thread renders them.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    // The player would reset the synthesiser when it reaches the end of its file, which
    // cuts the last notes short instead of letting them ring out.
    fluid_settings_setint(settings, "player.reset-synth", 0);
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    // Only the samples of the instruments in use are read: FluidR3 holds 140 MB of them,
    // a song needs a few, and the first note sounds in a third of the time.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // FluidSynth's default gain (0.2) leaves a single General MIDI voice at about
    // -25 dBFS, too quiet beside other programs; 0.5 keeps 16 busy tracks from clipping.
    fluid_settings_setnum(settings, "synth.gain", 0.5);
}

} // namespace tunelet::render
