// Instrument chooser (Tsyq): picks one of the 128 General MIDI instruments.
//
//   Bevel1     sunken frame around the list
//   lyq        the instrument names; a row's index is the program number
//   OKBtn      default button, ends with OK; has the focus when the dialog opens
//   CancelBtn  ends with Cancel (so do Esc and the close box)
//
// A double-click on the list presses OKBtn: the row picked by the first click is chosen.
#pragma once

#include "ui/dialogs/dialog_layout.h"

class QFrame;
class QListWidget;
class QPushButton;

namespace tunelet::ui {

// The height of a row of the list: eleven rows show at once.
constexpr int kChooserRowHeight = 13;

class InstrumentChooser : public ModalDialog {
    Q_OBJECT
public:
    explicit InstrumentChooser(QWidget *owner);

    // The chosen instrument's number (0..127), or -1 when no row is selected.
    int itemIndex() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lyqDblClick();

    QFrame *Bevel1;
    QListWidget *lyq;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
};

} // namespace tunelet::ui
