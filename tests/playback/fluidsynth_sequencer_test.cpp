// Playback tests: the FluidSynth device on its silent output, with files written by the
// program's own MIDI export.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

#include "bar_fixture.h"
#include "crowded_midi.h"
#include "export/score_to_midi.h"
#include "playback/fluidsynth_sequencer.h"
#include "render/synth_setup.h"

namespace tunelet::playback {
namespace {

using Output = FluidSynthOptions::Output;

FluidSynthOptions silent() {
    FluidSynthOptions options;
    options.output = Output::Silent;
    return options;
}

// What FluidSynth's own player makes of `midi` with the SoundFont the device loads: the
// peak of each window of milliseconds, with the program's synthesiser settings or with
// FluidSynth's defaults. Levels differ from font to font; the tests compare with this.
std::vector<float> referencePeaks(const std::string &midi, bool programSettings,
                                  const std::vector<std::pair<int, int>> &windowsMs) {
    const auto font = render::firstExistingSoundFont(render::soundFontCandidates());
    render::FluidPtr<fluid_settings_t> settings(new_fluid_settings());
    if (programSettings) {
        render::applySynthSettings(settings.get(), 44100);
    }
    render::FluidPtr<fluid_synth_t> synth(new_fluid_synth(settings.get()));
    std::vector<float> peaks(windowsMs.size(), 0.0f);
    if (!font || fluid_synth_sfload(synth.get(), font->c_str(), 1) == FLUID_FAILED) {
        ADD_FAILURE() << "no General MIDI SoundFont: install fluid-soundfont-gm";
        return peaks;
    }
    render::FluidPtr<fluid_player_t> player(new_fluid_player(synth.get()));
    fluid_player_add_mem(player.get(), midi.data(), midi.size());
    fluid_player_play(player.get());
    std::vector<float> frame(2);
    for (int i = 0; i < windowsMs.back().second * 441 / 10; ++i) {
        fluid_synth_write_float(synth.get(), 1, frame.data(), 0, 2, frame.data(), 1, 2);
        for (std::size_t w = 0; w < windowsMs.size(); ++w) {
            if (i >= windowsMs[w].first * 441 / 10 && i < windowsMs[w].second * 441 / 10) {
                peaks[w] = std::max({peaks[w], std::abs(frame[0]), std::abs(frame[1])});
            }
        }
    }
    return peaks;
}

class FluidSynthTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const auto result = midi::compileScore({"@000/1fd/3fd/5fc/", "0d/1ec/"}, {48, true});
        ASSERT_TRUE(result.ok());
        songBytes = result.bytes;
        song = write("song.mid", QByteArray::fromStdString(result.bytes));
    }

    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Renders until `count` notices arrived or `limitMs` of music has been rendered.
    int renderUntilNotice(QSignalSpy &spy, int limitMs, int count = 1, int blockMs = 20) {
        int rendered = 0;
        while (spy.count() < count && rendered < limitMs) {
            device.renderMilliseconds(blockMs);
            rendered += blockMs;
            QCoreApplication::processEvents();
        }
        return rendered;
    }
    void renderWhileRunning(int limitMs) {
        for (int ms = 0; device.outputRunning() && ms < limitMs; ms += 20) {
            device.renderMilliseconds(20);
        }
    }
    static float peak(const std::vector<float> &block) {
        float p = 0.0f;
        for (float v : block) {
            p = std::max(p, std::abs(v));
        }
        return p;
    }

    QTemporaryDir dir;
    std::string songBytes;
    QString song;
    FluidSynthSequencer device{silent()};
};

