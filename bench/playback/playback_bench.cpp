// Playback figures on the silent output: the first Open (which loads the SoundFont), a
// later Open, the Open of a wide score, the time from Play to the first rendered block,
// and how long the window waits while a crowded block renders. Real-time figures
// through the sound server: scripts/record_playback.sh.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "crowded_midi.h"
#include "export/score_to_midi.h"
#include "playback/fluidsynth_sequencer.h"

namespace {

using tunelet::playback::FluidSynthOptions;
using tunelet::playback::FluidSynthSequencer;

// One block of FluidSynth's default audio period: 64 frames at 44.1 kHz.
constexpr int kBlockMs = 2;

FluidSynthOptions silent() {
    FluidSynthOptions options;
    options.output = FluidSynthOptions::Output::Silent;
    return options;
}

const QString &songPath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const auto result =
            tunelet::midi::compileScore({"@000/1fd/2fd/3fd/4fd/5fd/6fd/7fd/1gd/"}, {48, true});
        if (!result.ok()) {
            std::abort();
        }
        const QString file = dir.filePath("song.mid");
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(result.bytes.data(), qint64(result.bytes.size()));
        return file;
    }();
    return path;
}

void checked(benchmark::State &state, tunelet::playback::ErrorCode code) {
    if (code != 0) {
        state.SkipWithError("open or play refused");
    }
}

void BM_FirstOpen(benchmark::State &state) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            FluidSynthSequencer device(silent());
            state.ResumeTiming();
            checked(state, device.open(songPath()));
            state.PauseTiming(); // the synth's teardown is not part of an Open
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstOpen)->Unit(benchmark::kMillisecond);

void BM_LaterOpen(benchmark::State &state) {
    FluidSynthSequencer device(silent());
    checked(state, device.open(songPath()));
    for (auto _ : state) {
        checked(state, device.open(songPath()));
    }
    state.counters["soundfont_loads"] = device.soundFontLoads();
}
BENCHMARK(BM_LaterOpen)->Unit(benchmark::kMicrosecond);

void BM_PlayToFirstBlock(benchmark::State &state) {
    FluidSynthSequencer device(silent());
    checked(state, device.open(songPath()));
    for (auto _ : state) {
        checked(state, device.play());
        device.renderMilliseconds(kBlockMs);
        benchmark::DoNotOptimize(device.lastBlock().data());
        state.PauseTiming();
        device.seekToStart();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlayToFirstBlock)->Unit(benchmark::kMicrosecond);

// Open of a wide score's file (16 tracks of 60,000 notes, about 6 MB): the check and the
// plain copy FluidSynth is given.
void BM_OpenWideScore(benchmark::State &state) {
    static QTemporaryDir dir;
    const QString path = dir.filePath("wide.mid");
    {
        std::string line = "@000/";
        for (int i = 0; i < 60000; ++i) {
            line += "1fd/";
        }
        const auto result =
            tunelet::midi::compileScore(std::vector<std::string>(16, line), {48, true});
        QFile out(path);
        if (!result.ok() || !out.open(QIODevice::WriteOnly)) {
            state.SkipWithError("the wide score does not compile");
            return;
        }
        out.write(result.bytes.data(), qint64(result.bytes.size()));
        state.counters["bytes"] = double(result.bytes.size());
    }
    FluidSynthSequencer device(silent());
    checked(state, device.open(songPath()));
    for (auto _ : state) {
        checked(state, device.open(path));
    }
}
BENCHMARK(BM_OpenWideScore)->Unit(benchmark::kMillisecond);

// Open and Play of a file with the SoundFont already loaded, to the first block.
void BM_OpenPlayToFirstBlock(benchmark::State &state) {
    FluidSynthSequencer device(silent());
    checked(state, device.open(songPath()));
    for (auto _ : state) {
        checked(state, device.open(songPath()));
        checked(state, device.play());
        device.renderMilliseconds(kBlockMs);
        benchmark::DoNotOptimize(device.lastBlock().data());
    }
}
BENCHMARK(BM_OpenPlayToFirstBlock)->Unit(benchmark::kMicrosecond);

double msBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// A file whose first block starts a million notes at one instant: how long a question
// of the window (the mode) and Stop wait, 300 ms into that block. whole_block_ms: the
// same block left to render to its end.
void BM_StopDuringCrowdedBlock(benchmark::State &state) {
    static QTemporaryDir dir;
    const QString path = dir.filePath("crowded.mid");
    QFile out(path);
    const std::string midi = tunelet::playback::testing::crowdedMidi(1000000);
    if (!out.open(QIODevice::WriteOnly) || out.write(midi.data(), qint64(midi.size())) < 0) {
        state.SkipWithError("cannot write the crowded file");
        return;
    }
    out.close();
    FluidSynthSequencer device(silent());
    checked(state, device.open(path));
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    checked(state, device.play());
    device.renderMilliseconds(20);
    state.counters["whole_block_ms"] = msBetween(start, Clock::now());
    double modeMs = 0;
    for (auto _ : state) {
        device.seekToStart();
        QCoreApplication::processEvents();
        checked(state, device.play());
        std::atomic<bool> started = false;
        std::thread audio([&] {
            started = true;
            device.renderMilliseconds(20);
        });
        while (!started) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        start = Clock::now();
        benchmark::DoNotOptimize(device.mode());
        const Clock::time_point asked = Clock::now();
        device.stop();
        state.SetIterationTime(msBetween(asked, Clock::now()) / 1000);
        modeMs = std::max(modeMs, msBetween(start, asked));
        audio.join();
    }
    state.counters["mode_ms"] = modeMs;
}
BENCHMARK(BM_StopDuringCrowdedBlock)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
