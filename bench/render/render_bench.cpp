// WAV rendering benchmark: a one-minute song of four instruments and drums rendered as
// tunelet-export --wav renders it (SoundFont load included), as a real-time factor:
// seconds of sound per second of computing.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "export/score_to_midi.h"
#include "render/wav_renderer.h"

namespace {

// Each voice repeats its figure to 120 beats, one minute at the default division 48.
std::string repeated(const std::string &figure, int beatsPerFigure) {
    std::string line;
    for (int beat = 0; beat < 120; beat += beatsPerFigure) {
        line += figure;
    }
    return line;
}

std::vector<std::string> oneMinuteSong() {
    std::vector<std::string> lines(10); // line 10 is the drum channel; 5 to 9 stay empty
    lines[0] = "@000/#100/" + repeated("1fd/3fd/5fd/3fd/4fd/6fd/5fd/2fd/", 8); // piano
    lines[1] = "@032/" + repeated("1dc/5cc/4dc/5cc/", 8);                      // bass
    lines[2] = "@048/#060/" + repeated("3ea/4ea/", 8);                         // strings
    lines[3] = "@073/#070/" + repeated("5ge/6ge/5ge/3ge/2gd/0d/", 4);          // flute
    lines[9] = repeated("1de/xde/2de/xde/", 2);                                // drums
    return lines;
}

void BM_RenderOneMinuteSong(benchmark::State &state) {
    const tunelet::midi::ExportResult midi = tunelet::midi::compileScore(oneMinuteSong(), {});
    if (!midi.ok()) {
        state.SkipWithError("the song does not compile");
        return;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "tunelet-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string output = folder + "/song.wav";
    double seconds = 0;
    for (auto _ : state) {
        const tunelet::render::RenderResult result = tunelet::render::renderWav(midi.bytes, output);
        if (!result.ok()) {
            state.SkipWithError(tunelet::render::renderFailureText(result, output).c_str());
            break;
        }
        seconds = double(result.frames) / tunelet::render::kWavSampleRate;
        state.SetLabel(result.soundFont);
    }
    std::filesystem::remove_all(folder);
    state.counters["sound_s"] = seconds;
    // Seconds of sound per second of wall time: the real-time factor.
    state.counters["realtime_x"] =
        benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderOneMinuteSong)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
