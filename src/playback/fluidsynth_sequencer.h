// The real Sequencer: Standard MIDI Files played by FluidSynth with a General MIDI
// SoundFont, through FluidSynth's own audio drivers.
#pragma once

#include <memory>

#include "playback/sequencer.h"

namespace tunelet::playback {

// The sequencer the program uses. Cheap to create: the SoundFont and the audio output
// are set up at the first open().
std::unique_ptr<Sequencer> createSystemSequencer();

} // namespace tunelet::playback
