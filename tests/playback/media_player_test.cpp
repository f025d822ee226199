// Playback tests: the transport bar's commands, usable buttons and completion notices,
// over the fake sequencer whose clock the test moves.
#include <QSignalSpy>

#include "bar_fixture.h"

namespace tunelet::playback::testing {
namespace {

constexpr TButtonSet kAfterOpen = bits({btPlay, btNext, btPrev});
constexpr TButtonSet kWhilePlaying = bits({btPause, btStop, btNext, btPrev});

TEST_F(BarTest, CommandsWithNothingOpenRaiseAndSendNothing) {
    const std::vector<std::pair<const char *, void (MediaPlayer::*)()>> commands = {
        {"play", &MediaPlayer::play},         {"pause", &MediaPlayer::pause},
        {"stop", &MediaPlayer::stop},         {"next", &MediaPlayer::next},
        {"previous", &MediaPlayer::previous}, {"step", &MediaPlayer::step},
        {"back", &MediaPlayer::back}};
    for (const auto &[name, command] : commands) {
        SCOPED_TRACE(name);
        try {
            (bar.get()->*command)();
            ADD_FAILURE() << "no exception";
        } catch (const EMCIDeviceError &error) {
            EXPECT_STREQ(error.what(), "No MCI device open");
        }
    }
    bar->close(); // harmless
    EXPECT_TRUE(fake->commands().isEmpty());
}

TEST_F(BarTest, OpenMakesPlayNextAndPrevUsable) {
    openFile("song.mid");
    EXPECT_TRUE(bar->isOpen());
    EXPECT_EQ(bar->lastError(), 0u);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
    EXPECT_EQ(fake->commands(), QStringList{"open song.mid"});
}

TEST_F(BarTest, RefusedOpenRaisesTheDeviceTextAndLeavesEverythingClosed) {
    openFile("first.mid");
    fake->setCommandError("open", 42);
    fake->setErrorText(42, "该文件不是标准MIDI文件：notes.tnl");
    bar->setFileName("notes.tnl");
    try {
        bar->open();
        ADD_FAILURE() << "no exception";
    } catch (const EMCIDeviceError &error) {
        EXPECT_EQ(QString::fromStdString(error.what()), "该文件不是标准MIDI文件：notes.tnl");
    }
    EXPECT_FALSE(bar->isOpen());
    EXPECT_EQ(bar->lastError(), 42u);
    EXPECT_EQ(bar->activeButtons(), 0u);
    EXPECT_EQ(fake->commands(), (QStringList{"open first.mid", "close", "open notes.tnl"}));
}

// The audio library's own lines travel apart from the message, for the box's details.
TEST_F(BarTest, ARefusedOpenCarriesTheLibrarysLinesAsDetail) {
    fake->setCommandError("open", 5);
    fake->setErrorText(5, "无法打开音频输出");
    fake->setErrorDetail(5, "Failed to create PulseAudio connection");
    try {
        openFile();
        ADD_FAILURE() << "no exception";
    } catch (const EMCIDeviceError &error) {
        EXPECT_EQ(QString::fromStdString(error.what()), "无法打开音频输出");
        EXPECT_EQ(error.detail(), "Failed to create PulseAudio connection");
    }
}

// A play the device could not carry on is said, and the bar shows Play usable again.
TEST_F(BarTest, AFailedPlayIsReportedAndTheBarReturnsToPlay) {
    QStringList reported;
    bar->setErrorReporter([&](const std::exception &error) { reported << error.what(); });
    openFile();
    clickAt(centre(btPlay));
    fake->failPlay("FluidSynth未能播放该MIDI文件：a.mid");
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->lastNotifyResult(), NotifyResult::Failure);
    EXPECT_EQ(reported, QStringList{"FluidSynth未能播放该MIDI文件：a.mid"});
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
}

TEST_F(BarTest, AnUnknownCodeGivesTheUnknownText) {
    fake->setCommandError("open", 7);
    EXPECT_THROW(
        {
            try {
                openFile();
            } catch (const EMCIDeviceError &error) {
                EXPECT_STREQ(error.what(), "Unknown error code");
                throw;
            }
        },
        EMCIDeviceError);
}

TEST_F(BarTest, ClickOnPlayThenTheEndOfTheFileReturnsTheBar) {
    openFile();
    QSignalSpy notices(bar.get(), &MediaPlayer::notify);
    clickAt(centre(btPlay));
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying);

    fake->advance(999);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying) << "the bar changes only on a notice";
    fake->advance(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(notices.count(), 1);
    EXPECT_EQ(bar->lastNotifyResult(), NotifyResult::Successful);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
    EXPECT_EQ(fake->position(), fake->length());
}

TEST_F(BarTest, PauseResumesAndPlayWhilePausedContinues) {
    openFile();
    clickAt(centre(btPlay));
    fake->advance(300);
    clickAt(centre(btPause));
    EXPECT_EQ(fake->mode(), DeviceMode::Paused);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying | buttonBit(btPlay));

    clickAt(centre(btPause));
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
    fake->advance(100);
    clickAt(centre(btPause));
    clickAt(centre(btPlay));
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
    EXPECT_EQ(fake->position(), 400);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying);
    EXPECT_EQ(fake->commands(),
              (QStringList{"open a.mid", "play", "pause", "resume", "pause", "play"}));
}

