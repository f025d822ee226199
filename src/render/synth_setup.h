// Rendering: what the program's synthesiser is, wherever it sounds. Playback and the WAV
// renderer both set FluidSynth up through these functions, so a song sounds the same
// through the speakers and in a file. No Qt.
#pragma once

#include <array>
#include <fluidsynth.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tunelet::render {

// The General MIDI SoundFonts, in the order they are tried: FluidR3 (package
// fluid-soundfont-gm, which setup installs), then the system's default (Debian keeps it
// as a link to the preferred installed font), then the other fonts Debian packages. The
// MuseScore fonts come last: their compressed samples take seconds to load.
inline constexpr std::array<const char *, 5> kSoundFontCandidates = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf3/MuseScore_General.sf3",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

std::vector<std::string> soundFontCandidates();

// FluidSynth's handles, each freed by its own delete function.
struct FluidDeleter {
    void operator()(fluid_settings_t *p) const { delete_fluid_settings(p); }
    void operator()(fluid_synth_t *p) const { delete_fluid_synth(p); }
    void operator()(fluid_player_t *p) const { delete_fluid_player(p); }
    void operator()(fluid_audio_driver_t *p) const { delete_fluid_audio_driver(p); }
    void operator()(fluid_file_renderer_t *p) const { delete_fluid_file_renderer(p); }
};
template <typename T> using FluidPtr = std::unique_ptr<T, FluidDeleter>;

// The first candidate that is a file (through links), or nothing.
std::optional<std::string> firstExistingSoundFont(const std::vector<std::string> &candidates);

// The synthesiser's settings that shape the sound and the player's timing: gain, sample
// rate, the player's clock and its behaviour at the end of a file. Audio output settings
// (driver, period size) are the caller's.
void applySynthSettings(fluid_settings_t *settings, int sampleRate);

} // namespace tunelet::render
