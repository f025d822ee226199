// Audition benchmark: from a key pressed in the line editor to the first rendered audio
// block that holds the note, with the SoundFont already loaded. The synthesiser renders
// on the silent output here, one 1024-frame block (the sound server's period) at a time,
// so the figure is the program's own share; the sound server adds its period on top.
#include <benchmark/benchmark.h>

#include "ui/common/line_editor.h"
#include <QAction>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "ui/common/prompt.h"
#include "ui/main_window/main_window.h"

namespace {

constexpr int kPeriodMs = 23; // 1024 frames at 44.1 kHz

void BM_KeyToFirstSoundingBlock(benchmark::State &state) {
    tunelet::playback::FluidSynthOptions options;
    options.output = tunelet::playback::FluidSynthOptions::Output::Silent;
    auto owned = std::make_unique<tunelet::playback::FluidSynthSequencer>(options);
    tunelet::playback::FluidSynthSequencer *device = owned.get();
    tunelet::ui::MainWindow window(std::make_unique<tunelet::bench::FixedPrompt>(),
                                   std::move(owned));
    auto *editor = window.findChild<tunelet::ui::LineEditor *>("ij");
    device->auditionNote(0, 60, 80, 10);           // loads the SoundFont before the clock runs
    window.findChild<QAction *>("pp7")->trigger(); // short notes, quiet again soon
    for (auto _ : state) {
        state.PauseTiming();
        editor->clear();
        while (device->outputRunning()) { // the last note's ring dies away first
            device->renderMilliseconds(kPeriodMs);
        }
        state.ResumeTiming();
        QTest::keyClick(editor, '1');
        float peak = 0.0f;
        while (peak == 0.0f && device->outputRunning()) {
            device->renderMilliseconds(kPeriodMs);
            for (float v : device->lastBlock()) {
                peak = std::max(peak, std::abs(v));
            }
        }
        benchmark::DoNotOptimize(peak);
    }
}

BENCHMARK(BM_KeyToFirstSoundingBlock)->Unit(benchmark::kMillisecond);

} // namespace
