// Import benchmark: a MIDI file of about 1 MB made into a score, from the file on disk:
// one written by another program (16 channels, chords, running status, controllers,
// tempo changes) and one of Tunelet's own exports, read back token for token.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "export/score_to_midi.h"
#include "midi/midi_import.h"
#include "smf_writer.h"

namespace {

using namespace tunelet::midi::testing;

constexpr std::size_t kFileBytes = 1 << 20;

// Sixteen tracks, one channel each, at 480 ticks a quarter: three-note chords with
// swung timing and a controller now and then, until the file reaches about 1 MB.
std::string otherProgramsFile() {
    std::vector<std::vector<Ev>> tracks(16);
    tracks[0].push_back(tempo(0, 500000));
    std::size_t bytes = 0;
    for (std::uint32_t beat = 0; bytes < kFileBytes; ++beat) {
        for (int channel = 0; channel < 16 && bytes < kFileBytes; ++channel) {
            auto &events = tracks[std::size_t(channel)];
            const std::uint32_t start = beat * 480 + (beat % 2) * 40;
            for (int voice = 0; voice < 3; ++voice) {
                const int key = 40 + (int(beat) * 7 + channel * 3 + voice * 4) % 48;
                events.push_back(on(start, channel, key, 60 + voice * 10));
                events.push_back(off(start + 400 - std::uint32_t(voice) * 50, channel, key));
            }
            if (beat % 8 == 0) {
                events.push_back({start, {char(0xb0 | channel), 7, 100}});
            }
            bytes += 20; // about what the events take with running status
        }
        if (beat % 64 == 63) {
            tracks[0].push_back(tempo(beat * 480, 400000 + beat % 3 * 50000));
        }
    }
    std::vector<std::string> chunks;
    for (auto &events : tracks) {
        chunks.push_back(track(events, true));
    }
    return smf(1, 480, chunks);
}

// Sixteen lines of notes, rests and changes, exported with staccato to about 1 MB.
std::string ownExport() {
    const std::string pitches = "1v2w34x5y6z7";
    std::vector<std::string> lines(16);
    for (std::size_t n = 0; n < kFileBytes / 9; ++n) {
        std::string &line = lines[n % 16];
        if (n % 50 == 0) {
            line += "@0" + std::to_string(10 + n % 90) + "/";
        } else if (n % 9 == 0) {
            line += {'0', char('a' + n % 8), '/'};
        } else {
            line += {pitches[n % 12], char('c' + n % 7), char('a' + n % 8), '/'};
        }
    }
    return tunelet::midi::compileScore(lines, {48, true}).bytes;
}

void importFile(benchmark::State &state, const std::string &bytes, bool exact) {
    const auto path = std::filesystem::temp_directory_path() / "tunelet-import-bench.mid";
    std::ofstream(path, std::ios::binary) << bytes;
    for (auto _ : state) {
        const auto result = tunelet::midi::importMidiFile(path.string());
        if (!result.ok() || result.report.exact != exact) {
            state.SkipWithError("import failed");
            return;
        }
        benchmark::DoNotOptimize(result.lines.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    std::filesystem::remove(path);
}

void BM_ImportOtherProgramsFile(benchmark::State &state) {
    importFile(state, otherProgramsFile(), false);
}
void BM_ImportOwnExport(benchmark::State &state) {
    importFile(state, ownExport(), true);
}

BENCHMARK(BM_ImportOtherProgramsFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportOwnExport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
