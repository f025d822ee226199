// Value dialog (Tsettime): picks a whole number, for the time increment and the volume.
//
//   Bevel1     sunken frame around the edit and the spinner
//   et         the number; shows the spinner's position and takes typed numbers
//   ud1        up-down spinner at et's right edge; the Up and Down keys in et step it too
//   OKBtn      default button, ends with OK; has the focus when the dialog opens
//   CancelBtn  ends with Cancel (so do Esc and the close box)
//
// The caller sets the caption, then the maximum, then the position, and reads position()
// after an OK.
#pragma once

#include <QWidget>

#include "ui/dialogs/dialog_layout.h"

class QFrame;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tunelet::ui {

// An up-down spinner bound to an edit: the edit shows its position, and the number typed
// into the edit becomes the position when it is read or stepped, if it is a whole number
// within the range. Steps of 1 stop at the ends.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, QWidget *parent);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setMaximum(int maximum);
    int position() const;
    void setPosition(int position);
    void stepBy(int steps);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLineEdit *m_buddy;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 600;
    mutable int m_position = 0; // the last valid position, taken from the edit when read
};

class ValueDialog : public ModalDialog {
    Q_OBJECT
public:
    explicit ValueDialog(QWidget *owner);

    void setMaximum(int maximum);
    void setPosition(int position);
    // The spinner's position, always within 0 and the maximum.
    int position() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFrame *Bevel1;
    QLineEdit *et;
    UpDown *ud1;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
};

} // namespace tunelet::ui
