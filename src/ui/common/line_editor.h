// Main window: the line editor ij, a single-line edit that holds its text in lower case.
#pragma once

#include <QLineEdit>
#include <functional>

namespace tunelet::ui {

// Typed and pasted text is turned to lower case as it arrives; setLowerText() does the
// same for text the program puts in. Unlike a plain QLineEdit it does not select its
// text when it receives the focus, so the caret stays where the user left it, and it
// holds a line of any length.
//
// A key that types a character is not typed: it goes to the key handler, which composes
// a whole token from it; only Backspace edits as usual. Keys without a character
// (arrows, Home, End, Delete, Shift+Insert) and the context menu keep their function.
// Input methods are off, so a Chinese input method never puts raw text in the line.
class LineEditor : public QLineEdit {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(QChar typed)>;

    explicit LineEditor(QWidget *parent = nullptr);

    void setLowerText(const QString &text);
    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    KeyHandler m_keyHandler;
};

} // namespace tunelet::ui
