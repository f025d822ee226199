// Main window: the line editor ij.
#include "ui/common/line_editor.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QValidator>

namespace tunelet::ui {

namespace {

class LowerCaseValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override {
        if (!input.isLower()) { // a look costs less than a copy of a long track
            input = input.toLower();
        }
        return Acceptable;
    }
};

constexpr char16_t kBackspace = 8;
constexpr char16_t kDelete = 0x7F; // some keyboards send it as the Delete key's text

} // namespace

LineEditor::LineEditor(QWidget *parent) : QLineEdit(parent) {
    setValidator(new LowerCaseValidator(this));
    setMaxLength(kCapacity); // a track may be megabytes long
    setAttribute(Qt::WA_InputMethodEnabled, false);
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

void LineEditor::keyPressEvent(QKeyEvent *event) {
    if (event->matches(QKeySequence::Paste) &&
        !fits(*this, QApplication::clipboard()->text().size())) {
        event->accept(); // said, not cut: the toolkit would paste only what fits
        if (m_fullHandler) {
            m_fullHandler();
        }
        return;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || typed == QChar(kDelete) || !m_keyHandler) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar k : typed) {
        m_keyHandler(k);
    }
    if (typed == QChar(kBackspace)) {
        QLineEdit::keyPressEvent(event);
    } else {
        event->accept(); // composed (or refused), never typed
    }
}

void LineEditor::inputMethodEvent(QInputMethodEvent *event) {
    event->accept(); // an input method that is on anyway still types nothing
}

bool fits(const QLineEdit &editor, qsizetype inserted) {
    return editor.text().size() - editor.selectedText().size() + inserted <= editor.maxLength();
}

} // namespace tunelet::ui
