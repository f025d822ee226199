// Practice probe: practice plays through the real audio output, as the program makes them,
// printing wall-clock marks (seconds since the epoch) that record_practice.sh lines up
// with a recording of the sound server's output. Not a test: it waits in real time.
//
//   practice_probe loop SPEED PASSES   a two-beat passage looped, each pass opened by one
//                                      loud note (PASSES passes at SPEED)
//   practice_probe from                play-from-here: compile, write, open and play from
//                                      the middle of a score, first with the SoundFont
//                                      not yet loaded, then again
//   practice_probe speed               speed changes while playing: from the call until the
//                                      followed position moves at the new speed
//   practice_probe follow              when position() reaches each note of a melody, to
//                                      line up with the notes' sound
//   practice_probe steady practice|transport
//                                      20 s of an organ that never falls silent, played
//                                      from here or by Play, position() asked as the view
//                                      asks it: any exact silence inside is a dropout
#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "export/score_to_midi.h"
#include "playback/fluidsynth_sequencer.h"

namespace {

using tunelet::playback::FluidSynthOptions;
using tunelet::playback::FluidSynthSequencer;
using tunelet::playback::Sequencer;

// The program's practice device; PROBE_PERIOD_SIZE tries another audio period size.
std::unique_ptr<Sequencer> createPracticeSequencer() {
    if (const char *size = std::getenv("PROBE_PERIOD_SIZE")) {
        FluidSynthOptions options;
        options.periodSize = std::atoi(size);
        return std::make_unique<FluidSynthSequencer>(options);
    }
    return tunelet::playback::createSystemSequencer();
}

double wallClock() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void mark(const char *what, double value) {
    std::printf("%s %.6f\n", what, value);
    std::fflush(stdout);
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What PracticeSession does at F5: compile the score, write it, open it, play from a tick.
bool playFrom(Sequencer &device, const std::vector<std::string> &lines, const QString &path,
              std::int64_t tick, std::uint16_t division = 48) {
    const auto result = tunelet::midi::compileScore(lines, {division, true});
    std::ofstream(path.toStdString(), std::ios::binary) << result.bytes;
    return result.ok() && device.open(path) == 0 && device.playFrom(tick) == 0;
}

int loop(double speed, int passes) {
    QTemporaryDir dir;
    auto device = createPracticeSequencer();
    const std::vector<std::string> score = {"#127/1hd/#025/5fe/5fe/1ga/"};
    device->setSpeed(speed);
    device->setLoop(0, 96);
    mark("pass_ms", 1000.0 * 96 / (96 * speed));
    mark("play", wallClock());
    if (!playFrom(*device, score, dir.filePath("loop.mid"), 0)) {
        return 1;
    }
    waitMs(int(passes * 1000 / speed) + 300);
    device->stop();
    mark("stop", wallClock());
    return 0;
}

int from() {
    QTemporaryDir dir;
    auto device = createPracticeSequencer();
    // Eight bars of quiet before the note played from, so that its onset is the first sound.
    const std::vector<std::string> score = {"@000/0a/0a/0a/0a/0a/0a/0a/0a/1fd/3fd/5fd/"};
    for (int run = 0; run < 5; ++run) {
        mark("play", wallClock());
        if (!playFrom(*device, score, dir.filePath("from.mid"), 8 * 192)) {
            return 1;
        }
        waitMs(1500);
        device->stop();
        waitMs(1500);
    }
    return 0;
}

// The position followed by ear moves at the old rate until the first block rendered at the
// new speed is heard: the change is heard where the slope over 20 ms comes nearer the new
// rate than the old.
double heardChangeMs(Sequencer &device, double oldRate, double newRate) {
    std::vector<std::pair<double, double>> samples; // wall ms, tick
    const double called = wallClock() * 1000;
    device.setSpeed(newRate / 0.96);
    while (wallClock() * 1000 < called + 400) {
        samples.emplace_back(wallClock() * 1000, double(device.position()));
        waitMs(1);
    }
    for (std::size_t i = 0, j = 0; i < samples.size(); ++i) {
        while (j < samples.size() && samples[j].first < samples[i].first + 20) {
            ++j;
        }
        if (j == samples.size()) {
            break;
        }
        const double slope =
            (samples[j].second - samples[i].second) / (samples[j].first - samples[i].first);
        if (std::abs(slope - newRate) < std::abs(slope - oldRate)) {
            return samples[i].first - called;
        }
    }
    return -1;
}

int speed() {
    QTemporaryDir dir;
    auto device = createPracticeSequencer();
    // Ten times the usual division: 0.96 ticks a millisecond at 100%.
    if (!playFrom(*device, {"1fa/1fa/1fa/1fa/1fa/1fa/1fa/1fa/"}, dir.filePath("s.mid"), 0, 480)) {
        return 1;
    }
    device->setLoop(0, device->length()); // plays on however long the measuring takes
    waitMs(1500);
    double rate = 0.96;
    for (const double factor : {0.5, 1.5, 0.25, 2.0, 1.0}) {
        waitMs(std::rand() % 50); // at a random point of a block
        mark("speed_heard_ms", heardChangeMs(*device, rate, 0.96 * factor));
        rate = 0.96 * factor;
        waitMs(300);
    }
    return 0;
}

int follow() {
    QTemporaryDir dir;
    auto device = createPracticeSequencer();
    std::string line;
    for (int i = 0; i < 12; ++i) {
        line += "#127/1hd/";
    }
    if (!playFrom(*device, {line}, dir.filePath("f.mid"), 0)) {
        return 1;
    }
    for (std::int64_t next = 0; next < 12 * 48;) {
        if (device->position() >= next) {
            mark("cross", wallClock());
            next += 48;
        }
        waitMs(1);
    }
    return 0;
}

int steady(bool practice) {
    QTemporaryDir dir;
    auto device = createPracticeSequencer();
    std::string line = "@019/";
    for (int i = 0; i < 10; ++i) {
        line += "1ec/5ec/";
    }
    const auto result = tunelet::midi::compileScore({line, "@019/" + line.substr(5)}, {48, false});
    const QString path = dir.filePath("steady.mid");
    std::ofstream(path.toStdString(), std::ios::binary) << result.bytes;
    if (device->open(path) != 0) {
        return 1;
    }
    waitMs(500);
    mark("play", wallClock());
    if ((practice ? device->playFrom(0) : device->play()) != 0) {
        return 1;
    }
    for (int ms = 0; ms < 20000; ms += 16) { // the view's frames
        device->position();
        waitMs(16);
    }
    device->stop();
    mark("stop", wallClock());
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "loop" && argc == 4) {
        return loop(std::atof(argv[2]), std::atoi(argv[3]));
    }
    if (what == "from") {
        return from();
    }
    if (what == "speed") {
        return speed();
    }
    if (what == "follow") {
        return follow();
    }
    if (what == "steady" && argc == 3) {
        return steady(std::string(argv[2]) == "practice");
    }
    std::fprintf(stderr, "usage: practice_probe loop SPEED PASSES | from | speed | follow | steady "
                         "practice|transport\n");
    return 2;
}
