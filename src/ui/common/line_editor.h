// Main window: the line editor ij, a single-line edit that holds its text in lower case.
#pragma once

#include <QLineEdit>
#include <functional>

namespace tunelet::ui {

// Typed and pasted text is turned to lower case as it arrives; setLowerText() does the
// same for text the program puts in. Unlike a plain QLineEdit it does not select its
// text when it receives the focus, so the caret stays where the user left it, and it
// holds a line of up to kCapacity characters.
//
// A key that types a character is not typed: it goes to the key handler, which composes
// a whole token from it; only Backspace edits as usual. Keys without a character
// (arrows, Home, End, Delete, Shift+Insert) and the context menu keep their function.
// Input methods are off, so a Chinese input method never puts raw text in the line.
class LineEditor : public QLineEdit {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(QChar typed)>;

    // The longest line the editor holds. Each change lays the whole line out again, about
    // a quarter of a second for a million characters: past this, loading or a key would
    // freeze the window for seconds, so a longer track stays in the score, whole, unedited.
    static constexpr int kCapacity = 1'200'000;

    explicit LineEditor(QWidget *parent = nullptr);

    void setLowerText(const QString &text);
    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }
    // Told when a paste key is refused because the text would not fit.
    void setFullHandler(std::function<void()> handler) { m_fullHandler = std::move(handler); }

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    KeyHandler m_keyHandler;
    std::function<void()> m_fullHandler;
};

// Whether inserting this many characters in place of the selection keeps editor within
// its capacity.
bool fits(const QLineEdit &editor, qsizetype inserted);

} // namespace tunelet::ui
