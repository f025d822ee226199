// Start-up benchmark: from exec to the main window shown, and the idle memory after it,
// for Tunelet's window beside a bare Qt window with a menu bar and a list.
//
// Each measured run starts a program afresh: startup_tunelet_window for Tunelet,
// startup_bare_window for the bare windows. The child builds its window, shows it and
// exits as soon as the window is exposed (time), or reports its resident memory after
// half a second of idling (memory).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// Runs the child and returns what it printed.
std::string spawnChild(const char *kind, const char *mode) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    // Each window is a program of its own, which maps only the libraries its window needs.
    const bool tunelet = std::strcmp(kind, "tunelet") == 0;
    char tuneletWindow[] = TUNELET_TUNELET_WINDOW;
    char bareWindow[] = TUNELET_BARE_WINDOW;
    char *tuneletArgs[] = {tuneletWindow, const_cast<char *>(mode), nullptr};
    char *bareArgs[] = {bareWindow, const_cast<char *>(kind), const_cast<char *>(mode), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, tunelet ? tuneletWindow : bareWindow, &actions, nullptr,
                               tunelet ? tuneletArgs : bareArgs, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; rc == 0 && (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    if (rc == 0) {
        waitpid(pid, &status, 0);
    }
    return text;
}

void startup(benchmark::State &state, const char *kind) {
    for (auto _ : state) {
        spawnChild(kind, "time");
    }
    state.counters["idle_rss_kB"] = std::atof(spawnChild(kind, "memory").c_str());
}

void BM_StartupTunelet(benchmark::State &state) {
    startup(state, "tunelet");
}
void BM_StartupBareQtWindow(benchmark::State &state) {
    startup(state, "bare");
}

void BM_StartupBareQtWindowChinese(benchmark::State &state) {
    startup(state, "bare-zh");
}

// The three windows in turn, round after round, each round's Tunelet time divided by the
// bare windows' times of the same round. The machines this runs on are shared and their
// speed drifts over seconds, which a run of each window after the other takes for a
// difference between the windows; the ratios within a round are what the goal is about.
double spawnTimed(const char *kind) {
    const auto start = std::chrono::steady_clock::now();
    spawnChild(kind, "time");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void BM_StartupRatioByRound(benchmark::State &state) {
    std::vector<double> toBare;
    std::vector<double> toBareChinese;
    for (auto _ : state) {
        const double tunelet = spawnTimed("tunelet");
        const double bare = spawnTimed("bare");
        const double bareChinese = spawnTimed("bare-zh");
        toBare.push_back(tunelet / bare);
        toBareChinese.push_back(tunelet / bareChinese);
    }
    state.counters["vs_bare"] = median(toBare);
    state.counters["vs_bare_zh"] = median(toBareChinese);
}

BENCHMARK(BM_StartupTunelet)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_StartupBareQtWindow)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_StartupBareQtWindowChinese)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_StartupRatioByRound)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(60);

} // namespace

int main(int argc, char **argv) {
    // The same platform for both windows, without needing a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
