// Rendering: a Standard MIDI File to a WAV file with the program's synthesiser, as fast
// as the machine can compute it (no sound card involved).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/synth_setup.h"

namespace tunelet::render {

enum class RenderFailure {
    None,
    NoSoundFont,   // none of the candidates exists
    SoundFontLoad, // the SoundFont exists but FluidSynth cannot load it
    Synth,         // FluidSynth's synthesiser or player could not be set up
    Renderer,      // FluidSynth's file renderer could not be created or failed to write
    TooLong,       // the sound does not fit the 4 GB of a WAV file
    ScratchFile,   // the temporary file to render into could not be made or read
    WriteError,    // the output could not be written
};

struct WavOptions {
    std::vector<std::string> soundFonts = soundFontCandidates();
    // After the music the notes ring out until the output has been quiet for quietSeconds,
    // at most maxReleaseSeconds (a note that is never released would ring forever).
    double quietSeconds = 0.1;
    double maxReleaseSeconds = 5.0;
};

struct RenderResult {
    RenderFailure failure = RenderFailure::None;
    int systemError = 0;           // ScratchFile, WriteError: the system's error number
    std::string soundFont;         // the SoundFont used (or that failed to load)
    std::string scratchFolder;     // where the temporary file goes
    std::vector<std::string> log;  // FluidSynth's own warnings and errors
    std::uint64_t musicFrames = 0; // frames rendered until the player had finished
    std::uint64_t frames = 0;      // all frames in the file, the release included

    bool ok() const { return failure == RenderFailure::None; }
};

// A WAV file is 44.1 kHz, 16-bit, stereo.
constexpr int kWavSampleRate = 44100;

// Plays midi (a whole Standard MIDI File) through the synthesiser into a WAV file at
// outputPath. Music too long for a WAV file is refused before anything is rendered. The
// file is rendered into an unnamed temporary file and then put in place with
// score::replaceFileAtomically, so a failure leaves outputPath as it was, with all the
// rules of a careful save (links followed, permissions kept). FluidSynth's log is
// collected into the result, never printed.
RenderResult renderWav(std::string_view midi, const std::string &outputPath,
                       const WavOptions &options = {});

// The music's length in frames: its longest track at the file's division and the default
// tempo (the export writes no tempo), before any release. 0 for what is no such file.
std::uint64_t musicFrames(std::string_view midi);

// Why the rendering failed, in the user's words (UTF-8, Simplified Chinese); empty on
// success.
std::string renderFailureText(const RenderResult &result, const std::string &outputPath);

} // namespace tunelet::render
