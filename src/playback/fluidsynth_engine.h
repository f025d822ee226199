// Playback: the FluidSynth handles behind FluidSynthSequencer and the capture of
// FluidSynth's log into error texts.
#pragma once

#include <QStringList>
#include <fluidsynth.h>
#include <memory>

#include "playback/fluidsynth_sequencer.h"
#include "render/synth_setup.h"

namespace tunelet::playback {

using render::FluidPtr;

// Members are destroyed from the last to the first, which is FluidSynth's order: the
// audio driver (its thread still renders with the player and the synth), then the
// player, then the synth, then the settings.
struct FluidSynthSequencer::Engine {
    FluidPtr<fluid_settings_t> settings;
    FluidPtr<fluid_synth_t> synth;   // with the SoundFont loaded; kept for the device's life
    FluidPtr<fluid_player_t> player; // the open file
    FluidPtr<fluid_audio_driver_t> driver;
};

// The program's synthesiser and audio output settings (gain, period size, the player's
// timing), for the device and for measurements that must hear what the program plays.
// The synthesiser's part is render::applySynthSettings, which the WAV renderer uses too.
void applyFluidSynthSettings(fluid_settings_t *settings, const FluidSynthOptions &options);

// Routes FluidSynth's log (every level) into `lines` while it lives, on this thread only;
// messages from other threads or outside a capture are dropped, never printed.
class FluidLogCapture {
public:
    explicit FluidLogCapture(QStringList &lines);
    ~FluidLogCapture();
    FluidLogCapture(const FluidLogCapture &) = delete;
    FluidLogCapture &operator=(const FluidLogCapture &) = delete;

    static void install();

private:
    QStringList *m_previous;
};

} // namespace tunelet::playback
