// Window tests: the line editor's own keys, undo, what it shows of a long line and its
// right-click menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <functional>
#include <memory>
#include <tuple>

#include "ui/common/line_editor.h"

namespace tunelet::ui {
namespace {

// What the user sees of the line: its text, the caret and the selection.
using Seen = std::tuple<QString, int, QString>;

Seen seen(const LineEditor &editor) {
    return {editor.text(), editor.cursorPosition(), editor.selectedText()};
}

struct Editor {
    LineEditor editor;
    QString typed; // what went to the key handler

    Editor() {
        editor.setKeyHandler([this](QChar k) { typed += k; });
        editor.resize(200, 24);
        editor.show();
        editor.setFocus();
    }
    // Text with a selection of length from start (0: just the caret at start).
    void start(const QString &text, int start, int length) {
        editor.setText(text);
        editor.setSelection(start, length);
    }
};

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two units

TEST(LineEditorKeys, KeysWithoutACharacterEditAndMoveAsInALineEdit) {
    struct Case {
        const char *what;
        QString text;
        int start, length;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Seen after;
    };
    const Qt::KeyboardModifiers none;
    const Case cases[] = {
        {"right", "abc", 0, 0, Qt::Key_Right, none, {"abc", 1, ""}},
        {"right off a selection", "abc", 0, 2, Qt::Key_Right, none, {"abc", 2, ""}},
        {"left off a selection", "abc", 1, 2, Qt::Key_Left, none, {"abc", 1, ""}},
        {"shift+right", "abc", 0, 0, Qt::Key_Right, Qt::ShiftModifier, {"abc", 1, "a"}},
        {"ctrl+right", "1fd/2fd/", 0, 0, Qt::Key_Right, Qt::ControlModifier, {"1fd/2fd/", 4, ""}},
        {"ctrl+left", "1fd/2fd/", 8, 0, Qt::Key_Left, Qt::ControlModifier, {"1fd/2fd/", 4, ""}},
        {"home", "abc", 2, 0, Qt::Key_Home, none, {"abc", 0, ""}},
        {"end", "abc", 1, 0, Qt::Key_End, none, {"abc", 3, ""}},
        {"shift+home", "abc", 2, 0, Qt::Key_Home, Qt::ShiftModifier, {"abc", 0, "ab"}},
        {"delete", "abc", 0, 0, Qt::Key_Delete, none, {"bc", 0, ""}},
        {"delete a selection", "abcd", 1, 2, Qt::Key_Delete, none, {"ad", 1, ""}},
        {"backspace", "abc", 3, 0, Qt::Key_Backspace, none, {"ab", 2, ""}},
        {"backspace at the start", "abc", 0, 0, Qt::Key_Backspace, none, {"abc", 0, ""}},
        {"shift+delete cuts", "abcd", 1, 2, Qt::Key_Delete, Qt::ShiftModifier, {"ad", 1, ""}},
        {"ctrl+delete a selection",
         "ab cd",
         1,
         3,
         Qt::Key_Delete,
         Qt::ControlModifier,
         {"ad", 1, ""}},
        {"shift+insert pastes lower-cased",
         "ab",
         1,
         0,
         Qt::Key_Insert,
         Qt::ShiftModifier,
         {"axyb", 3, ""}},
        {"right over a pair", "a" + kEmoji, 1, 0, Qt::Key_Right, none, {"a" + kEmoji, 3, ""}},
        {"backspace over a pair", kEmoji + "b", 2, 0, Qt::Key_Backspace, none, {"b", 0, ""}},
        {"up goes to the window", "abc", 1, 0, Qt::Key_Up, none, {"abc", 1, ""}},
    };
    for (const Case &c : cases) {
        Editor e;
        QApplication::clipboard()->setText("XY");
        e.start(c.text, c.start, c.length);
        QTest::keyClick(&e.editor, c.key, c.modifiers);
        EXPECT_EQ(seen(e.editor), c.after) << c.what;
    }
}

TEST(LineEditorKeys, ACharacterGoesToTheKeyHandlerNotIntoTheLine) {
    Editor e;
    e.start("ab", 1, 0);
    QTest::keyClicks(&e.editor, "1#");
    EXPECT_EQ(std::make_pair(e.typed, seen(e.editor)),
              std::make_pair(QString("1#"), Seen{"ab", 1, ""}));
}

TEST(LineEditorUndo, UndoTakesBackOneEditWithItsSelectionAndRedoDoesItAgain) {
    struct Case {
        const char *what;
        std::function<void(LineEditor &)> edit;
        Seen undone;
        Seen redone;
    };
    const Case cases[] = {
        {"insert over a selection",
         [](LineEditor &l) { l.insert("XY"); },
         {"abcd", 3, "bc"},
         {"axyd", 3, ""}},
        {"backspace", [](LineEditor &l) { l.backspace(); }, {"abcd", 3, "bc"}, {"ad", 1, ""}},
        {"cut", [](LineEditor &l) { l.cut(); }, {"abcd", 3, "bc"}, {"ad", 1, ""}},
        {"cut copies",
         [](LineEditor &l) {
             QApplication::clipboard()->clear();
             l.cut();
             l.end(false);
             l.paste();
         },
         {"ad", 2, ""},
         {"adbc", 4, ""}},
        {"a new edit forgets what was undone",
         [](LineEditor &l) {
             l.insert("XY");
             l.undo();
             l.insert("z");
             l.redo();
         },
         {"abcd", 3, "bc"},
         {"azd", 2, ""}},
        {"set text forgets",
         [](LineEditor &l) {
             l.insert("XY");
             l.setText("new");
         },
         {"new", 3, ""},
         {"new", 3, ""}},
    };
    for (const Case &c : cases) {
        Editor e;
        e.start("abcd", 1, 2);
        c.edit(e.editor);
        e.editor.undo();
        const Seen undone = seen(e.editor);
        e.editor.redo();
        EXPECT_EQ(std::make_pair(undone, seen(e.editor)), std::make_pair(c.undone, c.redone))
            << c.what;
    }
}

// The capacity counts what stays: the text less the selection being replaced.
TEST(LineEditorCapacity, AnInsertionThatEndsWithinTheCapacityGoesIn) {
    struct Case {
        const char *what;
        int selected;
        QString inserted;
        bool taken;
    };
    const Case cases[] = {
        {"to the capacity", 0, "ab", true},
        {"one past it", 0, "abc", false},
        {"over a selection", 2, "abcd", true},
        {"over a selection, one past", 2, "abcde", false},
    };
    const QString nearlyFull(LineEditor::kCapacity - 2, QLatin1Char('1'));
    LineEditor editor;
    editor.setText(nearlyFull);
    for (const Case &c : cases) {
        editor.setSelection(static_cast<int>(nearlyFull.size()), -c.selected);
        const bool taken = editor.insert(c.inserted);
        EXPECT_EQ(std::make_pair(taken, editor.text().size()),
                  std::make_pair(c.taken, c.taken ? LineEditor::kCapacity : nearlyFull.size()))
            << c.what;
        editor.undo();
    }
}

// A line far wider than the editor: wherever the caret goes it is in view, and a click
// where it is drawn puts it back in the same place.
TEST(LineEditorView, TheCaretOfALongLineIsInViewWhereverItGoes) {
    QString line;
    while (line.size() < 100'000) {
        line += "1fd/";
    }
    const int size = static_cast<int>(line.size());
    const std::pair<const char *, std::function<void(LineEditor &)>> moves[] = {
        {"loaded", [](LineEditor &) {}},
        {"home", [](LineEditor &l) { l.home(false); }},
        {"middle", [](LineEditor &l) { l.setCursorPosition(50'001); }},
        {"end after home", [](LineEditor &l) { l.home(false), l.end(false); }},
        {"left of the end", [](LineEditor &l) { QTest::keyClick(&l, Qt::Key_Left); }},
        {"deleted back", [size](LineEditor &l) { l.setSelection(size, -(size - 3)), l.del(); }},
    };
    Editor e;
    e.editor.setText(line);
    for (const auto &[what, move] : moves) {
        move(e.editor);
        const int at = e.editor.cursorPosition();
        const QRect caret = e.editor.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QTest::mouseClick(&e.editor, Qt::LeftButton, {}, caret.center());
        EXPECT_EQ(std::make_pair(e.editor.rect().contains(caret), e.editor.cursorPosition()),
                  std::make_pair(true, at))
            << what;
    }
}

// A short line, unfocused, is drawn as the toolkit's own line edit draws it.
TEST(LineEditorView, LooksLikeALineEdit) {
    LineEditor ours;
    QLineEdit theirs;
    for (QWidget *editor : {static_cast<QWidget *>(&ours), static_cast<QWidget *>(&theirs)}) {
        editor->resize(160, 22);
    }
    ours.setText("1fd/@019/#080/");
    theirs.setText("1fd/@019/#080/");
    EXPECT_EQ(ours.grab().toImage(), theirs.grab().toImage());
}

TEST(LineEditorMenu, OffersWhatWouldDoSomething) {
    struct Case {
        const char *what;
        QString text;
        int start, length;
        bool canUndo;
        QString enabled;
    };
    const Case cases[] = {
        {"empty", "", 0, 0, false, "paste"},
        {"a caret", "abc", 1, 0, false, "paste selectAll"},
        {"a selection", "abc", 1, 1, false, "cut copy paste delete selectAll"},
        {"all selected after an edit", "abc", 0, 3, true, "undo cut copy paste delete"},
    };
    for (const Case &c : cases) {
        Editor e;
        QApplication::clipboard()->setText("x");
        e.start(c.text, 0, 0);
        if (c.canUndo) {
            e.editor.insert("z");
            e.editor.backspace();
        }
        e.editor.setSelection(c.start, c.length);
        const std::unique_ptr<QMenu> menu(e.editor.createContextMenu());
        QStringList enabled;
        for (const QAction *action : menu->actions()) {
            if (action->isEnabled() && !action->isSeparator()) {
                enabled << action->objectName();
            }
        }
        EXPECT_EQ(enabled.join(' '), c.enabled) << c.what;
    }
}

} // namespace
} // namespace tunelet::ui
