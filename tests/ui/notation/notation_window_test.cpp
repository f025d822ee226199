// Window tests: the 简谱 window follows the score and the line being composed, a
// double-click on a note loads its track, and its shortcut collides with nothing.
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <functional>
#include <set>

#include "export/score_to_midi.h"
#include "ui/notation/notation_view.h"
#include "ui/notation/notation_window.h"
#include "ui/support/window_fixture.h"

namespace tunelet::ui::testing {
namespace {

class NotationWindowTest : public WindowTest {
public:
    NotationWindow *open() {
        trigger("V1");
        auto *notation = window->findChild<NotationWindow *>(QStringLiteral("notation"));
        EXPECT_NE(notation, nullptr);
        return notation;
    }
    static const notation::Score &shown(NotationWindow *notation) {
        return notation->view()->score();
    }
    // The degrees of a part's events, as digits.
    static std::string degrees(const notation::Score &score, std::size_t part) {
        std::string text;
        for (const notation::TimedEvent &event : score.tracks.at(part).events) {
            text += static_cast<char>('0' + event.degree);
        }
        return text;
    }
};

TEST_F(NotationWindowTest, FollowsEveryChangeOfTheScore) {
    openScript({"1fd/2fd/", "5fd/"});
    NotationWindow *notation = open();
    ASSERT_NE(notation, nullptr);
    EXPECT_TRUE(notation->isVisible());
    EXPECT_EQ(notation->windowTitle(), "简谱");
    EXPECT_FALSE(notation->isModal());

    struct Step {
        const char *change;
        std::function<void()> act;
        std::vector<std::string> parts; // each part's degrees
        int edited;
    };
    const Step steps[] = {
        {"opened file", [] {}, {"12", "5"}, -1},
        {"composing a new track", [&] { ij()->setText("3fd/"); }, {"12", "5", "3"}, 2},
        {"submitted as a new track, the editor keeping it",
         [&] {
             prompt->answers.push_back(Answer::Yes);
             click("Button1");
         },
         {"12", "5", "3"},
         -1},
        {"composing over the selected track", [&] { select(0); }, {"3", "5", "3"}, 0},
        {"submitted over it, the editor keeping it",
         [&] {
             prompt->answers.push_back(Answer::Yes);
             click("Button1");
         },
         {"3", "5", "3"},
         -1},
        {"inserted track",
         [&] {
             ij()->clear();
             trigger("I1");
         },
         {"3", "5", "3", ""},
         -1},
        {"deleted track",
         [&] {
             select(0);
             prompt->answers.push_back(Answer::Yes);
             trigger("D1");
         },
         {"5", "3", ""},
         -1},
        {"New",
         [&] {
             prompt->answers.push_back(Answer::No);
             trigger("N2");
         },
         {},
         -1},
    };
    for (const Step &step : steps) {
        step.act();
        const notation::Score &score = shown(notation);
        std::vector<std::string> parts;
        for (std::size_t p = 0; p < score.tracks.size(); ++p) {
            parts.push_back(degrees(score, p));
        }
        EXPECT_EQ(parts, step.parts) << step.change;
        EXPECT_EQ(score.editedPart, step.edited) << step.change;
    }
    notation->findChild<QComboBox *>(QStringLiteral("timeSignature"))->setCurrentText("6/8");
    EXPECT_EQ(shown(notation).time, (notation::TimeSignature{6, 8}));
}

TEST_F(NotationWindowTest, DoubleClickOnANoteLoadsItsTrackWithTheCaretAfterIt) {
    openScript({"1fd/2fd/3fd/", "5fd/6fd/"});
    NotationWindow *notation = open();
    NotationView *view = notation->view();
    // Where a note is drawn in the view as it is laid out now.
    const auto note = [view](std::size_t part, std::size_t index) {
        const notation::System &system = view->layout().systems.at(0);
        const auto g = std::find_if(system.glyphs.begin(), system.glyphs.end(), [&](const auto &g) {
            return g.part == part && g.index == index;
        });
        if (g == system.glyphs.end()) {
            ADD_FAILURE() << "no note " << part << "." << index;
            return QPoint();
        }
        return view->toView(g->x + 2, system.top + system.rows[part].baseline - 2).toPoint();
    };
    QTest::mouseDClick(view, Qt::LeftButton, {}, note(1, 1));
    EXPECT_EQ(ij()->text(), "5fd/6fd/");
    EXPECT_EQ(ij()->cursorPosition(), 8);
    EXPECT_EQ(selectedRow(), 1) << "a submit then updates the same track";

    // The line now in the editor is its track as it is: nothing is marked as edited.
    ASSERT_EQ(view->score().editedPart, -1);
    // Once edited it is drawn as being edited, and a note of it, not yet submitted, only
    // moves the caret.
    ij()->setText("5fd/6fd/7fd/");
    ASSERT_EQ(view->score().editedPart, 1);
    QTest::mouseDClick(view, Qt::LeftButton, {}, note(1, 1));
    EXPECT_EQ(std::make_pair(ij()->text(), ij()->cursorPosition()),
              std::make_pair(QString("5fd/6fd/7fd/"), 8));

    QTest::mouseDClick(view, Qt::LeftButton, {}, note(0, 0));
    EXPECT_EQ(ij()->text(), "1fd/2fd/3fd/");
    EXPECT_EQ(ij()->cursorPosition(), 4);
}

// The title and the speed over the music follow the file name and the time increment at
// once, with no repaint or activation of the window in between.
TEST_F(NotationWindowTest, TheHeaderFollowsTheFileNameAndTheTimeIncrementAtOnce) {
    openScript({"1fd/"}, "first.TNL");
    NotationWindow *notation = open();
    const midi::ExportResult imported = midi::compileScore({"1fd/"}, {40, true});
    QFile midiFile(path("song.MID"));
    ASSERT_TRUE(midiFile.open(QIODevice::WriteOnly));
    midiFile.write(imported.bytes.data(), qint64(imported.bytes.size()));
    midiFile.close();
    const struct {
        const char *change;
        std::function<void()> act;
        QString title;
        int division;
    } steps[] = {
        {"time increment",
         [&] {
             prompt->dialogs = {[](QDialog &d) {
                 d.findChild<QLineEdit *>("et")->setText("96");
                 return 1;
             }};
             trigger("P1");
         },
         "first", 96},
        {"Save As",
         [&] {
             prompt->files = {path("second.TNL")};
             trigger("A1");
         },
         "second", 96},
        {"New", [&] { trigger("N2"); }, "未命名", 96},
        {"Open", [&] { openScript({"1fd/"}, "third.TNL"); }, "third", 96},
        {"import",
         [&] {
             prompt->files = {path("song.MID")};
             prompt->answers = {Answer::Yes};
             trigger("O1");
             prompt->shown.clear();
         },
         "未命名", 40},
    };
    for (const auto &step : steps) {
        step.act();
        EXPECT_EQ(notation->view()->header().title, step.title) << step.change;
        EXPECT_EQ(notation->view()->header().division, step.division) << step.change;
    }
}

// The words bar edits the words of the chosen part, a verse at a time: each key is a change
// of the song (unsaved until saved) that the view shows at once.
TEST_F(NotationWindowTest, TheWordsBarEditsThePartsVerses) {
    openScript({"1fd/2fd/0d/3fd/", "5fd/6fd/"});
    NotationWindow *notation = open();
    ASSERT_NE(notation, nullptr);
    auto *words = notation->findChild<QLineEdit *>(QStringLiteral("words"));
    auto *verse = notation->findChild<QComboBox *>(QStringLiteral("verse"));
    auto *extra = notation->findChild<QLabel *>(QStringLiteral("wordsExtra"));
    ASSERT_TRUE(words && verse && extra);
    EXPECT_EQ(verse->itemText(3), "第4段");
    const auto shownWords = [&] {
        std::string text;
        for (const notation::System &system : notation->view()->layout().systems) {
            for (const notation::PlacedSyllable &s : system.syllables) {
                text += std::to_string(s.part + 1) + "." + std::to_string(s.verse + 1) + ":" +
                        s.text + " ";
            }
        }
        return text;
    };
    const struct {
        const char *step;
        std::function<void()> act;
        const char *line;  // the words bar's line afterwards
        const char *shown; // part.verse:syllable, as drawn
        const char *extra;
    } steps[] = {
        {"typed for the first part", [&] { typeText(words, "一闪"); }, "一闪", "1.1:一 1.1:闪 ",
         ""},
        {"each key shows at once", [&] { typeText(words, "亮"); }, "一闪亮",
         "1.1:一 1.1:闪 1.1:亮 ", ""},
        {"more syllables than notes", [&] { typeText(words, "晶晶"); }, "一闪亮晶晶",
         "1.1:一 1.1:闪 1.1:亮 ", "多出2个字"},
        {"another verse", [&] { verse->setCurrentIndex(1); }, "", "1.1:一 1.1:闪 1.1:亮 ", ""},
        {"typed in it", [&] { typeText(words, "Up a-bove"); }, "Up a-bove",
         "1.1:一 1.1:闪 1.1:亮 1.2:Up 1.2:a 1.2:bove ", ""},
        {"the second part chosen", [&] { select(1); }, "",
         "1.1:一 1.1:闪 1.1:亮 1.2:Up 1.2:a 1.2:bove ", ""},
        {"typed for it", [&] { typeText(words, "满天"); }, "满天",
         "1.1:一 1.1:闪 1.1:亮 1.2:Up 1.2:a 1.2:bove 2.2:满 2.2:天 ", ""},
        {"the first part again", [&] { select(0); }, "Up a-bove",
         "1.1:一 1.1:闪 1.1:亮 1.2:Up 1.2:a 1.2:bove 2.2:满 2.2:天 ", ""},
        {"its first verse again", [&] { verse->setCurrentIndex(0); }, "一闪亮晶晶",
         "1.1:一 1.1:闪 1.1:亮 1.2:Up 1.2:a 1.2:bove 2.2:满 2.2:天 ", "多出2个字"},
    };
    ASSERT_TRUE(saved());
    for (const auto &step : steps) {
        step.act();
        EXPECT_EQ(words->text(), QString::fromUtf8(step.line)) << step.step;
        EXPECT_EQ(shownWords(), step.shown) << step.step;
        EXPECT_EQ(extra->text(), QString::fromUtf8(step.extra)) << step.step;
    }
    const score::SongProperties &song = window->document().properties();
    EXPECT_EQ(song.verse(0, 0), "一闪亮晶晶");
    EXPECT_EQ(song.verse(0, 1), "Up a-bove");
    EXPECT_EQ(song.verse(1, 1), "满天");
    EXPECT_FALSE(saved()) << "words are a change of the score";
}

// A line edit holds 32,767 characters unless told otherwise: a longer verse is shown and
// stored whole.
TEST_F(NotationWindowTest, AVerseLongerThanALineEditHoldsIsKeptWhole) {
    QString verse;
    verse.fill(QChar(0x554A), 40000); // 啊
    QFile file(path("long.TNL"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("1fd/\r\n", 6) + '\0' + "tunelet-song 1\nwords1-1=" + verse.toUtf8() +
               "\n");
    file.close();
    prompt->files.push_back(file.fileName());
    trigger("O1");
    NotationWindow *notation = open();
    ASSERT_NE(notation, nullptr);
    auto *words = notation->findChild<QLineEdit *>(QStringLiteral("words"));
    EXPECT_EQ(words->text().size(), 40000);
    words->end(false);
    typeText(words, QStringLiteral("啦"));
    EXPECT_EQ(window->document().properties().verse(0, 0), (verse + "啦").toStdString());
}

TEST_F(NotationWindowTest, ShortcutCollidesWithNothing) {
    const QKeySequence shortcut(Qt::CTRL | Qt::Key_J);
    std::set<QString> others;
    for (const QAction *action : window->findChildren<QAction *>()) {
        if (action->objectName() != "V1" && !action->shortcut().isEmpty()) {
            others.insert(action->shortcut().toString());
        }
    }
    EXPECT_EQ(others.count(shortcut.toString()), 0u);
    for (int key = QKeySequence::HelpContents; key <= QKeySequence::Cancel; ++key) {
        EXPECT_FALSE(QKeySequence::keyBindings(static_cast<QKeySequence::StandardKey>(key))
                         .contains(shortcut))
            << "standard key " << key;
    }
    // Pressed in the line editor, it opens the window and types nothing.
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ij()->setFocus();
    QTest::keyClick(ij(), Qt::Key_J, Qt::ControlModifier);
    auto *notation = window->findChild<NotationWindow *>(QStringLiteral("notation"));
    ASSERT_NE(notation, nullptr);
    EXPECT_TRUE(notation->isVisible());
    EXPECT_EQ(ij()->text(), "");
}

TEST_F(NotationWindowTest, ButtonsWriteAPdfAnSvgAndPrint) {
    openScript({"1fd/2fd/"}, "my.song.TNL");
    NotationWindow *notation = open();
    prompt->files = {path("out"), path("pic"), std::nullopt};
    QTest::mouseClick(notation->findChild<QPushButton *>(QStringLiteral("exportPdf")),
                      Qt::LeftButton);
    QTest::mouseClick(notation->findChild<QPushButton *>(QStringLiteral("exportSvg")),
                      Qt::LeftButton);
    QTest::mouseClick(notation->findChild<QPushButton *>(QStringLiteral("exportPdf")),
                      Qt::LeftButton);
    // Each dialog starts with the score's name, then with the name last chosen in it.
    EXPECT_EQ(prompt->shown,
              (std::vector<Shown>{{"save", "*.pdf|*.pdf|*.*|*.*", "my.song.pdf"},
                                  {"save", "*.svg|*.svg|*.*|*.*", "my.song.svg"},
                                  {"save", "*.pdf|*.pdf|*.*|*.*", path("out.pdf")}}));
    EXPECT_TRUE(readAll(path("out.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(readAll(path("pic.svg")).contains("<svg"));

    // The print dialog chooses a file as its printer; the pages go there.
    prompt->dialogs.push_back([&](QDialog &dialog) {
        static_cast<QPrintDialog &>(dialog).printer()->setOutputFileName(path("printed.pdf"));
        return 1;
    });
    QTest::mouseClick(notation->findChild<QPushButton *>(QStringLiteral("print")), Qt::LeftButton);
    EXPECT_TRUE(readAll(path("printed.pdf")).startsWith("%PDF"));
}

} // namespace
} // namespace tunelet::ui::testing