// The end is found in the block in which the music reaches its length, not later; the
// last notes still ring when the notice comes, and the output stops once they have died.
TEST_F(FluidSynthTest, TheEndIsFoundInItsBlockAndTheLastNotesRingOut) {
    ASSERT_EQ(device.open(song), 0u);
    EXPECT_EQ(device.length(), 192); // two beats of 48 ticks, then a half note of 96
    QSignalSpy notices(&device, &Sequencer::completed);
    ASSERT_EQ(device.play(), 0u);

    // 192 ticks at 120 beats a minute and 48 ticks a beat last two seconds.
    constexpr int kBlockMs = 5;
    const int rendered = renderUntilNotice(notices, 10000, 1, kBlockMs);
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Successful);
    EXPECT_GT(rendered, 2000 - kBlockMs);
    EXPECT_LE(rendered, 2000 + kBlockMs);
    EXPECT_EQ(device.position(), device.length());
    EXPECT_EQ(device.mode(), DeviceMode::Stopped);

    device.renderMilliseconds(50);
    const float ring = referencePeaks(songBytes, true, {{rendered, rendered + 50}})[0];
    ASSERT_GT(ring, 1e-3f) << "the SoundFont's piano rings after its release";
    EXPECT_GT(peak(device.lastBlock()), ring / 2) << "the last note is not cut at the end";
    int ringing = 50;
    while (device.outputRunning() && ringing < 20000) {
        device.renderMilliseconds(50);
        ringing += 50;
    }
    EXPECT_FALSE(device.outputRunning()) << "the output stops once the sound has died away";
    device.renderMilliseconds(50);
    EXPECT_EQ(peak(device.lastBlock()), 0.0f);
}

