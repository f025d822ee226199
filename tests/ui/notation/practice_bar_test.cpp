// Window tests: the practice bar over a practice session on the fake sequencer.
#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <functional>
#include <gtest/gtest.h>

#include "support/fake_sequencer.h"
#include "ui/notation/practice_bar.h"
#include "ui/notation/practice_session.h"

namespace tunelet::ui {
namespace {

class PracticeBarTest : public ::testing::Test {
public:
    PracticeBarTest() {
        auto fake = std::make_unique<playback::testing::FakeSequencer>();
        device = fake.get();
        session = std::make_unique<PracticeSession>(std::move(fake));
        bar = std::make_unique<PracticeBar>(*session);
    }
    QAction *action(const char *name) const {
        auto *found = bar->findChild<QAction *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void play(std::int64_t tick = 0) {
        ASSERT_EQ(session->playFrom({{"1fa/1fa/1fa/"}, 48, true}, tick), QString());
        device->clearCommands();
    }

    playback::testing::FakeSequencer *device = nullptr;
    std::unique_ptr<PracticeSession> session;
    std::unique_ptr<PracticeBar> bar;
};

TEST_F(PracticeBarTest, EachCommandHasItsCaptionShortcutAndTip) {
    const struct {
        const char *name;
        const char *caption;
    } rows[] = {{"playFromHere", "从此处播放 F5"}, {"loop", "循环 F6"},
                {"countIn", "预备拍 F7"},          {"metronome", "节拍器 F8"},
                {"stopPractice", "停止 Shift+F5"}, {"slower", "减慢 Ctrl+Down"},
                {"faster", "加快 Ctrl+Up"}};
    for (const auto &row : rows) {
        QAction *a = action(row.name);
        const QString shown = a->text() + ' ' + a->shortcut().toString();
        EXPECT_EQ(a->toolTip().isEmpty() ? QString() : shown, QString::fromUtf8(row.caption));
    }
}

TEST_F(PracticeBarTest, TheBarsCommandsReachTheDevice) {
    play();
    const struct {
        std::function<void(PracticeBarTest &)> use;
        const char *command;
    } rows[] = {
        {[](PracticeBarTest &t) { t.action("countIn")->trigger(); }, "clicks 1 0 4 48"},
        {[](PracticeBarTest &t) { t.action("metronome")->trigger(); }, "clicks 1 1 4 48"},
        {[](PracticeBarTest &t) { t.action("slower")->trigger(); }, "speed 0.75"},
        {[](PracticeBarTest &t) { t.action("faster")->trigger(); }, "speed 1"},
        {[](PracticeBarTest &t) { t.bar->findChild<QSpinBox *>("speed")->setValue(40); },
         "speed 0.4"},
        {[](PracticeBarTest &t) { t.action("stopPractice")->trigger(); }, "stop"},
    };
    for (const auto &row : rows) {
        device->clearCommands();
        row.use(*this);
        EXPECT_EQ(device->commands(), QStringList{row.command});
    }
}

TEST_F(PracticeBarTest, TheSpeedStaysWithinItsRange) {
    const struct {
        int start;
        const char *command;
        int shown;
    } rows[] = {{30, "slower", 25}, {190, "faster", 200}, {100, "faster", 125}};
    auto *speed = bar->findChild<QSpinBox *>("speed");
    for (const auto &row : rows) {
        speed->setValue(row.start);
        action(row.command)->trigger();
        EXPECT_EQ(speed->value(), row.shown) << row.command << " from " << row.start;
    }
}

// The bar being played, counted from 1, at four beats of 48 ticks; with a pickup of a
// beat, that short bar is bar 0 as the notation numbers it.
TEST_F(PracticeBarTest, ShowsTheBarBeingPlayed) {
    const struct {
        std::int64_t pickup, from;
        const char *shown;
    } rows[] = {{0, 0, "第 1 小节"},    {0, 191, "第 1 小节"}, {0, 192, "第 2 小节"},
                {0, 500, "第 3 小节"},  {48, 47, "第 0 小节"}, {48, 48, "第 1 小节"},
                {48, 239, "第 1 小节"}, {48, 240, "第 2 小节"}};
    auto *label = bar->findChild<QLabel *>("currentBar");
    for (const auto &row : rows) {
        session->setTimeSignature(4, 48, row.pickup);
        play(row.from);
        EXPECT_EQ(label->text(), QString::fromUtf8(row.shown)) << row.from;
    }
}

// While nothing plays the label names the bar of the chosen note, where the next play
// starts; while a play runs, the bar playing.
TEST_F(PracticeBarTest, WhenNothingPlaysTheBarOfTheChosenNoteIsShown) {
    const struct {
        const char *step;
        std::function<void(PracticeBarTest &)> act;
        const char *shown;
    } steps[] = {
        {"chosen", [](PracticeBarTest &t) { t.bar->setChosenTick(200); }, "第 2 小节"},
        {"playing", [](PracticeBarTest &t) { t.play(500); }, "第 3 小节"},
        {"chosen while playing", [](PracticeBarTest &t) { t.bar->setChosenTick(0); }, "第 3 小节"},
        {"stopped", [](PracticeBarTest &t) { t.action("stopPractice")->trigger(); }, "第 1 小节"},
    };
    auto *label = bar->findChild<QLabel *>("currentBar");
    for (const auto &step : steps) {
        step.act(*this);
        EXPECT_EQ(label->text(), QString::fromUtf8(step.shown)) << step.step;
    }
}

// Played on from where it is, the bar hears of the position once a screen frame; the end
// of the play is heard too.
TEST_F(PracticeBarTest, FollowsThePlayUntilItEnds) {
    play(0);
    QSignalSpy positions(session.get(), &PracticeSession::positionChanged);
    QSignalSpy stopped(session.get(), &PracticeSession::stopped);
    device->advance(200);
    ASSERT_TRUE(positions.wait(1000));
    EXPECT_EQ(positions.last().at(0).value<std::int64_t>(), 200);
    device->advance(1000);
    EXPECT_TRUE(stopped.wait(1000));
}

} // namespace
} // namespace tunelet::ui
