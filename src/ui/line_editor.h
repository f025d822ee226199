// Main window: the line editor ij, a single-line edit that holds its text in lower case.
#pragma once

#include <QLineEdit>

namespace tunelet::ui {

// Typed and pasted text is turned to lower case as it arrives; setLowerText() does the
// same for text the program puts in. Unlike a plain QLineEdit it does not select its
// text when it receives the focus, so the caret stays where the user left it.
class LineEditor : public QLineEdit {
    Q_OBJECT
public:
    explicit LineEditor(QWidget *parent = nullptr);

    void setLowerText(const QString &text);

protected:
    void focusInEvent(QFocusEvent *event) override;
};

} // namespace tunelet::ui
