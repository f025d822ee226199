// Export benchmark: ScoreToMidi on a 16-track score of about a million tokens, beside a
// plain buffered write of the same number of bytes to the same folder.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "export/score_to_midi.h"

namespace {

constexpr int kTracks = 16;
constexpr int kTokensPerTrack = 1'000'000 / kTracks;

std::vector<std::string> makeScore() {
    // A realistic mix: mostly notes of every pitch/octave/duration, some rests, and now
    // and then an instrument or volume change.
    const std::string pitches = "1v2w34x5y6z7";
    std::vector<std::string> lines(kTracks);
    for (int t = 0; t < kTracks; ++t) {
        std::string &line = lines[static_cast<std::size_t>(t)];
        line.reserve(static_cast<std::size_t>(kTokensPerTrack) * 5);
        for (int i = 0; i < kTokensPerTrack; ++i) {
            const auto n = static_cast<std::size_t>(i * 7 + t);
            if (i % 97 == 0) {
                line += "@0";
                line += std::to_string(10 + n % 90);
                line += '/';
            } else if (i % 53 == 0) {
                line += '#';
                line += std::to_string(100 + n % 156);
                line += '/';
            } else if (i % 9 == 0) {
                line += {'0', static_cast<char>('a' + n % 8), '/'};
            } else {
                line += {pitches[n % 12], static_cast<char>('b' + n % 9),
                         static_cast<char>('a' + n % 8), '/'};
            }
        }
    }
    return lines;
}

std::filesystem::path benchFolder() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "tunelet-export-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

void BM_ScoreToMidi(benchmark::State &state) {
    const std::vector<std::string> lines = makeScore();
    const std::string path = (benchFolder() / "score.MID").string();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = tunelet::midi::scoreToMidi(lines, {48, true}, path);
        if (!result.ok()) {
            state.SkipWithError("export failed");
            return;
        }
        bytes = result.bytes.size();
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["output_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ScoreToMidi)->Unit(benchmark::kMillisecond)->UseRealTime();

// The compilation alone, in memory: what the export costs before the disk is involved.
void BM_CompileScore(benchmark::State &state) {
    const std::vector<std::string> lines = makeScore();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = tunelet::midi::compileScore(lines, {48, true});
        bytes = result.bytes.size();
        benchmark::DoNotOptimize(result.bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_CompileScore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainBufferedWrite(benchmark::State &state) {
    const std::vector<std::string> lines = makeScore();
    // Same size as the export's output, written the ordinary way.
    const std::string data(tunelet::midi::compileScore(lines, {48, true}).bytes.size(), '\x3C');
    const std::string path = (benchFolder() / "plain.bin").string();
    std::vector<char> chunk(64 * 1024, '\x3C');
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (std::size_t done = 0; done < data.size(); done += chunk.size()) {
            out.write(data.data() + done,
                      static_cast<std::streamsize>(std::min(chunk.size(), data.size() - done)));
        }
        out.close();
        benchmark::DoNotOptimize(out.good());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_PlainBufferedWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
