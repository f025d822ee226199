// Window tests: the track list, the submit button, insert, delete, double-click, the
// status line and the layout of the "音轨" band.
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "ui/main_window/track_list_model.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;

struct SubmitCase {
    const char *name;
    int selected; // -1: none
    Answer answer;
    const char *question;
    Lines expected;
    int expectedSelection;
};

void PrintTo(const SubmitCase &c, std::ostream *os) {
    *os << c.name;
}

class SubmitTest : public WindowTest, public ::testing::WithParamInterface<SubmitCase> {};

TEST_P(SubmitTest, StoresTheEditorTextByTheAnswer) {
    const SubmitCase &c = GetParam();
    openScript({"1fd/", "2fd/", "3fd/"});
    if (c.selected >= 0) {
        select(c.selected);
    }
    ij()->setText("5fd/");
    prompt->answers = {c.answer};
    click("Button1");

    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0], (Shown{"question", QString::fromUtf8(c.question)}));
    EXPECT_EQ(lines(), c.expected);
    EXPECT_EQ(selectedRow(), c.expectedSelection);
    EXPECT_EQ(lp()->model()->rowCount(), static_cast<int>(c.expected.size()));
    EXPECT_EQ(ij()->text(), "5fd/") << "the editor keeps its text";
}

INSTANTIATE_TEST_SUITE_P(Button1, SubmitTest,
                         ::testing::Values(SubmitCase{"NoneYesAppends",
                                                      -1,
                                                      Answer::Yes,
                                                      "没有选定的音轨，要新建音轨吗？",
                                                      {"1fd/", "2fd/", "3fd/", "5fd/"},
                                                      -1},
                                           SubmitCase{"NoneNoKeeps",
                                                      -1,
                                                      Answer::No,
                                                      "没有选定的音轨，要新建音轨吗？",
                                                      {"1fd/", "2fd/", "3fd/"},
                                                      -1},
                                           SubmitCase{"SelectedYesReplaces",
                                                      1,
                                                      Answer::Yes,
                                                      "已有选定的音轨，要更新该音轨吗？",
                                                      {"1fd/", "5fd/", "3fd/"},
                                                      1},
                                           SubmitCase{"SelectedNoAppends",
                                                      1,
                                                      Answer::No,
                                                      "已有选定的音轨，要更新该音轨吗？",
                                                      {"1fd/", "2fd/", "3fd/", "5fd/"},
                                                      1}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(WindowTest, SubmitTwiceGivesTwoEqualTracksAndAnEmptyEditorGivesAnEmptyTrack) {
    prompt->answers = {Answer::Yes, Answer::Yes};
    click("Button1");
    click("Button1");
    EXPECT_EQ(lines(), (Lines{"", ""}));
    EXPECT_FALSE(saved()) << "a new track is unsaved work";
}

TEST_F(WindowTest, SubmitEncodesChineseTextAsGbk) {
    ij()->setText(QStringLiteral("@000/中"));
    prompt->answers = {Answer::Yes};
    click("Button1");
    EXPECT_EQ(lines(), (Lines{"@000/\xd6\xd0"}));
    EXPECT_EQ(lp()->model()->index(0, 0).data().toString(), QStringLiteral("@000/中"));
}

TEST_F(WindowTest, InsertAppendsAnEmptyTrackAndKeepsTheSelection) {
    openScript({"1fd/", "2fd/", "3fd/"});
    select(1);
    trigger("I1");
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/", "3fd/", ""}));
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_TRUE(prompt->shown.empty());
    EXPECT_FALSE(saved());
}

TEST_F(WindowTest, DeleteWithoutSelectionOnlyTellsSo) {
    openScript({"1fd/", "2fd/"});
    trigger("D1");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"notice", "没有选中的音轨！"}}));
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/"}));
    EXPECT_TRUE(saved());
}

TEST_F(WindowTest, DeleteAsksAndOnlyYesDeletes) {
    openScript({"1fd/", "2fd/", "3fd/"});
    select(1);
    prompt->answers = {Answer::No};
    trigger("D1");
    EXPECT_EQ(lines(), (Lines{"1fd/", "2fd/", "3fd/"}));
    EXPECT_TRUE(saved());

    prompt->answers = {Answer::Yes};
    trigger("D1");
    EXPECT_EQ(lines(), (Lines{"1fd/", "3fd/"}));
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"question", "要删除所选音轨吗？"},
                                                 {"question", "要删除所选音轨吗？"}}));
    EXPECT_FALSE(saved()) << "closing now must ask about the deleted track";
    EXPECT_EQ(selectedRow(), -1) << "the track that moved up was never picked";
    prompt->shown.clear();
    trigger("D1");
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"notice", "没有选中的音轨！"}}));
}