// A file that never releases its notes (a sustained organ exported without staccato)
// still falls silent after its end, and the output with it.
TEST_F(FluidSynthTest, NotesTheFileNeverReleasesAreLetGoAtTheEnd) {
    const auto organ = midi::compileScore({"@019/1fd/5fd/"}, {48, false});
    ASSERT_TRUE(organ.ok());
    ASSERT_EQ(device.open(write("organ.mid", QByteArray::fromStdString(organ.bytes))), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    ASSERT_EQ(device.play(), 0u);
    renderUntilNotice(notices, 5000);
    ASSERT_EQ(notices.count(), 1);
    renderWhileRunning(5000);
    EXPECT_FALSE(device.outputRunning());
}

// A block that starts 200,000 notes at once renders for seconds. Stop, sent while it
// renders on the audio thread, has it drop the notes not yet started: the play ends
// aborted and nothing sounds after it. (How long the window waits: playback_bench.)
TEST_F(FluidSynthTest, CommandsDoNotWaitForACrowdedBlock) {
    const QString crowded =
        write("crowded.mid", QByteArray::fromStdString(testing::crowdedMidi(200000)));
    ASSERT_EQ(device.open(crowded), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    ASSERT_EQ(device.play(), 0u);
    std::atomic<bool> started = false;
    std::thread audio([&] {
        started = true;
        device.renderMilliseconds(20);
    });
    while (!started) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // inside the block
    ASSERT_EQ(device.stop(), 0u);
    audio.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Aborted);
    device.renderMilliseconds(20); // silent after the two blocks FluidSynth had made
    const auto &block = device.lastBlock();
    EXPECT_LT(peak({block.begin() + 2 * 2 * 64, block.end()}), 1e-6f);
}

// Nothing is rendered while nothing plays: after Open, once a pause or a stop has
// silenced the notes; Play starts the output again.
TEST_F(FluidSynthTest, TheOutputRunsOnlyWhileSomethingSounds) {
    ASSERT_EQ(device.open(song), 0u);
    device.renderMilliseconds(20);
    EXPECT_FALSE(device.outputRunning()) << "after Open";
    const std::vector<std::pair<const char *, ErrorCode (FluidSynthSequencer::*)()>> halts = {
        {"pause", &FluidSynthSequencer::pause},
        {"stop", &FluidSynthSequencer::stop},
        {"seekToStart", &FluidSynthSequencer::seekToStart}};
    for (const auto &[name, halt] : halts) {
        SCOPED_TRACE(name);
        ASSERT_EQ(device.play(), 0u);
        EXPECT_TRUE(device.outputRunning());
        device.renderMilliseconds(300);
        (device.*halt)();
        renderWhileRunning(5000);
        EXPECT_FALSE(device.outputRunning());
    }
}

// A note heard while composing needs no open file: it sounds at once, is released after
// its length, and the output stops once its ring has died; nothing sounds during a play.
TEST_F(FluidSynthTest, AnAuditionedNoteSoundsForItsLengthThenTheOutputStops) {
    // The level 800 ms after a note of 200 ms, beside one still held then.
    const auto levelAfter800ms = [this](int lengthMs) {
        EXPECT_EQ(device.auditionNote(19, 60, 100, lengthMs), 0u); // an organ holds its level
        device.renderMilliseconds(20);
        EXPECT_GT(peak(device.lastBlock()), 0.01f) << "sounds in the first block";
        for (int ms = 20; ms < 800; ms += 20) { // in blocks, as the audio thread renders
            device.renderMilliseconds(20);
        }
        return peak(device.lastBlock());
    };
    const float held = levelAfter800ms(5000);
    const float released = levelAfter800ms(200); // also cuts the held one
    EXPECT_LT(released, held / 4);
    renderWhileRunning(5000);
    EXPECT_FALSE(device.outputRunning());

    ASSERT_EQ(device.open(song), 0u);
    ASSERT_EQ(device.play(), 0u);
    device.renderMilliseconds(100);
    ASSERT_EQ(device.stop(), 0u);
    renderWhileRunning(5000);
    ASSERT_EQ(device.play(), 0u);
    ASSERT_EQ(device.auditionNote(0, 96, 127, 1000), 0u);
    ASSERT_EQ(device.stop(), 0u); // silences the file's notes, and an auditioned one too
    device.renderMilliseconds(20);
    EXPECT_LT(peak(device.lastBlock()), 1e-3f) << "no note was started during the play";
}

// A pause silences the sounding notes at once: what is rendered after it is silent after
// FluidSynth's first two 64-frame blocks (3 ms), which it had made before the pause.
TEST_F(FluidSynthTest, PauseSilencesTheSoundingNotes) {
    ASSERT_EQ(device.open(song), 0u);
    device.play();
    device.renderMilliseconds(300);
    ASSERT_GT(peak(device.lastBlock()), 0.03f);
    device.pause();
    device.renderMilliseconds(20);
    const auto &block = device.lastBlock();
    EXPECT_LT(peak({block.begin() + 2 * 2 * 64, block.end()}), 1e-6f); // -120 dBFS
}

// One voice sounds 2.5 times (8 dB) louder than at FluidSynth's own gain, which leaves
// a General MIDI voice at about -25 dBFS, too quiet beside other programs; louder still
// and sixteen busy tracks would clip.
TEST_F(FluidSynthTest, OneVoiceIsLoudEnoughWithoutClipping) {
    ASSERT_EQ(device.open(song), 0u);
    device.play();
    device.renderMilliseconds(300);
    const float fluidSynthDefault = referencePeaks(songBytes, false, {{0, 300}})[0];
    ASSERT_GT(fluidSynthDefault, 1e-3f);
    EXPECT_NEAR(peak(device.lastBlock()) / fluidSynthDefault, 2.5f, 0.25f);
}

TEST_F(FluidSynthTest, ResumeIsRefusedUnlessPaused) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    EXPECT_EQ(device.resume(), kErrNotPaused);
    EXPECT_EQ(device.mode(), DeviceMode::Stopped);
    device.renderMilliseconds(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(device.position(), 0);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(FluidSynthTest, StopKeepsThePositionAndPlayGoesOnFromIt) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    device.play();
    device.renderMilliseconds(500);
    ASSERT_EQ(device.stop(), 0u);
    const std::int64_t stopped = device.position();
    EXPECT_GT(stopped, 40);
    EXPECT_LT(stopped, 60);
    device.renderMilliseconds(500);
    EXPECT_EQ(device.position(), stopped);
    QCoreApplication::processEvents();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Aborted);

    device.play();
    device.renderMilliseconds(100);
    EXPECT_GT(device.position(), stopped);
    EXPECT_LT(device.position(), stopped + 20);
}

