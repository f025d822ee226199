// Playback figures on the silent output: the first Open (which loads the SoundFont), a
// later Open, the Open of a wide score, and the time from Play to the first rendered
// block. Real-time figures through the sound server: scripts/record_playback.sh.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <vector>

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

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
