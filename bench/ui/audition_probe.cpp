// Audition probe: keys typed into the line editor of the program's window, with the real
// synthesiser and audio output, after idle spells of 0.5, 2, 3.5 and 10 seconds; then a
// second file opened while one plays and Play pressed. Prints wall-clock marks (seconds
// since the epoch) that scripts/record_playback.sh lines up with a recording of the sound
// server's output. Not a test: it waits in real time.
//
//   audition_probe keys          a key after each idle spell, each spell twice
//   audition_probe reopen FILE   Open, Play, Open again and Play, five times
#include "ui/common/line_editor.h"
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fixed_prompt.h"
#include "playback/fluidsynth_sequencer.h"
#include "playback/media_player.h"
#include "ui/main_window/main_window.h"

namespace {

void mark(const char *what) {
    using namespace std::chrono;
    std::printf("%s %.6f\n", what,
                duration<double>(system_clock::now().time_since_epoch()).count());
    std::fflush(stdout);
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int keys(tunelet::ui::MainWindow &window) {
    auto *editor = window.findChild<tunelet::ui::LineEditor *>("ij");
    QTest::keyClick(editor, '1'); // loads the SoundFont; not measured
    waitMs(2000);
    constexpr int kNoteMs = 500; // one beat, the length at start
    for (const int idleMs : {500, 2000, 3500, 10000, 500, 2000, 3500, 10000}) {
        waitMs(kNoteMs + idleMs);
        mark("note");
        QTest::keyClick(editor, '5');
    }
    waitMs(1000);
    return 0;
}

int reopen(tunelet::ui::MainWindow &window, const QString &path) {
    auto *bar = window.findChild<tunelet::playback::MediaPlayer *>("mp1");
    for (int i = 0; i < 5; ++i) {
        bar->setFileName(path);
        bar->open();
        bar->play();
        waitMs(1500);
        bar->setFileName(path);
        bar->open(); // closes the playing file first
        waitMs(300);
        mark("note");
        bar->play();
        waitMs(1500);
        bar->stop();
        waitMs(1000);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    auto prompt = std::make_unique<tunelet::bench::FixedPrompt>();
    tunelet::ui::MainWindow window(std::move(prompt), tunelet::playback::createSystemSequencer());
    window.show();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "keys") {
        return keys(window);
    }
    if (mode == "reopen" && argc == 3) {
        return reopen(window, QString::fromLocal8Bit(argv[2]));
    }
    std::fprintf(stderr, "usage: see the top of audition_probe.cpp\n");
    return 2;
}
