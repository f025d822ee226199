// Playback: the FluidSynth library, opened when playback first needs it.
#pragma once

namespace tunelet::playback {

// Why FluidSynth could not be opened (dlerror's words), or nullptr while it opens or has
// not been asked for. Every FluidSynth function of the window's program goes through
// fluidsynth_library.cpp: the library and the forty it brings (audio servers, sound file
// codecs) are opened at the first call, not at start, where loading them took longer
// than anything else the first frame does. When the opening fails, every call fails as
// FluidSynth's own do: no object (nullptr) or FLUID_FAILED.
const char *fluidSynthLoadError();

} // namespace tunelet::playback
