// Playback tests: what a user hears of the FluidSynth device and sees on the bar. Sound is
// measured against the same device or as silence against sound, never as a level that
// one SoundFont alone gives.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

#include "bar_fixture.h"
#include "export/score_to_midi.h"
#include "playback/fluidsynth_sequencer.h"
#include "render/synth_setup.h"

namespace tunelet::playback {
namespace {

using testing::reportedErrors;

FluidSynthOptions silent() {
    FluidSynthOptions options;
    options.output = FluidSynthOptions::Output::Silent;
    return options;
}

float peak(const std::vector<float> &block) {
    float p = 0.0f;
    for (float v : block) {
        p = std::max(p, std::abs(v));
    }
    return p;
}

float largestDifference(const std::vector<float> &a, const std::vector<float> &b) {
    float d = a.size() == b.size() ? 0.0f : 1.0f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        d = std::max(d, std::abs(a[i] - b[i]));
    }
    return d;
}

// One piano note of a second on the last of `tracks` tracks; the others are empty.
QByteArray noteOnLastTrack(int tracks) {
    QByteArray smf("MThd\0\0\0\x06\0\x01", 10);
    smf += char(tracks >> 8);
    smf += char(tracks & 0xff);
    smf += QByteArray("\0\x30", 2);
    const QByteArray empty("\0\xff\x2f\0", 4);
    const QByteArray note("\0\x90\x3c\x64\x60\x80\x3c\0\0\xff\x2f\0", 12);
    for (int t = 1; t <= tracks; ++t) {
        const QByteArray &body = t == tracks ? note : empty;
        smf += QByteArray("MTrk\0\0\0", 7) + char(body.size()) + body;
    }
    return smf;
}

class PlaybackRules : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile::remove(path); // a new file, never written through a link
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::NewOnly));
        file.write(bytes);
        return path;
    }
    QString exported(const std::vector<std::string> &lines) {
        const auto result = midi::compileScore(lines, {48, true});
        EXPECT_TRUE(result.ok());
        return write("song.mid", QByteArray::fromStdString(result.bytes));
    }
    // The first 300 ms of a file's play on a fresh device.
    std::vector<float> playBeginning(const QString &path) {
        FluidSynthSequencer device(silent());
        EXPECT_EQ(device.open(path), 0u);
        device.play();
        device.renderMilliseconds(300);
        return device.lastBlock();
    }

    QTemporaryDir dir;
};

// At 48 ticks a beat a beat lasts 500 ms and a tick 10 ms, so a notice one tick late or
// a copy whose times FluidSynth reads wrongly misses the block of the end.
TEST_F(PlaybackRules, APlayEndsSuccessfullyInTheBlockThatReachesTheEnd) {
    struct Case {
        std::vector<std::string> lines;
        int endMs;
    };
    const Case cases[] = {
        {{"1fd/"}, 500},
        {{"1fa/"}, 2000},            // a whole note: a delta of two bytes
        {{"1fb/1fd/", "0c/"}, 2000}, // three beats, then a beat; a shorter track beside it
    };
    constexpr int kBlockMs = 5;
    for (const Case &c : cases) {
        FluidSynthSequencer device(silent());
        ASSERT_EQ(device.open(exported(c.lines)), 0u);
        QSignalSpy notices(&device, &Sequencer::completed);
        device.play();
        int rendered = 0;
        for (; notices.isEmpty() && rendered < 5000; rendered += kBlockMs) {
            device.renderMilliseconds(kBlockMs);
            QCoreApplication::processEvents();
        }
        const auto result = notices.isEmpty() ? -1 : int(notices[0][0].value<NotifyResult>());
        EXPECT_TRUE(result == int(NotifyResult::Successful) &&
                    std::abs(rendered - c.endMs) <= kBlockMs)
            << c.lines[0] << " ended with " << result << " after " << rendered << " ms";
    }
}

// FluidSynth's player holds 127 tracks at most; the last of them sounds as in a file of
// one track.
TEST_F(PlaybackRules, TheLastOfUpTo127TracksIsHeard) {
    const float alone = peak(playBeginning(write("one.mid", noteOnLastTrack(1))));
    for (const int tracks : {16, 127}) {
        const float last = peak(playBeginning(write("many.mid", noteOnLastTrack(tracks))));
        EXPECT_GT(last, alone / 2) << tracks << " tracks";
    }
}

// A note composed while the previous one still sounds is heard exactly as if that one had
// ended by its own length at the same moment.
TEST_F(PlaybackRules, ANewComposedNoteEndsTheOneStillSounding) {
    const auto heard = [](int firstNoteMs) {
        FluidSynthSequencer device(silent());
        device.auditionNote(19, 60, 100, firstNoteMs); // an organ holds its level
        device.renderMilliseconds(300);
        device.auditionNote(19, 64, 100, 5000);
        device.renderMilliseconds(500);
        return device.lastBlock();
    };
    const std::vector<float> ended = heard(300);
    EXPECT_LT(largestDifference(heard(5000), ended), peak(ended) / 100);
}

