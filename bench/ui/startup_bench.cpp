// Start-up benchmark: from exec to the main window shown, and the idle memory after it,
// for Tunelet's window beside a bare Qt window with a menu bar and a list.
//
// Each measured run starts this program again as a child ("--child tunelet|bare|bare-zh
// time|memory"): the child builds the window, shows it and exits as soon as the window is
// exposed (time), or reports its resident memory after half a second of idling (memory).
#include <benchmark/benchmark.h>

#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QStringListModel>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "playback/fluidsynth_sequencer.h"
#include "ui/common/application.h"
#include "ui/common/font_warm_up.h"
#include "ui/common/prompt.h"
#include "ui/main_window/main_window.h"

extern char **environ;

namespace {

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::unique_ptr<QWidget> makeWindow(const std::string &kind, tunelet::ui::Application &app) {
    if (kind == "tunelet") {
        return std::make_unique<tunelet::ui::MainWindow>(
            std::make_unique<tunelet::ui::MessageBoxPrompt>(app.title()),
            tunelet::playback::createSystemSequencer());
    }
    // "bare-zh" has Chinese captions, so it pays for the Chinese font as Tunelet does.
    const bool chinese = kind == "bare-zh";
    auto window = std::make_unique<QMainWindow>();
    window->menuBar()
        ->addMenu(chinese ? QStringLiteral("文件(&F)") : QStringLiteral("File"))
        ->addAction(chinese ? QStringLiteral("打开(&O)") : QStringLiteral("Open"));
    auto *list = new QListView(window.get());
    list->setModel(new QStringListModel(list));
    window->setCentralWidget(list);
    return window;
}

int runChild(int argc, char **argv, const std::string &kind, bool memory) {
    // Tunelet's start as its main() has it: fontconfig's set-up begun before the
    // application object, Qt's texts in Chinese. A bare window leaves the fonts to Qt.
    const bool ownStart = kind == "tunelet";
    std::optional<tunelet::ui::FontConfigWarmUp> fonts;
    if (ownStart) {
        fonts.emplace();
    }
    tunelet::ui::Application app(argc, argv);
    if (ownStart) {
        tunelet::ui::loadChineseQtTexts(app);
        fonts->wait();
    }
    std::unique_ptr<QWidget> window = makeWindow(kind, app);
    window->show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window->windowHandle() || !window->windowHandle()->isExposed()) {
            return;
        }
        poll.stop();
        if (!memory) {
            std::_Exit(0); // shown: the time ends here, teardown is not measured
        }
        QTimer::singleShot(500, [] {
            std::printf("%ld\n", residentKilobytes());
            std::fflush(stdout);
            std::_Exit(0);
        });
    });
    poll.start(0);
    return app.exec();
}

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
    char self[] = "/proc/self/exe";
    char child[] = "--child";
    char *args[] = {self, child, const_cast<char *>(kind), const_cast<char *>(mode), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self, &actions, nullptr, args, environ);
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
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        return runChild(argc, argv, argv[2], std::strcmp(argv[3], "memory") == 0);
    }
    // The same platform for both windows, without needing a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