TEST_F(FluidSynthTest, PauseKeepsTheNoticePendingUntilTheEnd) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    device.play();
    device.renderMilliseconds(300);
    device.pause();
    EXPECT_EQ(device.mode(), DeviceMode::Paused);
    const std::int64_t paused = device.position();
    device.renderMilliseconds(300);
    EXPECT_EQ(device.position(), paused);
    ASSERT_EQ(device.resume(), 0u);
    renderUntilNotice(notices, 10000, 2);
    // the play's own notice is replaced by the resume's, which ends successfully
    ASSERT_EQ(notices.count(), 2);
    EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Superseded);
    EXPECT_EQ(notices.at(1).at(0).value<NotifyResult>(), NotifyResult::Successful);
}

TEST_F(FluidSynthTest, SeeksMoveThePositionAndAPlayAtTheEndEndsAtOnce) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    device.seekToEnd();
    EXPECT_EQ(device.position(), 192);
    device.play();
    QCoreApplication::processEvents();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(device.mode(), DeviceMode::Stopped);
    device.seekToStart();
    EXPECT_EQ(device.position(), 0);
}

TEST_F(FluidSynthTest, RefusesWhatIsNotAStandardMidiFile) {
    QFile file(song);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const QString text = write("notes.tnl", "1fd/2fd/3fd/\r\n");
    const QString truncated = write("cut.mid", whole.left(whole.size() - 6));
    const QString missing = dir.filePath("absent.mid");
    const std::vector<std::pair<QString, QString>> cases = {
        {text, "该文件不是标准MIDI文件：" + QDir::toNativeSeparators(text)},
        {truncated, "该文件不是标准MIDI文件：" + QDir::toNativeSeparators(truncated)},
        {missing, "无法打开文件：" + QDir::toNativeSeparators(missing)},
    };
    for (const auto &[path, expected] : cases) {
        ASSERT_EQ(device.open(song), 0u);
        const ErrorCode code = device.open(path);
        EXPECT_NE(code, 0u);
        EXPECT_EQ(device.errorText(code), expected);
        EXPECT_FALSE(device.isOpen());
        EXPECT_EQ(device.mode(), DeviceMode::NotReady);
    }
    EXPECT_EQ(device.errorText(12345), "Unknown error code");
}

// A pipe or a terminal is refused at Open at once: waiting for a pipe's writer would
// freeze the window for good.
TEST_F(FluidSynthTest, RefusesWhatIsNotARegularFileWithoutWaiting) {
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.mid"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    for (const QString &path : {QFile::decodeName(fifo), QStringLiteral("/dev/tty")}) {
        auto opened = std::async(std::launch::async, [&] { return device.open(path); });
        if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "Open waits for " << path.toStdString();
            ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK)); // lets the open go on
        }
        EXPECT_EQ(device.errorText(opened.get()),
                  "该文件不是普通文件（而是设备、管道或套接字），无法播放：" + path);
    }
}

TEST_F(FluidSynthTest, TheSoundFontIsLoadedOnceAndAMissingOneIsNamed) {
    EXPECT_EQ(device.soundFontLoads(), 0); // nothing before the first open
    ASSERT_EQ(device.open(song), 0u);
    ASSERT_EQ(device.open(song), 0u);
    EXPECT_EQ(device.soundFontLoads(), 1);

    FluidSynthOptions options = silent();
    options.soundFonts = {dir.filePath("none.sf2")};
    FluidSynthSequencer bare(options);
    const ErrorCode code = bare.open(song);
    EXPECT_EQ(bare.errorText(code), "找不到General MIDI音色库（FluidR3_GM.sf2 或 default-GM.sf2），"
                                    "请安装软件包 fluid-soundfont-gm");
    EXPECT_FALSE(bare.isOpen());
}

TEST_F(FluidSynthTest, NoticesOfAClosedFileAreDropped) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    device.play();
    device.renderMilliseconds(100);
    device.stop(); // its notice is posted, not yet delivered
    device.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(notices.count(), 0);
    EXPECT_EQ(device.play(), kErrNotOpen);
}

