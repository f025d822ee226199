// About box (Tabout): the program's icon, name and version.
//
//   Bevel1  sunken frame around the picture and the label
//   Image1  the program's icon
//   Label3  the program's name and version
//   OKBtn   default button, ends with OK
//
// No cancel button: Esc does nothing; the close box ends it with Cancel.
#pragma once

#include "ui/dialogs/dialog_layout.h"

class QFrame;
class QPixmap;
class QLabel;
class QPushButton;

namespace tunelet::ui {

class AboutBox : public DialogWithoutCancel {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *owner);

    // Image1's picture for a screen of this many device pixels per logical pixel: the
    // 32-pixel icon, or on a high-density screen the one drawn at 64, never one scaled up.
    static QPixmap picture(qreal devicePixelRatio);

private:
    QFrame *Bevel1;
    QLabel *Image1;
    QLabel *Label3;
    QPushButton *OKBtn;
};

} // namespace tunelet::ui
