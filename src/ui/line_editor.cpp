// Main window: the line editor ij.
#include "ui/line_editor.h"

#include <QFocusEvent>
#include <QValidator>

namespace tunelet::ui {

namespace {

class LowerCaseValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override {
        input = input.toLower();
        return Acceptable;
    }
};

} // namespace

LineEditor::LineEditor(QWidget *parent) : QLineEdit(parent) {
    setValidator(new LowerCaseValidator(this));
}

void LineEditor::setLowerText(const QString &text) {
    setText(text.toLower());
}

void LineEditor::focusInEvent(QFocusEvent *event) {
    // QLineEdit selects everything on Tab and shortcut focus; hand it a reason that
    // does not, but keep everything else the focus-in does.
    QFocusEvent plain(event->type(), Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&plain);
}

} // namespace tunelet::ui
