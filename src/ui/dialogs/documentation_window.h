// Documentation window (Treadme): the script file format, in a memo the user may scroll.
//
//   Memo1  the text, filling the window and following its size; the user may edit it,
//          but nothing is kept: every opening shows the text afresh
//
// No buttons: the close box ends it (with Cancel); Esc does nothing.
#pragma once

#include "ui/dialogs/dialog_layout.h"

class QPlainTextEdit;

namespace tunelet::ui {

class DocumentationWindow : public DialogWithoutCancel {
    Q_OBJECT
public:
    explicit DocumentationWindow(QWidget *owner);

private:
    QPlainTextEdit *Memo1;
};

} // namespace tunelet::ui
