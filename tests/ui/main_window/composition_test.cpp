// Window tests: composing tokens with single key presses in the line editor.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QToolButton>
#include <tuple>

#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;

struct KeyCase {
    const char *menuItem; // Scale or Beat item chosen first, or nullptr
    const char *keys;
    const char *text; // what the editor then holds
};

class KeyTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, ComposesTheTokenOfEachKey) {
    if (GetParam().menuItem) {
        trigger(GetParam().menuItem);
    }
    QTest::keyClicks(ij(), GetParam().keys);
    EXPECT_EQ(ij()->text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(ijKeyPress, KeyTest,
                         ::testing::Values(KeyCase{nullptr, "5", "5fd/"},
                                           KeyCase{nullptr, "123", "1fd/2fd/3fd/"},
                                           KeyCase{nullptr, "vwxyz", "vfd/wfd/xfd/yfd/zfd/"},
                                           KeyCase{"N101", "5", "5kd/"}, KeyCase{"N101", "6", ""},
                                           KeyCase{"N101", "7yzx", "xkd/"},
                                           KeyCase{"pp8", "0", "0h/"}, KeyCase{"N01", "1", "1ad/"},
                                           KeyCase{"pp7", "4", "4fg/"},
                                           KeyCase{nullptr, "aA 89-/.", ""}));

// The palette is made after the window's first frame; a Scale or Beat item chosen before
// that makes it then, and neither the palette nor the keys go back to the defaults.
TEST(PaletteMadeLate, KeepsTheOctaveAndBeatChosenBeforeIt) {
    MainWindow window(std::make_unique<ScriptedPrompt>(),
                      std::make_unique<playback::testing::FakeSequencer>());
    ASSERT_EQ(window.findChild<QWidget *>(QStringLiteral("hpf")), nullptr)
        << "made before the first frame: this test would not see it made late";
    window.findChild<QAction *>(QStringLiteral("N21"))->trigger();
    window.findChild<QAction *>(QStringLiteral("pp2"))->trigger();
    const auto *palette = window.findChild<QWidget *>(QStringLiteral("hpf"));
    ASSERT_NE(palette, nullptr);
    auto *editor = window.findChild<LineEditor *>(QStringLiteral("ij"));
    QTest::keyClicks(editor, "5");
    EXPECT_EQ(std::tuple(palette->findChild<QToolButton *>(QStringLiteral("t2"))->isChecked(),
                         palette->findChild<QToolButton *>(QStringLiteral("pp2"))->isChecked(),
                         editor->text()),
              std::tuple(true, true, QStringLiteral("5cb/")));
}

TEST_F(WindowTest, TokenReplacesTheSelectionAndStaysOnTheClipboard) {
    ij()->setText("abcd");
    ij()->setSelection(1, 2);
    QTest::keyClick(ij(), '1');
    EXPECT_EQ(ij()->text(), "a1fd/d");
    EXPECT_EQ(ij()->cursorPosition(), 5);
    EXPECT_EQ(QApplication::clipboard()->text(), "1fd/");
    EXPECT_FALSE(saved());
    ij()->undo(); // the context menu's undo takes the paste back
    EXPECT_EQ(ij()->text(), "abcd");
}

TEST_F(WindowTest, RefusedNoteLeavesEditorAndClipboardAlone) {
    QApplication::clipboard()->setText("kept");
    trigger("N101");
    QTest::keyClick(ij(), '6');
    EXPECT_EQ(ij()->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
}

TEST_F(WindowTest, ControlCharactersAndInputMethodsPutNothingInTheLine) {
    QApplication::clipboard()->setText("raw");
    ij()->setText("1fd/");
    for (const char control : {'\x03', '\x16', '\x18', '\x01', '\x1a'}) { // C V X A Z
        QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(control));
        QApplication::sendEvent(ij(), &press);
        EXPECT_EQ(ij()->text(), "1fd/") << int(control);
    }
    EXPECT_FALSE(ij()->testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你好"));
    QApplication::sendEvent(ij(), &commit);
    EXPECT_EQ(ij()->text(), "1fd/");
    QTest::keyClick(ij(), Qt::Key_Backspace);
    EXPECT_EQ(ij()->text(), "1fd") << "Backspace edits as usual";
}

TEST_F(WindowTest, EnterPressesSubmitWithItsQuestion) {
    QTest::keyClicks(ij(), "12");
    prompt->answers = {Answer::Yes};
    QTest::keyClick(ij(), Qt::Key_Return);
    EXPECT_EQ(prompt->shown, (std::vector<Shown>{{"question", "没有选定的音轨，要新建音轨吗？"}}));
    EXPECT_EQ(lines(), (Lines{"1fd/2fd/"}));
}

// The dialog keys: what the user does in the dialog, and the token then inserted.
struct DialogCase {
    char key;
    std::function<int(QDialog &)> user;
    const char *text;
};

int setVolume(QDialog &dialog, const char *typed) {
    if (typed) {
        dialog.findChild<QLineEdit *>("et")->setText(typed);
    }
    return 1;
}

int pickInstrument(QDialog &dialog, int row) {
    dialog.findChild<QListWidget *>("lyq")->setCurrentRow(row);
    return 1;
}

TEST_F(WindowTest, HashAndAtInsertTheValueChosenInTheirDialog) {
    const std::vector<DialogCase> cases = {
        {'#', [](QDialog &d) { return setVolume(d, nullptr); }, "#080/"},
        {'#', [](QDialog &d) { return setVolume(d, "7"); }, "#007/"},
        {'#', [](QDialog &d) { return setVolume(d, "999"); }, "#080/"},
        {'#', [](QDialog &) { return 2; }, ""},
        {'@', [](QDialog &d) { return pickInstrument(d, 0); }, "@000/"},
        {'@', [](QDialog &d) { return pickInstrument(d, 127); }, "@127/"},
        {'@', [](QDialog &d) { return pickInstrument(d, 5) + 1; }, ""}, // Cancel
    };
    for (const DialogCase &c : cases) {
        ij()->clear();
        prompt->dialogs = {c.user};
        QTest::keyClick(ij(), c.key);
        EXPECT_EQ(ij()->text(), c.text) << c.key;
    }
    EXPECT_EQ(prompt->shown.front(), (Shown{"dialog", "设置音量"}));
    EXPECT_EQ(prompt->shown.back(), (Shown{"dialog", "乐器选择"}));
}

TEST_F(WindowTest, AtConfirmedWithoutAnInstrumentSaysSo) {
    prompt->dialogs = {[](QDialog &) { return 1; }};
    QTest::keyClick(ij(), '@');
    EXPECT_EQ(prompt->shown.back(), (Shown{"notice", "没有选择乐器！"}));
    EXPECT_EQ(ij()->text(), "");
}

TEST_F(WindowTest, AMegabyteTrackSurvivesTheEditor) {
    const std::string track = std::string(1 << 20, '1').replace(0, 4, "1fd/");
    openScript({track});
    select(0);
    QTest::mouseDClick(lp()->viewport(), Qt::LeftButton, {},
                       lp()->visualRect(lp()->model()->index(0, 0)).center());
    prompt->answers = {Answer::Yes};
    click("Button1");
    EXPECT_EQ(lines(), (Lines{track}));
}

// What is heard of a composed note: "audition PROGRAM KEY VELOCITY MILLISECONDS".
struct AuditionCase {
    const char *before;   // the line before the caret
    const char *menuItem; // chosen first, or nullptr
    char key;
    const char *heard; // nullptr: nothing
};

TEST_F(WindowTest, ComposedNotesAreHeardAsTheTokensBeforeTheCaretSetThem) {
    const AuditionCase cases[] = {
        {"", nullptr, '1', "audition 0 60 80 500"},
        {"@005/#100/", nullptr, '5', "audition 5 67 100 500"},
        {"@005/1fd/@040/#064/", nullptr, 'v', "audition 40 61 64 500"},
        {"#200/", nullptr, '1', "audition 0 60 127 500"},
        {"", "pp1", '1', "audition 0 60 80 1500"}, // four beats, cut at 1.5 s
        {"", "pp5", '1', "audition 0 60 80 250"},
        {"", "N101", '5', "audition 0 127 80 500"},
        {"", "N101", '6', nullptr},  // refused
        {"", nullptr, '0', nullptr}, // a rest
    };
    for (const AuditionCase &c : cases) {
        trigger("N51");
        trigger("pp4");
        if (c.menuItem) {
            trigger(c.menuItem);
        }
        ij()->setText(c.before);
        device->clearCommands();
        QTest::keyClick(ij(), c.key);
        EXPECT_EQ(device->commands(), c.heard ? QStringList{c.heard} : QStringList{})
            << c.before << c.key;
    }
}

TEST_F(WindowTest, OnlyTheLineBeforeTheCaretAndTheTimeIncrementCount) {
    prompt->dialogs = {[](QDialog &d) {
        d.findChild<QLineEdit *>("et")->setText("96");
        return 1;
    }};
    trigger("P1");
    ij()->setText("@005/");
    ij()->home(false);
    QTest::keyClick(ij(), '1');
    EXPECT_EQ(device->commands(), QStringList{"audition 0 60 80 250"});
}

TEST_F(WindowTest, PaletteNotesAreHeardToo) {
    QTest::mouseClick(window->findChild<QWidget *>("hpf")->findChild<QWidget *>("ToolButton3"),
                      Qt::LeftButton);
    EXPECT_EQ(device->commands(), QStringList{"audition 0 64 80 500"});
}

TEST_F(WindowTest, NothingIsHeardWhilePlayingOrSwitchedOff) {
    prompt->files = {path("a.MID")};
    trigger("K1");
    trigger("P2");
    device->clearCommands();
    QTest::keyClick(ij(), '1');
    EXPECT_TRUE(device->commands().filter("audition").isEmpty()) << "while playing";
    trigger("O2");
    trigger("L1"); // off
    device->clearCommands();
    QTest::keyClick(ij(), '1');
    EXPECT_TRUE(device->commands().isEmpty()) << "switched off";
}

TEST_F(WindowTest, WithoutASoundOutputItIsQuietUntilSwitchedOffAndOn) {
    device->setCommandError("audition", 5);
    QTest::keyClicks(ij(), "12");
    EXPECT_EQ(device->commands().size(), 1) << "tried once, then quiet";
    EXPECT_TRUE(prompt->shown.empty()) << "no box at a key";
    trigger("L1");
    trigger("L1");
    device->setCommandError("audition", 0);
    QTest::keyClick(ij(), '3');
    EXPECT_EQ(device->commands().last(), "audition 0 64 80 500");
}

} // namespace
} // namespace tunelet::ui::testing