// As with an audio driver: one thread renders while the UI thread sends commands.
TEST_F(FluidSynthTest, RenderingOnAnotherThreadWhileCommandsArrive) {
    ASSERT_EQ(device.open(song), 0u);
    QSignalSpy notices(&device, &Sequencer::completed);
    std::atomic<bool> done = false;
    std::thread audio([&] {
        while (!done) {
            device.renderMilliseconds(3);
        }
    });
    for (int i = 0; i < 300; ++i) {
        switch (i % 5) {
        case 0:
            device.play();
            break;
        case 1:
            device.pause();
            break;
        case 2:
            device.resume();
            break;
        case 3:
            device.stop();
            break;
        default:
            (i % 2 ? device.seekToStart() : device.seekToEnd());
            break;
        }
        EXPECT_LE(device.position(), device.length());
        QCoreApplication::processEvents();
    }
    done = true;
    audio.join();
    QCoreApplication::processEvents();
    EXPECT_GE(notices.count(), 60); // every stop ends a play
    EXPECT_EQ(device.mode(), DeviceMode::Stopped);
}

// With no sound server to reach and no other driver to try, Open fails and says what
// happened and what the user can do; FluidSynth's own lines are kept apart as detail.
TEST_F(FluidSynthTest, WithoutAnAudioOutputOpenSaysWhatToDo) {
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir.filePath("no-server")));
    FluidSynthOptions options;
    options.audioDrivers = {"pulseaudio"};
    FluidSynthSequencer real(options);
    const ErrorCode code = real.open(song);
    saved.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", saved);

    ASSERT_EQ(code, kErrNoAudioOutput);
    EXPECT_EQ(real.errorText(code), "无法打开音频输出（已尝试 pulseaudio）\n"
                                    "没有找到可用的音频设备，导出MIDI文件不受影响。"
                                    "请启动声音服务器（如 PulseAudio）或连接音频设备后再播放");
    EXPECT_FALSE(real.errorDetail(code).isEmpty());
    EXPECT_FALSE(real.isOpen());
}

struct SampleFile {
    const char *name;
    ErrorCode open;
};

// Legal files that FluidSynth's own reader cannot take play from a plain copy; what
// FluidSynth cannot play at all is refused at Open with a text that says so.
TEST_F(FluidSynthTest, LegalFilesPlayOrAreRefusedAtOpen) {
    const std::vector<SampleFile> files = {{"long_header.mid", 0},
                                           {"unknown_chunk.mid", 0},
                                           {"running_status_after_sysex.mid", 0},
                                           {"smpte.mid", kErrSmpteDivision}};
    for (const SampleFile &file : files) {
        SCOPED_TRACE(file.name);
        const QString path = QStringLiteral(TUNELET_PLAYBACK_TEST_DATA "/") + file.name;
        const ErrorCode code = device.open(path);
        ASSERT_EQ(code, file.open) << device.errorText(code).toStdString();
        if (code != 0) {
            EXPECT_EQ(device.errorText(code), "该MIDI文件以SMPTE时间码计时，本程序无法播放：" +
                                                  QDir::toNativeSeparators(path));
            continue;
        }
        QSignalSpy notices(&device, &Sequencer::completed);
        ASSERT_EQ(device.play(), 0u);
        device.renderMilliseconds(200);
        EXPECT_GT(peak(device.lastBlock()), 0.05f) << "the note sounds";
        renderUntilNotice(notices, 5000);
        ASSERT_EQ(notices.count(), 1);
        EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Successful);
    }
}

// The bar over the real device: the buttons follow the music to its end.
TEST_F(FluidSynthTest, TheBarReturnsToPlayWhenTheFileEnds) {
    auto owned = std::make_unique<FluidSynthSequencer>(silent());
    FluidSynthSequencer *real = owned.get();
    MediaPlayer bar(std::move(owned));
    bar.setFileName(song);
    bar.open();
    QSignalSpy notices(&bar, &MediaPlayer::notify);
    bar.play();
    for (int ms = 0; notices.isEmpty() && ms < 10000; ms += 50) {
        real->renderMilliseconds(50);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(bar.activeButtons(), testing::bits({btPlay, btNext, btPrev}));
    bar.play(); // from the start again
    EXPECT_EQ(real->mode(), DeviceMode::Playing);
    real->renderMilliseconds(250); // 24 ticks a second at 48 a beat
    EXPECT_GE(real->position(), 22);
    EXPECT_LE(real->position(), 26);
}

} // namespace
} // namespace tunelet::playback
