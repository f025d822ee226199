// Main window: the line editor ij, a single-line edit that holds its text in lower case.
#pragma once

#include <QBasicTimer>
#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>
#include <QWidget>
#include <functional>

#include "ui/common/edit_buffer.h"

class QMenu;
class QStyleOptionFrame;

namespace tunelet::ui {

// A track may be megabytes long, so the editor lays out and paints only the characters in
// view: a key, a paste or loading a whole track costs a splice of the text and a layout of
// one window's width, not of the line. It looks and edits like a line edit otherwise.
//
// Typed and pasted text is turned to lower case as it arrives, and so is text the program
// puts in. It does not select its text when it receives the focus, so the caret stays
// where the user left it.
//
// A key that types a character is not typed: it goes to the key handler, which composes a
// whole token from it; only Backspace edits as usual. Keys without a character (arrows,
// Home, End, Delete, Shift+Insert, Ctrl+Insert, Shift+Delete) and the context menu keep
// their function. Input methods are off, so a Chinese input method never puts raw text
// in the line.
class LineEditor : public QWidget {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(QChar typed)>;

    // The longest line the editor holds: a key at this length still answers in well under
    // half a second. A longer track stays in the score, whole, unedited.
    static constexpr int kCapacity = 16'000'000;

    explicit LineEditor(QWidget *parent = nullptr);

    QString text() const { return m_buffer.text(); }
    // Replaces the text (lower-cased), caret at its end; the undo history starts again.
    void setText(const QString &text);
    void clear() { setText({}); }

    int cursorPosition() const { return m_buffer.cursor(); }
    void setCursorPosition(int position);
    void setSelection(int start, int length);
    void selectAll();
    bool hasSelectedText() const { return m_buffer.hasSelection(); }
    QString selectedText() const { return m_buffer.selectedText(); }
    void home(bool mark);
    void end(bool mark);

    // Whether inserting this many characters in place of the selection stays within
    // kCapacity.
    bool fits(qsizetype inserted) const;
    // Puts text (lower-cased) in place of the selection or at the caret, as one undo
    // step; past kCapacity nothing goes in, the full handler is told and the answer is
    // false.
    bool insert(const QString &text);
    void backspace();
    void del();
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();

    bool canUndo() const { return m_buffer.canUndo(); }

    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }
    // Asked at the undo key: true leaves the key to the window's own undo command, whose
    // step is then the latest thing done.
    void setUndoElsewhere(std::function<bool()> elsewhere) {
        m_undoElsewhere = std::move(elsewhere);
    }
    // Told when an insertion is refused because the text would not fit.
    void setFullHandler(std::function<void()> handler) { m_fullHandler = std::move(handler); }

    // The right-click menu, owned by the caller: undo, redo, cut, copy, paste, delete and
    // select all, each enabled when it would do something.
    QMenu *createContextMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void textChanged(const QString &text);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // An editing key's command, or null for a key the editor does not edit with.
    using KeyCommand = void (*)(LineEditor &);
    static KeyCommand commandFor(QKeyEvent *event);
    bool editKey(QKeyEvent *event);
    // A character or word to the right (forward) or left.
    void step(bool forward, bool keepAnchor);
    void stepWord(bool forward, bool keepAnchor);
    void removeTo(int to);
    void moveCursor(int position, bool keepAnchor);
    // After every change: the caret in view, repainted, and textChanged when edited; the
    // characters in view are laid out again when they may differ.
    void changed(bool edited, bool relayout = false);

    QStyleOptionFrame frameOption() const;
    QRect contentRect() const; // inside the frame
    QRect textRect() const;    // where the line of text sits
    qreal advance(QChar c) const;
    // The width of text[from, to), counted only until it passes limit.
    qreal widthUpTo(int from, int to, qreal limit) const;
    // The first character from which text[.., last) fits in room.
    int firstFitting(int last, qreal room) const;
    void scrollToCursor();
    const QTextLayout &visibleLayout() const;
    int positionAt(QPoint point) const;
    void restartBlink();
    // Where the system has a selection clipboard, what is selected goes there.
    void offerSelection() const;

    EditBuffer m_buffer;
    int m_first = 0; // the first character in view
    KeyHandler m_keyHandler;
    std::function<void()> m_fullHandler;
    std::function<bool()> m_undoElsewhere;

    QFontMetricsF m_metrics;
    mutable QTextLayout m_layout; // the characters in view, from m_first
    mutable bool m_layoutValid = false;
    mutable QHash<char16_t, qreal> m_advances; // each character's width, as met

    QBasicTimer m_blink;
    bool m_caretShown = true;
};

} // namespace tunelet::ui
