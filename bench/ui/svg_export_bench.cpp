// The numbered notation as SVG from the command line, on 16-track scores of 2,000, 6,000
// and 60,000 notes a track: the time of the whole command, its peak memory and the file's
// size. TUNELET_EXPORT in the environment measures another build of tunelet-export (an
// older one, for the figures before a change).
//
// Figures on the shared 2-core build machine (time, peak memory, file):
//   before, Qt's SVG generator (every letter a whole path, six significant digits):
//     16 x 2,000: 7.0 s, 380 MB, 73 MB; 16 x 6,000: 21 s, 1,093 MB, 219 MB;
//     16 x 60,000: not run here (about 8 min, 15 GB and a 3 GB file)
//   after, each outline defined once and placed by reference, three decimals:
//     16 x 2,000: 0.45 s, 39 MB, 7.4 MB; 16 x 6,000: 1.1 s, 79 MB, 22 MB;
//     16 x 60,000: 13 s, 528 MB, 226 MB
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Every duration, octaves above and below, a rest and a volume mark.
void writeScore(const std::string &path, int notesPerTrack) {
    const std::string bar = "1fd/2fe/3ff/4ff/5gd/0e/vec/6fh/7fe/";
    std::string line = "@000/#080/";
    for (int n = 0; n < notesPerTrack / 9; ++n) {
        line += bar;
    }
    std::ofstream out(path, std::ios::binary);
    for (int t = 0; t < 16; ++t) {
        out << line << "\r\n";
    }
}

void BM_SvgOf16Tracks(benchmark::State &state) {
    const char *other = std::getenv("TUNELET_EXPORT");
    const std::string program = other != nullptr ? other : TUNELET_EXPORT_BIN;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tunelet-svg-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string score = (folder / "score.TNL").string();
    const std::string svg = (folder / "score.svg").string();
    writeScore(score, static_cast<int>(state.range(0)));
    double peakMb = 0;
    int status = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(program.c_str(), program.c_str(), "--svg", score.c_str(), svg.c_str(),
                    static_cast<char *>(nullptr));
            ::_exit(127);
        }
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peakMb = static_cast<double>(usage.ru_maxrss) / 1024;
    }
    state.counters["peak_MB"] = peakMb;
    state.counters["file_MB"] =
        std::filesystem::exists(svg) ? double(std::filesystem::file_size(svg)) / 1e6 : 0;
    state.counters["exit"] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SvgOf16Tracks)
    ->Arg(2000)
    ->Arg(6000)
    ->Arg(60000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