// A composed note starts the output with short periods, so that it is heard at once; a
// file plays with long ones, which keep a busy machine from dropping out.
// FluidSynth and the forty libraries it brings are opened at the device's first sound, not
// when the program makes its device at start. ctest runs each test in a process of its
// own; run with the others in one process, an earlier test has opened them already.
TEST_F(PlaybackRules, FluidSynthIsOpenedAtTheFirstSoundNotBefore) {
    const auto opened = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libfluidsynth");
    };
    if (opened()) {
        GTEST_SKIP() << "FluidSynth was opened by an earlier test of this process";
    }
    const std::unique_ptr<Sequencer> device = createSystemSequencer();
    EXPECT_FALSE(opened());
    FluidSynthSequencer silentDevice(silent());
    silentDevice.auditionNote(0, 60, 100, 10);
    silentDevice.renderMilliseconds(10);
    EXPECT_GT(peak(silentDevice.lastBlock()), 0.0f);
    EXPECT_TRUE(opened());
}

TEST_F(PlaybackRules, ComposedNotesStartTheOutputWithShortPeriods) {
    const FluidSynthOptions options = silent();
    const QString song = exported({"1fd/"});
    struct Case {
        const char *start;
        std::function<void(FluidSynthSequencer &)> run;
        int periodSize;
    };
    const Case cases[] = {
        {"a composed note", [](FluidSynthSequencer &d) { d.auditionNote(0, 60, 80, 500); },
         options.auditionPeriodSize},
        {"a play",
         [&](FluidSynthSequencer &d) {
             d.open(song);
             d.play();
         },
         options.periodSize},
    };
    for (const Case &c : cases) {
        FluidSynthSequencer device(options);
        c.run(device);
        EXPECT_EQ(device.outputPeriodSize(), c.periodSize) << c.start;
    }
}

// While the user composes, an output stays open between the notes, with the composer's
// short periods; a play has its own longer ones and gives the output back when it falls
// silent. Opening it needs no SoundFont.
TEST_F(PlaybackRules, WhileComposingTheOutputStaysOpen) {
    const FluidSynthOptions options = silent();
    const int composing = options.auditionPeriodSize;
    const QString song = exported({"1fd/"});
    FluidSynthSequencer device(options);
    const auto untilQuiet = [&] {
        for (int ms = 0; device.outputRunning() && ms < 20000; ms += 20) {
            device.renderMilliseconds(20);
        }
        QCoreApplication::processEvents();
    };
    struct Step {
        const char *what;
        std::function<void()> run;
        int periodSize;
    };
    const Step steps[] = {
        {"composing begins",
         [&] {
             device.setComposing(true);
             EXPECT_EQ(device.soundFontLoads(), 0);
         },
         composing},
        {"a note rings out",
         [&] {
             device.auditionNote(0, 60, 80, 200);
             untilQuiet();
         },
         composing},
        {"a play", [&] { device.open(song), device.play(); }, options.periodSize},
        {"the play ends", untilQuiet, composing},
        {"a practice play", [&] { device.playFrom(0); }, options.periodSize},
        {"it is stopped", [&] { device.stop(), untilQuiet(); }, composing},
        {"the file is closed", [&] { device.close(); }, composing},
        {"composing ends", [&] { device.setComposing(false); }, 0},
        {"a note rings out", [&] { device.auditionNote(0, 60, 80, 200), untilQuiet(); }, 0},
    };
    for (const Step &step : steps) {
        step.run();
        EXPECT_EQ(device.outputPeriodSize(), step.periodSize) << step.what;
    }
}

// The instrument before the caret is the one heard: each sounds unlike the piano.
TEST_F(PlaybackRules, AComposedNoteSoundsItsInstrument) {
    const auto heard = [](int program) {
        FluidSynthSequencer device(silent());
        device.auditionNote(program, 60, 100, 1000);
        device.renderMilliseconds(300);
        return device.lastBlock();
    };
    const std::vector<float> piano = heard(0);
    for (const int program : {19, 73, 127}) { // organ, flute, gunshot
        EXPECT_GT(largestDifference(heard(program), piano), peak(piano) / 10) << program;
    }
}

// Notes still sounding when a file is closed never sound again at the next Open.
TEST_F(PlaybackRules, NothingOfAClosedFileSoundsAtTheNextOpen) {
    const QString song = exported({"1fa/"});
    const std::vector<std::pair<const char *, std::function<void(FluidSynthSequencer &)>>>
        closings = {
            {"Close, then Open",
             [&](FluidSynthSequencer &d) {
                 d.close();
                 d.open(song);
             }},
            {"Open while playing", [&](FluidSynthSequencer &d) { d.open(song); }},
        };
    for (const auto &[what, closeAndOpen] : closings) {
        FluidSynthSequencer device(silent());
        ASSERT_EQ(device.open(song), 0u);
        device.play();
        device.renderMilliseconds(300);
        closeAndOpen(device);
        device.renderMilliseconds(20);
        EXPECT_LT(peak(device.lastBlock()), 1e-6f) << what;
    }
}

