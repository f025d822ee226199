// SoundFont probe: what a General MIDI SoundFont costs the program, measured the way the
// program uses it. Not a test; scripts/compare_soundfonts.sh runs it for each font.
//
//   soundfont_probe [--dynamic] FONT MIDI...
//
// prints the time to load FONT into a synthesiser set up as the program sets it up, the
// time from a fresh start to the first rendered block holding a composed note, and the
// memory (resident set) after loading and at its highest while the MIDI files play
// through. With --dynamic, FluidSynth loads a preset's samples only when a note first
// needs them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/synth_setup.h"

namespace {

using tunelet::render::FluidPtr;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

struct Synth {
    FluidPtr<fluid_settings_t> settings;
    FluidPtr<fluid_synth_t> synth;
};

Synth loaded(const char *font, bool dynamic) {
    Synth s;
    s.settings.reset(new_fluid_settings());
    tunelet::render::applySynthSettings(s.settings.get(), 44100);
    fluid_settings_setint(s.settings.get(), "synth.dynamic-sample-loading", dynamic ? 1 : 0);
    s.synth.reset(new_fluid_synth(s.settings.get()));
    if (fluid_synth_sfload(s.synth.get(), font, 1) == FLUID_FAILED) {
        s.synth.reset();
    }
    return s;
}

float renderBlock(fluid_synth_t *synth, std::vector<float> &block) {
    const int frames = int(block.size() / 2);
    std::fill(block.begin(), block.end(), 0.0f);
    fluid_synth_write_float(synth, frames, block.data(), 0, 2, block.data(), 1, 2);
    float peak = 0.0f;
    for (float v : block) {
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

} // namespace

int main(int argc, char **argv) {
    const bool dynamic = argc > 1 && std::strcmp(argv[1], "--dynamic") == 0;
    const int first = dynamic ? 2 : 1;
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: soundfont_probe [--dynamic] FONT MIDI...\n");
        return 2;
    }
    const char *font = argv[first];
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    const long before = residentKb();

    // A start as the program's: settings, synthesiser, SoundFont, then the composed note.
    const Clock::time_point start = Clock::now();
    Synth s = loaded(font, dynamic);
    if (!s.synth) {
        std::fprintf(stderr, "cannot load %s\n", font);
        return 1;
    }
    const double loadMs = msSince(start);
    const long afterLoad = residentKb();
    std::vector<float> block(2 * 512); // the program's audition period
    fluid_synth_program_change(s.synth.get(), 15, 0);
    fluid_synth_noteon(s.synth.get(), 15, 60, 100);
    while (renderBlock(s.synth.get(), block) < 1e-3f && msSince(start) < 10000) {
    }
    const double firstNoteMs = msSince(start);
    fluid_synth_system_reset(s.synth.get());

    // The songs one after the other through FluidSynth's player, as fast as it renders.
    long peakKb = afterLoad;
    const Clock::time_point renderStart = Clock::now();
    long blocks = 0;
    for (int i = first + 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string midi{std::istreambuf_iterator<char>(in), {}};
        FluidPtr<fluid_player_t> player(new_fluid_player(s.synth.get()));
        fluid_player_add_mem(player.get(), midi.data(), midi.size());
        fluid_player_play(player.get());
        while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
            renderBlock(s.synth.get(), block);
            if (++blocks % 64 == 0) {
                peakKb = std::max(peakKb, residentKb());
            }
        }
    }
    const double seconds = blocks * 512.0 / 44100.0;
    std::printf("%-40s %-8s load %7.1f ms  first note %7.1f ms  memory: base %6ld KB, "
                "loaded %7ld KB, playing %7ld KB  render %5.1fx real time\n",
                font, dynamic ? "dynamic" : "static", loadMs, firstNoteMs, before, afterLoad,
                peakKb, seconds * 1000 / std::max(1.0, msSince(renderStart)));
    return 0;
}
