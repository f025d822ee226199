// Dialog tests: the instrument chooser, the value dialog, the documentation window and
// the about box, each also in a real modal run driven as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <vector>

#include "ui/dialogs/about_box.h"
#include "ui/dialogs/documentation_window.h"
#include "ui/dialogs/instrument_chooser.h"
#include "ui/dialogs/value_dialog.h"
#include "ui/support/when_modal.h"

namespace tunelet::ui::testing {
namespace {

// A user's action on a showing dialog.
enum class Step { Enter, Esc, CloseBox, OkButton, CancelButton };

void perform(QDialog *dialog, Step step) {
    QWidget *focus = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    switch (step) {
    case Step::Enter:
        QTest::keyClick(focus, Qt::Key_Return);
        break;
    case Step::Esc:
        QTest::keyClick(focus, Qt::Key_Escape);
        break;
    case Step::CloseBox:
        dialog->close();
        break;
    case Step::OkButton:
        QTest::mouseClick(dialog->findChild<QPushButton *>("OKBtn"), Qt::LeftButton);
        break;
    case Step::CancelButton:
        QTest::mouseClick(dialog->findChild<QPushButton *>("CancelBtn"), Qt::LeftButton);
        break;
    }
}

// Runs dialog's modal loop; act works on it once it shows and must end it. Returns the
// modal result; a dialog that never showed, or that act left open, fails the test.
int runModal(QDialog &dialog, const std::function<void(QDialog *)> &act) {
    bool seen = false;
    whenModal<QDialog>(&seen, [&](QDialog *shown) {
        EXPECT_EQ(shown, &dialog);
        act(shown);
        if (shown->isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            shown->done(-1);
        }
    });
    const int result = dialog.exec();
    EXPECT_TRUE(seen) << "no dialog showed";
    return result;
}

template <typename T = QWidget> T *control(const QWidget *dialog, const char *name) {
    T *found = dialog->findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The named controls that Tab visits, in order, starting from the first one.
QStringList tabOrder(const QWidget *dialog, const char *first, qsizetype count) {
    QStringList names;
    QWidget *at = control(dialog, first);
    while (at && names.size() < count) {
        if ((at->focusPolicy() & Qt::TabFocus) && !at->objectName().isEmpty()) {
            names << at->objectName();
        }
        at = at->nextInFocusChain();
    }
    return names;
}

TEST(InstrumentChooser, ListsThe128InstrumentsInOrderWithNoneSelected) {
    // clang-format off
    const QStringList expected = {
        "大钢琴", "明亮的钢琴", "电钢琴", "酒吧钢琴", // 0
        "柔和的电钢琴", "加合唱效果的电钢琴", "羽管键琴（拨弦古钢琴）", "科拉维科特琴（击弦古钢琴）", // 4
        "钢片琴", "钟琴", "八音盒", "颤音琴", // 8
        "马林巴", "木琴", "管钟", "大扬琴", // 12
        "击杆风琴", "打击式风琴", "摇滚风琴", "教堂风琴", // 16
        "簧管风琴", "手风琴", "口琴", "探戈手风琴", // 20
        "尼龙弦吉他", "钢弦吉他", "爵士电吉他", "清音电吉他", // 24
        "闷音电吉他", "加驱动效果的电吉他", "加失真效果的电吉他", "吉他和音", // 28
        "大贝司（声学贝司）", "电贝司（指弹）", "电贝司（拨片）", "无品贝司", // 32
        "掌击Bass 1", "掌击Bass 2", "电子合成Bass 1", "电子合成Bass 2", // 36
        "小提琴", "中提琴", "大提琴", "低音大提琴", // 40
        "弦乐群颤音音色", "弦乐群拨弦音色", "竖琴", "定音鼓", // 44
        "弦乐合奏音色1", "弦乐合奏音色2", "合成弦乐合奏音色1", "合成弦乐合奏音色2", // 48
        "人声合唱“啊”", "人声“嘟”", "合成人声", "管弦乐敲击齐奏", // 52
        "小号", "长号", "大号", "加弱音器小号", // 56
        "法国号（圆号）", "铜管组（铜管乐器合奏音色）", "合成铜管音色1", "合成铜管音色2", // 60
        "高音萨克斯风", "次中音萨克斯风", "中音萨克斯风", "低音萨克斯风", // 64
        "双簧管", "英国管", "巴松（大管）", "单簧管（黑管）", // 68
        "短笛", "长笛", "竖笛", "排箫", // 72
        "Bottle Blow", "日本尺八", "口哨声", "奥卡雷那", // 76
        "合成主音1（方波）", "合成主音2（锯齿波）", "合成主音3", "合成主音4", // 80
        "合成主音5", "合成主音6（人声）", "合成主音7（平行五度）", "合成主音8（贝司加主音）", // 84
        "合成音色1（新世纪）", "合成音色2 （温暖）", "合成音色3", "合成音色4 （合唱）", // 88
        "合成音色5", "合成音色6 （金属声）", "合成音色7 （光环）", "合成音色8", // 92
        "合成效果 1 雨声", "合成效果 2 音轨", "合成效果 3 水晶", "合成效果 4 大气", // 96
        "合成效果 5 明亮", "合成效果 6 鬼怪", "合成效果 7 回声", "合成效果 8 科幻", // 100
        "西塔尔（印度）", "班卓琴（美洲）", "三昧线（日本）", "十三弦筝（日本）", // 104
        "卡林巴", "风笛", "民族提琴", "山奈", // 108
        "叮当铃", "Agogo", "钢鼓", "木鱼", // 112
        "太鼓", "通通鼓", "合成鼓", "铜钹", // 116
        "吉他换把杂音", "呼吸声", "海浪声", "鸟鸣", // 120
        "电话铃", "直升机", "鼓掌声", "枪声", // 124
    };
    // clang-format on
    InstrumentChooser dialog(nullptr);
    auto *lyq = control<QListWidget>(&dialog, "lyq");
    QStringList shown;
    for (int row = 0; row < lyq->count(); ++row) {
        shown << lyq->item(row)->text();
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(dialog.itemIndex(), -1);
    EXPECT_TRUE(lyq->selectedItems().isEmpty());
}

// How the chooser is left, and the instrument read afterwards.
struct ChooserCase {
    const char *name;
    int pickedRow; // clicked before the step; -1 for none
    bool doubleClick;
    Step step;
    int result;
    int index;
};

class InstrumentChooserModal : public ::testing::TestWithParam<ChooserCase> {};

TEST_P(InstrumentChooserModal, EndsWithTheResultAndTheIndex) {
    const ChooserCase &c = GetParam();
    InstrumentChooser dialog(nullptr);
    const int result = runModal(dialog, [&](QDialog *shown) {
        EXPECT_EQ(shown->focusWidget(), control(shown, "OKBtn")) << "OK has the focus at once";
        if (c.pickedRow < 0) {
            perform(shown, c.step);
            return;
        }
        auto *lyq = control<QListWidget>(shown, "lyq");
        QListWidgetItem *item = lyq->item(c.pickedRow);
        lyq->scrollToItem(item);
        const QPoint at = lyq->visualItemRect(item).center();
        QTest::mouseClick(lyq->viewport(), Qt::LeftButton, {}, at);
        if (c.doubleClick) {
            QTest::mouseDClick(lyq->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(lyq->viewport(), Qt::LeftButton, {}, at);
        } else {
            perform(shown, c.step);
        }
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(dialog.itemIndex(), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, InstrumentChooserModal,
    ::testing::Values(ChooserCase{"EnterAtOnce", -1, false, Step::Enter, 1, -1},
                      ChooserCase{"DoubleClickFirst", 0, true, Step::Enter, 1, 0},
                      ChooserCase{"DoubleClickLast", 127, true, Step::Enter, 1, 127},
                      ChooserCase{"PickThenEnter", 40, false, Step::Enter, 1, 40},
                      ChooserCase{"PickThenEsc", 5, false, Step::Esc, 2, 5},
                      ChooserCase{"PickThenCloseBox", 5, false, Step::CloseBox, 2, 5},
                      ChooserCase{"PickThenOkButton", 7, false, Step::OkButton, 1, 7},
                      ChooserCase{"PickThenCancelButton", 7, false, Step::CancelButton, 2, 7}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ValueDialog, AsCreatedShowsZeroWithTheRangeUpTo600) {
    ValueDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "设置时间增量");
    EXPECT_EQ(control<QLineEdit>(&dialog, "et")->text(), "0");
    EXPECT_EQ(dialog.position(), 0);
    dialog.setPosition(601);
    EXPECT_EQ(dialog.position(), 600);
}

// A spinner set up as a caller does, then stepped or typed into by the user.
struct SpinnerCase {
    const char *name;
    int maximum;
    int start;
    std::function<void(QLineEdit *et, QWidget *ud1)> act;
    int position;
    const char *shown; // et's text afterwards
};

void keys(QLineEdit *et, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(et, key);
    }
}

void arrows(QWidget *ud1, const char *arrow, int times) {
    for (int i = 0; i < times; ++i) {
        QTest::mouseClick(control(ud1, arrow), Qt::LeftButton);
    }
}

void type(QLineEdit *et, const char *text) {
    et->selectAll();
    QTest::keyClicks(et, QString::fromUtf8(text));
}

class ValueDialogSpinner : public ::testing::TestWithParam<SpinnerCase> {};

TEST_P(ValueDialogSpinner, KeepsThePositionWithinTheRange) {
    const SpinnerCase &c = GetParam();
    ValueDialog dialog(nullptr);
    dialog.setMaximum(c.maximum);
    dialog.setPosition(c.start);
    auto *et = control<QLineEdit>(&dialog, "et");
    c.act(et, control(&dialog, "ud1"));
    EXPECT_EQ(dialog.position(), c.position);
    EXPECT_EQ(et->text(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, ValueDialogSpinner,
    ::testing::Values(SpinnerCase{"VolumeOpens", 255, 80, [](auto, auto) {}, 80, "80"},
                      SpinnerCase{"TimeIncrementOpens", 384, 48, [](auto, auto) {}, 48, "48"},
                      SpinnerCase{"UpKeyStopsAtMaximum", 255, 253,
                                  [](auto et, auto) { keys(et, Qt::Key_Up, 4); }, 255, "255"},
                      SpinnerCase{"DownKeyStopsAtZero", 255, 2,
                                  [](auto et, auto) { keys(et, Qt::Key_Down, 4); }, 0, "0"},
                      SpinnerCase{"UpArrowStopsAtMaximum", 384, 382,
                                  [](auto, auto ud1) { arrows(ud1, "up", 4); }, 384, "384"},
                      SpinnerCase{"DownArrowStopsAtZero", 255, 2,
                                  [](auto, auto ud1) { arrows(ud1, "down", 4); }, 0, "0"},
                      SpinnerCase{"TypedNumberIsTaken", 255, 80,
                                  [](auto et, auto) { type(et, "100"); }, 100, "100"},
                      SpinnerCase{"TypedLeadingZeroIsDecimal", 255, 5,
                                  [](auto et, auto) { type(et, "080"); }, 80, "080"},
                      SpinnerCase{"TypedZeroIsTaken", 384, 48, [](auto et, auto) { type(et, "0"); },
                                  0, "0"},
                      SpinnerCase{"StepsFromTheTypedNumber", 255, 80,
                                  [](auto et, auto) {
                                      type(et, "100");
                                      keys(et, Qt::Key_Up, 1);
                                  },
                                  101, "101"},
                      SpinnerCase{"TypedNumberAboveMaximumKeepsLastPosition", 255, 80,
                                  [](auto et, auto) { type(et, "999"); }, 80, "999"},
                      SpinnerCase{"TypedNegativeKeepsLastPosition", 255, 80,
                                  [](auto et, auto) { type(et, "-1"); }, 80, "-1"},
                      SpinnerCase{"TypedTextKeepsLastPosition", 255, 80,
                                  [](auto et, auto) { type(et, "8a"); }, 80, "8a"},
                      SpinnerCase{"StepAfterBadTextStartsFromLastPosition", 255, 80,
                                  [](auto et, auto) {
                                      type(et, "999");
                                      keys(et, Qt::Key_Up, 1);
                                  },
                                  81, "81"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ValueDialog, VolumeTyped999AndOkGivesTheLastValidPosition) {
    ValueDialog dialog(nullptr);
    dialog.setWindowTitle("设置音量");
    dialog.setMaximum(255);
    dialog.setPosition(80);
    const int result = runModal(dialog, [](QDialog *shown) {
        type(control<QLineEdit>(shown, "et"), "999");
        QTest::keyClick(control(shown, "et"), Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.position(), 80);
}

TEST(DocumentationWindow, ShowsTheSixteenLines) {
    const QStringList expected = {
        "[脚本文件(*.TNL)格式]",
        "·1·每一行代表一个音轨",
        "·2·音轨总数不得超过16个",
        "·3·音轨数据描述方式：",
        "     [音轨数据][分割符]：分割符可以为任意一个字符，",
        "                         系统将不做任何处理，",
        "                         Korvel建议以1个空格作为分割符",
        "·4·音轨数据描述：",
        "     ·1·发音：njc ：n为[1..7，v..z]代表12个音",
        "                      j为[a..k]代表11个由低到高的音阶",
        "                      c为[a..h]代表8个节拍，依次为4拍、3拍、2拍、",
        "                               1拍、1/2拍、1/4拍、1/8拍、3/2拍",
        "     ·2·停顿：0c ：c为[a..h]代表8个节拍，依次为4拍、3拍、2拍、",
        "                              1拍、1/2拍、1/4拍、1/8拍、3/2拍",
        "     ·3·选用乐器：@xxx ：xxx为[0..127]代表128个乐器",
        "     ·4·设置音量：#xxx ：xxx为[0..255]代表255级音量",
    };
    DocumentationWindow dialog(nullptr);
    EXPECT_EQ(control<QPlainTextEdit>(&dialog, "Memo1")->toPlainText().split('\n'), expected);
}

TEST(DocumentationWindow, MemoFollowsTheWindowAndScrollsLongLinesSideways) {
    DocumentationWindow dialog(nullptr);
    dialog.show();
    auto *memo = control<QPlainTextEdit>(&dialog, "Memo1");
    for (const QSize size : {QSize(500, 350), QSize(280, 280)}) {
        dialog.resize(size);
        EXPECT_EQ(memo->geometry(), dialog.rect());
    }
    EXPECT_GT(memo->horizontalScrollBar()->maximum(), 0) << "the long lines do not wrap";
    dialog.close();
}

// A dialog run modally and left by the user's steps; every step but the last leaves it open.
struct ModalCase {
    const char *name;
    std::function<std::unique_ptr<QDialog>()> make;
    std::vector<Step> steps;
    int result;
};

template <typename T> std::function<std::unique_ptr<QDialog>()> make() {
    return [] { return std::make_unique<T>(nullptr); };
}

class DialogModal : public ::testing::TestWithParam<ModalCase> {};

TEST_P(DialogModal, EndsWithTheResult) {
    const ModalCase &c = GetParam();
    std::unique_ptr<QDialog> dialog = c.make();
    const int result = runModal(*dialog, [&](QDialog *shown) {
        for (size_t i = 0; i < c.steps.size(); ++i) {
            perform(shown, c.steps[i]);
            if (i + 1 < c.steps.size()) {
                EXPECT_TRUE(shown->isVisible()) << "closed by step " << i;
            }
        }
    });
    EXPECT_EQ(result, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogModal,
    ::testing::Values(
        ModalCase{"TsettimeEnter", make<ValueDialog>(), {Step::Enter}, 1},
        ModalCase{"TsettimeEsc", make<ValueDialog>(), {Step::Esc}, 2},
        ModalCase{"TsettimeCloseBox", make<ValueDialog>(), {Step::CloseBox}, 2},
        ModalCase{"TsettimeOkButton", make<ValueDialog>(), {Step::OkButton}, 1},
        ModalCase{"TsettimeCancelButton", make<ValueDialog>(), {Step::CancelButton}, 2},
        ModalCase{"TreadmeIgnoresEsc", make<DocumentationWindow>(), {Step::Esc, Step::CloseBox}, 2},
        ModalCase{"TaboutIgnoresEsc", make<AboutBox>(), {Step::Esc, Step::Enter}, 1},
        ModalCase{"TaboutCloseBox", make<AboutBox>(), {Step::CloseBox}, 2}),
    [](const auto &info) { return std::string(info.param.name); });

struct TabCase {
    const char *name;
    std::function<std::unique_ptr<QDialog>()> make;
    QStringList order;
};

class DialogTabOrder : public ::testing::TestWithParam<TabCase> {};

TEST_P(DialogTabOrder, StartsAtOkButton) {
    const TabCase &c = GetParam();
    std::unique_ptr<QDialog> dialog = c.make();
    EXPECT_EQ(tabOrder(dialog.get(), "OKBtn", c.order.size()), c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogTabOrder,
    ::testing::Values(
        TabCase{"Tsyq", make<InstrumentChooser>(), {"OKBtn", "CancelBtn", "lyq", "OKBtn"}},
        TabCase{"Tsettime", make<ValueDialog>(), {"OKBtn", "CancelBtn", "et", "ud1", "OKBtn"}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tunelet::ui::testing