TEST_F(BarTest, PlayAfterStopContinuesAndAfterNextOrTheEndRewinds) {
    openFile();
    clickAt(centre(btPlay));
    fake->advance(250);
    clickAt(centre(btStop));
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
    fake->clearCommands();
    clickAt(centre(btPlay));
    EXPECT_EQ(fake->position(), 250);
    EXPECT_EQ(fake->commands(), QStringList{"play"});

    clickAt(centre(btNext));
    fake->clearCommands();
    clickAt(centre(btPlay));
    EXPECT_EQ(fake->commands(), (QStringList{"seekToStart", "play"}));
    EXPECT_EQ(fake->position(), 0);

    fake->advance(1000);
    QCoreApplication::processEvents();
    fake->clearCommands();
    bar->play();
    EXPECT_EQ(fake->commands(), (QStringList{"seekToStart", "play"}));
}

TEST_F(BarTest, WithoutAutoRewindPlayAtTheEndDoesNotSeek) {
    bar->setAutoRewind(false);
    openFile();
    bar->next();
    fake->clearCommands();
    bar->play();
    EXPECT_EQ(fake->commands(), QStringList{"play"});
}

TEST_F(BarTest, MenuCommandsLeaveTheBarUntilTheNextNotice) {
    openFile();
    bar->play();
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);

    fake->advance(120);
    clickAt(centre(btPlay)); // keeps the music going from where it is
    EXPECT_EQ(fake->position(), 120);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->lastNotifyResult(), NotifyResult::Superseded);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying) << "a superseded notice finds it playing";

    bar->stop();
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->lastNotifyResult(), NotifyResult::Aborted);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
}

TEST_F(BarTest, PauseWhileStoppedSendsNothing) {
    openFile();
    fake->clearCommands();
    bar->pause();
    EXPECT_TRUE(fake->commands().isEmpty());
    EXPECT_EQ(fake->mode(), DeviceMode::Stopped);
}

TEST_F(BarTest, RefusedResumeFallsBackToPlay) {
    openFile();
    bar->play();
    bar->pause();
    fake->setCommandError("resume", 5);
    fake->clearCommands();
    bar->pause();
    EXPECT_EQ(fake->commands(), (QStringList{"resume", "play"}));
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
    EXPECT_EQ(bar->lastError(), 0u);
}

TEST_F(BarTest, ARefusedClickSkipsItsChangeButSpaceAppliesIt) {
    openFile();
    fake->setCommandError("play", 9);
    clickAt(centre(btPlay));
    EXPECT_EQ(bar->lastError(), 9u);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
    bar->setFocus();
    key(Qt::Key_Space);
    EXPECT_EQ(bar->activeButtons(), kWhilePlaying);
    EXPECT_TRUE(reportedErrors().isEmpty());
}

TEST_F(BarTest, StepAndBackSendNothingForAMidiFile) {
    openFile();
    fake->clearCommands();
    bar->step();
    bar->back();
    EXPECT_TRUE(fake->commands().isEmpty());
}

TEST_F(BarTest, ASecondOpenEndsTheFirst) {
    openFile("one.mid");
    clickAt(centre(btPlay));
    openFile("two.mid");
    EXPECT_EQ(fake->commands(), (QStringList{"open one.mid", "play", "close", "open two.mid"}));
    EXPECT_EQ(fake->mode(), DeviceMode::Stopped);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
}

TEST_F(BarTest, ANoticeAfterCloseIsIgnored) {
    openFile();
    clickAt(centre(btPlay));
    QSignalSpy notices(bar.get(), &MediaPlayer::notify);
    bar->close();
    fake->postNotice(NotifyResult::Aborted);
    QCoreApplication::processEvents();
    EXPECT_EQ(notices.count(), 0);
    EXPECT_EQ(bar->activeButtons(), 0u);
    EXPECT_EQ(bar->lastNotifyResult(), NotifyResult::Successful);
}

TEST_F(BarTest, ARefusedCloseKeepsTheFileOpen) {
    openFile();
    fake->setCommandError("close", 3);
    bar->close();
    EXPECT_TRUE(bar->isOpen());
    EXPECT_EQ(bar->lastError(), 3u);
    EXPECT_EQ(bar->activeButtons(), kAfterOpen);
}

TEST_F(BarTest, ClearingDoDefaultSkipsTheCommand) {
    openFile();
    std::vector<TMPBtnType> clicked;
    QObject::connect(bar.get(), &MediaPlayer::click, [&](TMPBtnType b, bool &doDefault) {
        clicked.push_back(b);
        doDefault = false;
    });
    QSignalSpy posted(bar.get(), &MediaPlayer::postClick);
    fake->clearCommands();
    clickAt(centre(btPlay));
    EXPECT_EQ(clicked, std::vector<TMPBtnType>{btPlay});
    EXPECT_TRUE(fake->commands().isEmpty());
    EXPECT_EQ(posted.count(), 0);
}

TEST(MediaPlayerLifetime, DestroyingTheBarClosesItsFile) {
    auto device = std::make_unique<FakeSequencer>();
    const auto journal = device->journal();
    {
        MediaPlayer bar(std::move(device));
        bar.setFileName("a.mid");
        bar.open();
        bar.play();
    }
    EXPECT_EQ(*journal, (QStringList{"open a.mid", "play", "close"}));
}

} // namespace
} // namespace tunelet::playback::testing
