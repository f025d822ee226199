// Rendering: what the program's synthesiser is, wherever it sounds. Playback and the WAV
// renderer both set FluidSynth up through these functions, so a song sounds the same
// through the speakers and in a file. No Qt.
#pragma once

#include <array>
#include <fluidsynth.h>
#include <optional>
#include <string>
#include <vector>

namespace tunelet::render {

// The General MIDI SoundFonts, in the order they are tried: the system's default (Debian
// keeps it as a link to the preferred installed font), then the small font that setup
// installs.
inline constexpr std::array<const char *, 2> kSoundFontCandidates = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

std::vector<std::string> soundFontCandidates();

// The first candidate that is a file (through links), or nothing.
std::optional<std::string> firstExistingSoundFont(const std::vector<std::string> &candidates);

// The synthesiser's settings that shape the sound and the player's timing: gain, sample
// rate, the player's clock and its behaviour at the end of a file. Audio output settings
// (driver, period size) are the caller's.
void applySynthSettings(fluid_settings_t *settings, int sampleRate);

} // namespace tunelet::render
