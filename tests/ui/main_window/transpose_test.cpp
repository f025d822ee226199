// Transposition tests: a change of key asks whether the notes keep their sound or their
// digits, the 移调 command moves the whole score or one track, a note that would leave
// the range is refused by name, and one Undo puts back the lines and the key.
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "ui/main_window/transpose_dialog.h"
#include "ui/notation/song_dialog.h"
#include "ui/support/when_modal.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

using Lines = std::vector<std::string>;
using Key = std::optional<score::Key>;
using K = score::Key;

class TransposeTest : public WindowTest {
public:
    // Opens the song dialog from the Tools menu, picks the key and ends with OK or Esc.
    void changeKeyInDialog(const QString &key, bool accept) {
        bool seen = false;
        whenModal<SongDialog>(&seen, [&](SongDialog *dialog) {
            dialog->findChild<QComboBox *>(QStringLiteral("key"))->setCurrentText(key);
            shownKey = dialog->findChild<QComboBox *>(QStringLiteral("key"))->currentText();
            if (accept) {
                dialog->accept();
            } else {
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        trigger("songProperties");
        EXPECT_TRUE(seen);
    }

    // Scripts the 移调 dialog: up (+) or down (-), the selected track alone, the key along.
    void transposeBy(int semitones, bool oneTrack = false, bool keyFollows = true) {
        prompt->dialogs.push_back([=](QDialog &dialog) {
            dialog.findChild<QComboBox *>("direction")->setCurrentIndex(semitones < 0 ? 1 : 0);
            dialog.findChild<QSpinBox *>("semitones")->setValue(std::abs(semitones));
            dialog.findChild<QRadioButton *>(oneTrack ? "selectedTrack" : "wholeScore")->click();
            dialog.findChild<QCheckBox *>("keyFollows")->setChecked(keyFollows);
            return 1;
        });
        trigger("transpose");
    }

    void setKey(Key key) {
        if (key->tonic != 0) {
            prompt->choices.push_back(0); // keep the sound
        }
        changeKeyInDialog(QString::fromStdString(key->header()), true);
        prompt->shown.clear();
        prompt->offered.clear();
    }

    QStringList notices() const {
        QStringList texts;
        for (const Shown &s : prompt->shown) {
            if (s.kind == "notice") {
                texts << s.text;
            }
        }
        return texts;
    }

    Key key() const { return window->document().properties().key; }

    // The score opened afresh, the changes of the last case thrown away.
    void reopen(const Lines &score) {
        if (!saved()) {
            prompt->answers.push_back(Answer::No);
        }
        openScript(score);
    }

    // Ctrl+Z as the user presses it, in the active window, with the focus on widget.
    void pressUndo(QWidget *widget) {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        widget->setFocus();
        QTest::keyClick(window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    }

    QString shownKey;
};

TEST_F(TransposeTest, AChangeOfKeyKeepsTheSoundOrTheDigitsOfTheScoreOrOfOnePart) {
    const Lines score = {"1fd/5fd/", "3ed/", "1ad/"};
    const QString toF = "调从 1=C 改为 1=F，乐谱中的音符怎样处理？\n\n"
                        "保持音高：音符的声音不变，简谱数字按新调改写。\n"
                        "保持简谱数字：音符升高 5 个半音，简谱数字不变。";
    const struct {
        const char *name;
        const char *key; // chosen in the dialog
        int selected;    // -1: none
        int answer;      // the question's button, -1 Cancel
        bool accept;     // the song dialog ends with OK, else Esc
        Lines lines;     // after
        Key after;
        int offered;    // buttons besides Cancel
        QString notice; // a refusal, if any
    } cases[] = {
        {"keep the sound", "1=F", -1, 0, true, score, score::Key{5}, 2, {}},
        {"keep the digits", "1=F", -1, 1, true, {"4fd/1gd/", "6ed/", "4ad/"}, score::Key{5}, 2, {}},
        {"one part", "1=F", 1, 2, true, {"1fd/5fd/", "6ed/", "1ad/"}, score::Key{5}, 3, {}},
        {"one part, then Esc of the dialog", "1=F", 1, 2, false, score, std::nullopt, 3, {}},
        {"Cancel", "1=F", 1, -1, true, score, std::nullopt, 3, {}},
        // Down a fourth to 1=G: 1a cannot go down, so the key change is not made.
        {"refused", "1=G", -1, 1, true, score, std::nullopt, 2,
         "第3音轨，第1字节：音符“1ad”移调后超出音域（最低 1a，最高 5k），无法移调。"},
    };
    for (const auto &c : cases) {
        reopen(score);
        if (c.selected >= 0) {
            select(c.selected);
        }
        prompt->choices.push_back(c.answer);
        changeKeyInDialog(c.key, c.accept);
        ASSERT_EQ(prompt->offered.size(), 1u) << c.name;
        EXPECT_EQ(prompt->offered.back().size(), c.offered) << c.name;
        if (QString(c.key) == "1=F") {
            EXPECT_EQ(prompt->shown.front().text, toF) << c.name;
        }
        EXPECT_EQ(notices(), c.notice.isEmpty() ? QStringList{} : QStringList{c.notice}) << c.name;
        EXPECT_EQ(lines(), c.lines) << c.name;
        EXPECT_EQ(key(), c.after) << c.name;
        if (!c.notice.isEmpty() || c.answer < 0) {
            EXPECT_EQ(shownKey, "（未设）") << c.name << ": the dialog shows the key kept";
        }
        prompt->shown.clear();
        prompt->offered.clear();
    }
}

TEST_F(TransposeTest, TheCommandMovesTheWholeScoreOrTheSelectedTrack) {
    const Lines score = {"1fd/5fd/", "@040/3ed/"};
    const struct {
        const char *name;
        Key keyBefore;
        int semitones;
        bool oneTrack;
        bool keyFollows;
        Lines lines;
        Key key;
    } cases[] = {
        {"1=C up 2: 1=D", K{0}, 2, false, true, {"2fd/6fd/", "@040/xed/"}, K{2}},
        {"no key up 2: 1=D", std::nullopt, 2, false, true, {"2fd/6fd/", "@040/xed/"}, K{2}},
        {"octave down: no key", std::nullopt, -12, false, true, {"1ed/5ed/", "@040/3dd/"}, {}},
        {"key kept if asked", K{7}, -1, false, false, {"7ed/xfd/", "@040/wed/"}, K{7}},
        {"one track: key kept", K{0}, 3, true, true, {"1fd/5fd/", "@040/5ed/"}, K{0}},
    };
    for (const auto &c : cases) {
        reopen(score);
        if (c.keyBefore) {
            setKey(c.keyBefore);
        }
        select(1);
        trigger("S1");
        ASSERT_TRUE(saved()) << c.name;
        transposeBy(c.semitones, c.oneTrack, c.keyFollows);
        EXPECT_EQ(lines(), c.lines) << c.name;
        EXPECT_EQ(key(), c.key) << c.name;
        EXPECT_FALSE(saved()) << c.name;
        EXPECT_EQ(selectedRow(), 1) << c.name << ": the selection stays";
    }
}

TEST_F(TransposeTest, ANoteThatWouldLeaveTheRangeIsRefusedByName) {
    const struct {
        Lines score;
        int semitones;
        QString notice;
    } cases[] = {
        {{"1fd/", "0a/5kd/"},
         1,
         "第2音轨，第4字节：音符“5kd”移调后超出音域（最低 1a，最高 5k），无法移调。"},
        {{"2ad/", "1fd/"},
         -3,
         "第1音轨，第1字节：音符“2ad”移调后超出音域（最低 1a，最高 5k），无法移调。"},
        {{"1fd/", "1fd/1F"}, 2, "第2音轨，第6字节：“F”不是八度字母（应为 a 到 k），无法移调。"},
        {{"", "@001"}, 0, "乐谱中没有可以移调的音符。"},
    };
    for (const auto &c : cases) {
        reopen(c.score);
        if (c.semitones != 0) {
            transposeBy(c.semitones);
        } else {
            trigger("transpose"); // no dialog: nothing to move
        }
        EXPECT_EQ(notices(), QStringList{c.notice});
        EXPECT_EQ(lines(), c.score) << "nothing moved";
        EXPECT_TRUE(saved());
        prompt->shown.clear();
    }
}

// A track loaded into the line editor and left as it was moves there too, and back.
TEST_F(TransposeTest, TheTrackBeingEditedFollows) {
    const struct {
        const char *typed; // over the loaded track
        QString moved, undone;
    } cases[] = {{"", "2fd/6fd/", "1fd/5fd/"}, {"3", "1fd/5fd/3fd/", "1fd/5fd/3fd/"}};
    for (const auto &c : cases) {
        reopen({"1fd/5fd/", "3ed/"});
        select(0);
        ij()->setText("1fd/5fd/");
        QTest::keyClicks(ij(), c.typed);
        transposeBy(2);
        EXPECT_EQ(ij()->text(), c.moved);
        trigger("undo");
        EXPECT_EQ(ij()->text(), c.undone);
    }
}

// One part may move alone only when another part has notes too, and the drums never move.
TEST_F(TransposeTest, ThePartsThatMayMoveAlone) {
    Lines band(10, "");
    band[0] = "1fd/";
    band[9] = "1ed/"; // the drum track: a bass drum
    reopen(band);
    select(0);
    prompt->dialogs.push_back([](QDialog &dialog) {
        EXPECT_FALSE(dialog.findChild<QRadioButton *>("selectedTrack")->isEnabled());
        return 1; // up 1, the whole score
    });
    trigger("transpose");
    EXPECT_EQ(lines()[0], "vfd/");
    EXPECT_EQ(lines()[9], "1ed/");
}

TEST_F(TransposeTest, UndoPutsBackTheLinesAndTheKeyAsOneStep) {
    const Lines score = {"1fd/5fd/", "3ed/"};
    const struct {
        const char *name;
        std::function<void(TransposeTest &)> transpose;
        std::function<void(TransposeTest &)> undo;
        bool undone;
        bool stepLeft = false; // the menu's item still takes it back
    } cases[] = {
        {"移调, 编辑 ▸ 撤销移调", [](TransposeTest &t) { t.transposeBy(2); },
         [](TransposeTest &t) { t.trigger("undo"); }, true},
        {"song dialog, Ctrl+Z in the track list",
         [](TransposeTest &t) {
             t.prompt->choices.push_back(1);
             t.changeKeyInDialog("1=G", true);
         },
         [](TransposeTest &t) { t.pressUndo(t.lp()); }, true},
        {"Ctrl+Z in ij right after the move", [](TransposeTest &t) { t.transposeBy(2); },
         [](TransposeTest &t) { t.pressUndo(t.ij()); }, true},
        {"Ctrl+Z in ij after typing there is ij's",
         [](TransposeTest &t) {
             t.transposeBy(2);
             t.ij()->setFocus();
             QTest::keyClicks(t.ij(), "1");
         },
         [](TransposeTest &t) { t.pressUndo(t.ij()); }, false, true},
        {"a later change of the score ends the step",
         [](TransposeTest &t) {
             t.transposeBy(2);
             t.trigger("I1");
         },
         [](TransposeTest &t) { t.trigger("undo"); }, false},
    };
    for (const auto &c : cases) {
        reopen(score);
        ij()->clear();
        c.transpose(*this);
        const Lines moved = lines();
        const Key movedKey = key();
        ASSERT_NE(moved, score) << c.name;
        c.undo(*this);
        EXPECT_EQ(lines(), c.undone ? score : moved) << c.name;
        EXPECT_EQ(key(), c.undone ? std::nullopt : movedKey) << c.name;
        EXPECT_FALSE(saved()) << c.name;
        trigger("undo"); // one step only: a second undo changes nothing
        EXPECT_EQ(lines(), c.undone || c.stepLeft ? score : moved) << c.name;
    }
}

// The question on the real message box: Esc leaves the key and the notes as they were.
TEST(RealKeyQuestion, EscKeepsTheKeyAndTheNotes) {
    MainWindow window(std::make_unique<MessageBoxPrompt>("tunelet"),
                      std::make_unique<playback::testing::FakeSequencer>());
    window.show();
    bool added = false;
    whenModal<QMessageBox>(&added,
                           [](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
    window.findChild<LineEditor *>(QStringLiteral("ij"))->setText("1fd/");
    window.findChild<QPushButton *>(QStringLiteral("Button1"))->click(); // a new track
    ASSERT_TRUE(added);
    bool dialogSeen = false;
    bool boxSeen = false;
    QStringList buttons;
    whenModal<SongDialog>(&dialogSeen, [&](SongDialog *dialog) {
        whenModal<QMessageBox>(&boxSeen, [&](QMessageBox *box) {
            EXPECT_EQ(box->windowTitle(), "Tunelet");
            for (QAbstractButton *button : box->buttons()) {
                buttons << button->text();
            }
            QTest::keyClick(box, Qt::Key_Escape);
        });
        auto *key = dialog->findChild<QComboBox *>(QStringLiteral("key"));
        key->setCurrentText("1=D");
        EXPECT_EQ(key->currentText(), "（未设）") << "the key shown goes back";
        dialog->accept();
    });
    window.findChild<QAction *>(QStringLiteral("songProperties"))->trigger();
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(buttons.size(), 3);
    EXPECT_TRUE(buttons.contains("保持音高(&K)") && buttons.contains("全曲移调(&A)"));
    EXPECT_EQ(window.document().lines(), Lines{"1fd/"});
    EXPECT_EQ(window.document().properties().key, std::nullopt);
}

} // namespace
} // namespace tunelet::ui::testing
