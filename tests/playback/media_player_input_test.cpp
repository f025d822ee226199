// Playback tests: the transport bar under the pointer and the keyboard, and its sizing.
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "bar_fixture.h"

namespace tunelet::playback::testing {
namespace {

// Which button a press at x reaches, read from the click signal (the command is skipped).
class HitTest : public BarTest {
protected:
    void SetUp() override {
        BarTest::SetUp();
        bar->setAutoEnable(false); // every enabled button takes presses
        QObject::connect(bar.get(), &MediaPlayer::click, [this](TMPBtnType b, bool &doDefault) {
            hits.push_back(b);
            doDefault = false;
        });
    }
    int hitAt(int x) {
        hits.clear();
        clickAt(QPoint(x, 11));
        return hits.size() == 1 ? int(hits.front()) : -1;
    }
    std::vector<TMPBtnType> hits;
};

TEST_F(HitTest, SpansShareABorderPixelAndTheFirstButtonWins) {
    // Button k spans k*28 .. k*28 + 29, both ends included.
    const std::vector<std::pair<int, int>> cases = {{0, btPlay},   {29, btPlay}, {30, btPause},
                                                    {57, btPause}, {58, btStop}, {169, btStep},
                                                    {170, btBack}, {196, btBack}};
    for (const auto &[x, button] : cases) {
        EXPECT_EQ(hitAt(x), button) << "x = " << x;
    }
}

TEST_F(HitTest, HiddenButtonsTakeNoPlace) {
    bar->setVisibleButtons(bits({btPlay, btStop, btBack}));
    bar->resize(3 * 28 + 1, 22);
    EXPECT_EQ(hitAt(centre(1).x()), btStop);
    EXPECT_EQ(hitAt(centre(2).x()), btBack);
}

TEST_F(HitTest, ADisabledButtonTakesNoPress) {
    bar->setEnabledButtons(kSeven & ~buttonBit(btStop));
    EXPECT_EQ(hitAt(centre(2).x()), -1);
}

TEST_F(BarTest, NothingOpenPressesDoNothingButSpaceReports) {
    clickAt(centre(btPlay));
    EXPECT_TRUE(reportedErrors().isEmpty());
    EXPECT_TRUE(fake->commands().isEmpty());

    bar->setFocus();
    key(Qt::Key_Space);
    EXPECT_EQ(reportedErrors(), QStringList{"No MCI device open"});
}

// The bar's own activations hand their errors to the owner's reporter at the bar's
// boundary; nothing travels on through Qt's event delivery.
TEST_F(BarTest, ErrorsOfTheBarsButtonsAndKeysGoToTheReporter) {
    QStringList reported;
    bar->setErrorReporter([&](const std::exception &error) { reported << error.what(); });
    QObject::connect(bar.get(), &MediaPlayer::click, [](TMPBtnType b, bool &) {
        if (b == btNext) {
            throw std::runtime_error("the click handler failed");
        }
    });
    const std::vector<std::pair<const char *, std::function<void()>>> activations = {
        {"Space with nothing open",
         [&] {
             bar->setFocus();
             key(Qt::Key_Space);
         }},
        {"a click whose handler raises",
         [&] {
             openFile();
             clickAt(centre(btNext));
         }},
    };
    const QStringList expected = {"No MCI device open", "the click handler failed"};
    for (std::size_t i = 0; i < activations.size(); ++i) {
        activations[i].second();
        EXPECT_EQ(reported.value(int(i)), expected[int(i)]) << activations[i].first;
    }
    EXPECT_TRUE(reportedErrors().isEmpty());
}

// A greyed button takes neither the press nor the keyboard focus; a usable one takes both.
// Clicks through the window system, as Qt gives the focus only on those.
TEST_F(BarTest, OnlyAUsableButtonTakesTheFocus) {
    QWidget other(bar.get()); // a corner pixel of the bar's window, away from the buttons
    other.setGeometry(0, 0, 1, 1);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    QApplication::setActiveWindow(bar.get());
    other.setFocus();
    const auto click = [&](TMPBtnType b) {
        QTest::mouseClick(bar.get(), Qt::LeftButton, {}, centre(b));
    };
    click(btPlay);
    EXPECT_EQ(QApplication::focusWidget(), &other) << "Play is grey with nothing open";
    openFile();
    click(btStop);
    EXPECT_EQ(QApplication::focusWidget(), &other) << "Stop is grey until Play";
    click(btNext);
    EXPECT_EQ(QApplication::focusWidget(), bar.get());
    EXPECT_EQ(fake->commands().last(), "seekToEnd");
}

TEST_F(BarTest, SpaceOnAButtonOutsideTheEnabledSetDoesNothing) {
    openFile();
    bar->setEnabledButtons(kSeven & ~buttonBit(btPlay));
    bar->setFocus();
    fake->clearCommands();
    key(Qt::Key_Space);
    EXPECT_TRUE(fake->commands().isEmpty());
}

TEST_F(BarTest, LeftAndRightStopAtTheEnds) {
    openFile();
    bar->setFocus();
    fake->clearCommands();
    key(Qt::Key_Left); // already on Play
    key(Qt::Key_Space);
    EXPECT_EQ(fake->commands(), QStringList{"play"});

    for (int i = 0; i < 8; ++i) {
        key(Qt::Key_Right); // Back is the last visible button
    }
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    key(Qt::Key_Left); // Next
    fake->clearCommands();
    key(Qt::Key_Space);
    EXPECT_EQ(fake->commands(), QStringList{"seekToEnd"});
}

TEST_F(BarTest, FocusSkipsHiddenButtons) {
    openFile();
    bar->setVisibleButtons(bits({btPlay, btNext, btPrev}));
    bar->setFocus();
    key(Qt::Key_Right);
    fake->clearCommands();
    key(Qt::Key_Space);
    EXPECT_EQ(fake->commands(), QStringList{"seekToEnd"});
}

TEST_F(BarTest, DoubleClickOnPausePausesAndResumes) {
    openFile();
    clickAt(centre(btPlay));
    fake->clearCommands();
    doubleClickAt(centre(btPause));
    EXPECT_EQ(fake->commands(), (QStringList{"pause", "resume"}));
    EXPECT_EQ(fake->mode(), DeviceMode::Playing);
}

TEST_F(BarTest, DoubleClickOnPlayPlaysOnce) {
    openFile();
    fake->clearCommands();
    doubleClickAt(centre(btPlay));
    EXPECT_EQ(fake->commands(), QStringList{"play"});
}

TEST_F(BarTest, ReleaseOutsideRunsNothingAndComingBackRuns) {
    openFile();
    fake->clearCommands();
    QSignalSpy posted(bar.get(), &MediaPlayer::postClick);
    press(centre(btPlay));
    moveTo(centre(btNext));
    release(centre(btNext));
    EXPECT_TRUE(fake->commands().isEmpty());
    EXPECT_EQ(bar->activeButtons(), bits({btPlay, btNext, btPrev}));

    press(centre(btPlay));
    moveTo(QPoint(100, 11));
    moveTo(centre(btPlay));
    release(centre(btPlay));
    EXPECT_EQ(fake->commands(), QStringList{"play"});
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).at(0).value<TMPBtnType>(), btPlay);
}

TEST_F(BarTest, APressOnAGreyButtonIsIgnored) {
    openFile();
    fake->clearCommands();
    clickAt(centre(btStop));
    clickAt(centre(btStep));
    EXPECT_TRUE(fake->commands().isEmpty());
}

struct SizeCase {
    TButtonSet visible;
    QSize asked;
    QSize result;
};

TEST_F(BarTest, SizingRule) {
    const std::vector<SizeCase> cases = {
        {kSeven, {197, 22}, {197, 22}},      // the main window's bar keeps its size
        {kSeven, {100, 10}, {197, 20}},      // never below 29 x 20 a button
        {kSeven, {300, 22}, {295, 22}},      // buttons of 43: 7 * 42 + 1
        {kAllButtons, {197, 22}, {253, 22}}, // nine buttons of 29
        {bits({btPlay}), {50, 30}, {50, 30}}, {0, {10, 10}, {29, 20}}, // counted as one button
    };
    for (const SizeCase &c : cases) {
        bar->setVisibleButtons(c.visible);
        bar->resize(c.asked);
        EXPECT_EQ(bar->size(), c.result) << c.asked.width() << " x " << c.asked.height();
    }
}

} // namespace
} // namespace tunelet::playback::testing