// A SoundFont that did not load is tried again by the next command that needs it, so the
// program is not silent for the rest of its run once the font is mended.
TEST_F(PlaybackRules, ASoundFontThatFailedToLoadIsTriedAgain) {
    const std::optional<std::string> font = render::firstExistingSoundFont(
        {render::kSoundFontCandidates.begin(), render::kSoundFontCandidates.end()});
    ASSERT_TRUE(font);
    const QString song = exported({"1fd/"});
    const std::vector<std::pair<const char *, std::function<void(FluidSynthSequencer &)>>>
        attempts = {
            {"Open and Play",
             [&](FluidSynthSequencer &d) {
                 d.open(song);
                 d.play();
             }},
            {"a composed note", [](FluidSynthSequencer &d) { d.auditionNote(0, 60, 100, 500); }},
        };
    for (const auto &[what, attempt] : attempts) {
        FluidSynthOptions options = silent();
        options.soundFonts = {write(QString("%1.sf2").arg(what), "not a SoundFont")};
        FluidSynthSequencer device(options);
        ASSERT_EQ(device.open(song), kErrSoundFontLoad);
        ASSERT_TRUE(QFile::remove(options.soundFonts[0]));
        ASSERT_TRUE(QFile::link(QString::fromStdString(*font), options.soundFonts[0]));
        attempt(device);
        device.renderMilliseconds(200);
        EXPECT_GT(peak(device.lastBlock()), 1e-3f) << what;
    }
}

// However a play ends, only a play the device could not carry on is reported as an error.
TEST_F(PlaybackRules, OnlyAFailedPlayIsReportedOnTheBar) {
    const QString song = exported({"1fd/"});
    const std::vector<std::pair<const char *, std::function<void(MediaPlayer &)>>> endings = {
        {"Stop", &MediaPlayer::stop},
        {"Next", &MediaPlayer::next},
        {"Prev", &MediaPlayer::previous},
        {"Play again", &MediaPlayer::play},
        {"Pause and Pause again",
         [](MediaPlayer &bar) {
             bar.pause();
             bar.pause();
         }},
        {"the end of the file", [](MediaPlayer &) {}},
    };
    for (const auto &[what, end] : endings) {
        auto owned = std::make_unique<FluidSynthSequencer>(silent());
        FluidSynthSequencer *device = owned.get();
        MediaPlayer bar(std::move(owned));
        bar.setFileName(song);
        bar.open();
        bar.play();
        device->renderMilliseconds(200);
        reportedErrors().clear();
        end(bar);
        device->renderMilliseconds(1000);
        QCoreApplication::processEvents();
        EXPECT_EQ(reportedErrors(), QStringList{}) << what;
    }
}

} // namespace

namespace testing {
namespace {

// Left and Right move the focus to the nearest visible button that way, or leave it.
TEST_F(BarTest, LeftAndRightReachTheNearestVisibleButton) {
    struct Case {
        TButtonSet visible;
        const char *keys; // from Play: L for Left, R for Right
        TMPBtnType focused;
    };
    const Case cases[] = {
        {kSeven, "R", btPause},
        {kSeven, "RL", btPlay},
        {kSeven, "L", btPlay},
        {kSeven, "RRRRRRR", btBack},
        {kSeven, "RRRRRRL", btStep},
        {bits({btPlay, btNext, btPrev}), "R", btNext},
        {bits({btPlay, btNext, btPrev}), "RRL", btNext},
        {bits({btPlay, btNext, btPrev}), "RL", btPlay},
    };
    std::vector<TMPBtnType> clicked;
    for (const Case &c : cases) {
        bar = std::make_unique<MediaPlayer>(std::make_unique<FakeSequencer>());
        bar->setVisibleButtons(c.visible);
        bar->setEnabledButtons(kSeven);
        QObject::connect(bar.get(), &MediaPlayer::click, bar.get(),
                         [&](TMPBtnType button, bool &doDefault) {
                             clicked.push_back(button);
                             doDefault = false;
                         });
        for (const char *k = c.keys; *k; ++k) {
            key(*k == 'L' ? Qt::Key_Left : Qt::Key_Right);
        }
        clicked.clear();
        key(Qt::Key_Space);
        EXPECT_EQ(clicked, std::vector<TMPBtnType>{c.focused}) << c.keys;
    }
}

} // namespace
} // namespace testing
} // namespace tunelet::playback
