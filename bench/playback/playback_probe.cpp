// Playback probe: plays through the real audio output the way the program does, and
// prints wall-clock marks (seconds since the epoch) that scripts/record_playback.sh lines
// up with a recording of the sound server's output. Not a test: it waits in real time.
//
//   playback_probe write-scale FILE    an 8-note scale, 120 beats a minute
//   playback_probe write-song FILE     16 tracks playing together
//   playback_probe write-wide FILE     16 tracks of 60,000 notes (about 8 MB)
//   playback_probe play FILE           Play, the end notice, the output stopping
//   playback_probe note                one note sent to a running synthesiser
//   playback_probe idle FILE PID       CPU of this program and of PID (the sound server)
//                                      after Open, Stop, Pause and the end
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "export/score_to_midi.h"
#include "playback/fluidsynth_engine.h"
#include "playback/fluidsynth_sequencer.h"

namespace {

using tunelet::playback::FluidSynthOptions;
using tunelet::playback::FluidSynthSequencer;
using tunelet::playback::NotifyResult;
using tunelet::playback::Sequencer;

double wallClock() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// The program's options; PROBE_PERIOD_SIZE tries another audio period size.
FluidSynthOptions programOptions() {
    FluidSynthOptions options;
    if (const char *size = std::getenv("PROBE_PERIOD_SIZE")) {
        options.periodSize = std::atoi(size);
    }
    return options;
}

void mark(const char *what) {
    std::printf("%s %.6f\n", what, wallClock());
    std::fflush(stdout);
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits, handling events, until `done` holds or limitMs passed.
template <typename F> bool waitFor(F done, int limitMs) {
    for (int waited = 0; waited < limitMs; waited += 5) {
        if (done()) {
            return true;
        }
        waitMs(5);
    }
    return done();
}

int writeScore(const std::vector<std::string> &lines, const char *path) {
    const auto result = tunelet::midi::compileScore(lines, {48, true});
    if (!result.ok()) {
        std::fprintf(stderr, "the score does not compile\n");
        return 1;
    }
    std::ofstream(path, std::ios::binary) << result.bytes;
    return 0;
}

bool openOrSay(FluidSynthSequencer &device, const QString &path) {
    if (const auto code = device.open(path)) {
        std::fprintf(stderr, "%s\n", device.errorText(code).toUtf8().constData());
        return false;
    }
    return true;
}

int play(const QString &path) {
    FluidSynthSequencer device(programOptions());
    if (!openOrSay(device, path)) {
        return 1;
    }
    waitFor([&] { return !device.outputRunning(); }, 2000);
    bool ended = false;
    QObject::connect(&device, &Sequencer::completed, [&](NotifyResult) { ended = true; });
    mark("play");
    device.play();
    waitFor([&] { return ended; }, 600000);
    mark("end_notice");
    waitFor([&] { return !device.outputRunning(); }, 20000);
    mark("output_stopped");
    return 0;
}

// Notes heard while composing, as the program sends them: the first starts the output,
// the next ones come while it still runs, as when a user types a melody.
int note() {
    FluidSynthSequencer device(programOptions());
    if (device.auditionNote(0, 60, 1, 10) != 0) { // loads the SoundFont, starts the output
        return 1;
    }
    waitMs(1000);
    for (int i = 0; i < 5; ++i) {
        mark("note");
        device.auditionNote(0, 60, 100, 500);
        waitMs(1000);
    }
    return 0;
}

double cpuSeconds(long pid) {
    if (pid == 0) {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

void measureIdle(const char *phase, long serverPid) {
    constexpr int kMs = 4000;
    const double self = cpuSeconds(0);
    const double server = cpuSeconds(serverPid);
    waitMs(kMs);
    std::printf("idle %-12s program %5.2f%%  sound server %5.2f%%\n", phase,
                100.0 * (cpuSeconds(0) - self) * 1000 / kMs,
                100.0 * (cpuSeconds(serverPid) - server) * 1000 / kMs);
    std::fflush(stdout);
}

int idle(const QString &path, long serverPid) {
    FluidSynthSequencer device(programOptions());
    if (!openOrSay(device, path)) {
        return 1;
    }
    bool ended = false;
    QObject::connect(&device, &Sequencer::completed,
                     [&](NotifyResult r) { ended = r == NotifyResult::Successful; });
    waitMs(500);
    measureIdle("after Open", serverPid);
    device.play();
    waitMs(1000);
    measureIdle("playing", serverPid);
    device.stop();
    waitMs(500);
    measureIdle("after Stop", serverPid);
    device.play();
    waitMs(500);
    device.pause();
    waitMs(500);
    measureIdle("paused", serverPid);
    device.resume();
    waitFor([&] { return ended; }, 600000);
    waitFor([&] { return !device.outputRunning(); }, 20000);
    measureIdle("after end", serverPid);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write-scale" && argc == 3) {
        return writeScore({"@000/1fd/2fd/3fd/4fd/5fd/6fd/7fd/1gd/"}, argv[2]);
    }
    if (mode == "write-song" && argc == 3) {
        std::vector<std::string> lines;
        for (int track = 0; track < 16; ++track) {
            // Each track its own instrument and octave, chords of 16 voices at once.
            char program[8];
            std::snprintf(program, sizeof program, "@%03d/", track * 7 % 128);
            std::string line = program;
            for (int bar = 0; bar < 4; ++bar) {
                line.append("1").push_back(char('d' + track % 3));
                line.append("d/3fd/5fd/1gd/");
            }
            lines.push_back(line);
        }
        return writeScore(lines, argv[2]);
    }
    if (mode == "write-wide" && argc == 3) {
        std::string line = "@000/";
        for (int i = 0; i < 60000; ++i) {
            line += "1fd/";
        }
        return writeScore(std::vector<std::string>(16, line), argv[2]);
    }
    if (mode == "play" && argc == 3) {
        return play(QString::fromLocal8Bit(argv[2]));
    }
    if (mode == "note") {
        return note();
    }
    if (mode == "idle" && argc == 4) {
        return idle(QString::fromLocal8Bit(argv[2]), std::stol(argv[3]));
    }
    std::fprintf(stderr, "usage: see the top of playback_probe.cpp\n");
    return 2;
}