TEST_F(WindowTest, DoubleClickCopiesTheSelectedTrackLowerCasedIntoTheEditor) {
    openScript({"1fd/", "@001/5FD/"});
    select(1);
    const QRect row = lp()->visualRect(lp()->model()->index(1, 0));
    QTest::mouseDClick(lp()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(ij()->text(), "@001/5fd/");
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(lines()[1], "@001/5FD/") << "the score itself is unchanged";
    EXPECT_FALSE(saved()) << "the editor's text changed";
}

TEST_F(WindowTest, DoubleClickWithNothingSelectedDoesNothing) {
    ij()->setText("1fd/");
    QTest::mouseDClick(lp()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(ij()->text(), "1fd/");
    EXPECT_TRUE(prompt->shown.empty()) << "no error box";
}

TEST_F(WindowTest, EditorTurnsPastedTextToLowerCase) {
    QApplication::clipboard()->setText("1FD/AbC");
    QTest::keyClick(ij(), Qt::Key_Insert, Qt::ShiftModifier); // paste without a character
    EXPECT_EQ(ij()->text(), "1fd/abc");
    EXPECT_FALSE(saved());
}

TEST_F(WindowTest, ARowShowsOnlyTheHeadOfAVeryLongTrack) {
    std::string track;
    while (track.size() < 3'000'000) {
        track += "1fd/";
    }
    openScript({track});
    const QString shown = lp()->model()->index(0, 0).data().toString();
    EXPECT_TRUE(shown.size() < 4096 && QString::fromStdString(track).startsWith(shown));
    EXPECT_EQ(lines(), (Lines{track})) << "the track itself is whole";
}

TEST_F(WindowTest, OnlyOneTrackIsSelectedAtATime) {
    openScript({"1fd/", "2fd/", "3fd/"});
    const auto clickRow = [this](int row, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(lp()->viewport(), Qt::LeftButton, keys,
                          lp()->visualRect(lp()->model()->index(row, 0)).center());
    };
    clickRow(0, {});
    clickRow(2, Qt::ControlModifier);
    clickRow(1, Qt::ShiftModifier);
    EXPECT_EQ(lp()->selectionModel()->selectedRows().size(), 1);
}

TEST_F(WindowTest, StatusLineLagsAChangeByHalfASecondAtMost) {
    EXPECT_EQ(control<QTimer>("Timer1")->interval(), 500);
    EXPECT_TRUE(control<QTimer>("Timer1")->isActive());
}

TEST_F(WindowTest, NarrowingNeverFoldsTheToolBarsOrHidesTheTransportBar) {
    window->resize(100, 300);
    for (const char *name : {"ToolButton1", "ToolButton7", "ToolButton10", "mp1"}) {
        QWidget *w = control(name);
        const QRect shown(w->mapTo(window.get(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(w->isVisible() && window->rect().contains(shown)) << name;
    }
}

TEST_F(WindowTest, StatusLineShowsCountAndFileAfterATimerTick) {
    auto *gb1 = control<QGroupBox>("gb1");
    EXPECT_EQ(gb1->title(), "乐谱");
    QSignalSpy tick(control<QTimer>("Timer1"), &QTimer::timeout);
    ASSERT_TRUE(tick.wait(2000));
    EXPECT_EQ(gb1->title(), "乐谱：共0个音轨 | 脚本文件为：");

    const QString file = openScript({"1fd/", "2fd/", "3fd/"});
    ASSERT_TRUE(tick.wait(2000));
    EXPECT_EQ(gb1->title(), "乐谱：共3个音轨 | 脚本文件为：" + file);
}

TEST_F(WindowTest, ResizeKeepsTheSubmitButtonAtTheBandsRightEnd) {
    auto *band = control<QWidget>("ToolBar3");
    auto *button = control<QPushButton>("Button1");
    for (int width : {573, 800, 420}) {
        window->resize(width, 375);
        QCoreApplication::processEvents();
        const int w = band->width();
        SCOPED_TRACE(width);
        EXPECT_EQ(button->x(), w - 75 - 2);
        EXPECT_EQ(button->width(), 75);
        EXPECT_EQ(ij()->x(), 0);
        EXPECT_EQ(ij()->width(), w - 75 - 3);
    }
}

} // namespace
} // namespace tunelet::ui::testing
