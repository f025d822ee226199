// Instrument chooser (Tsyq): the list of instruments and its OK and Cancel buttons.
#include "ui/dialogs/instrument_chooser.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

InstrumentChooser::InstrumentChooser(QWidget *owner) : ModalDialog(owner, kFixedDialogFlags) {
    setObjectName(QStringLiteral("syq"));
    setWindowTitle(texts::kChooserCaption);
    setFont(songFont());
    setFixedSize(241, 215);

    Bevel1 = placed(new QFrame(this), "Bevel1", {8, 8, 225, 161});
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);

    lyq = placed(new QListWidget(this), "lyq", {16, 16, 209, 145});
    lyq->setSelectionMode(QAbstractItemView::SingleSelection);
    lyq->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lyq->setSortingEnabled(false);
    lyq->addItems(texts::kInstrumentNames);
    // Rows 13 pixels high as drawn for SimSun; a font that needs more room gets it, so no
    // name is clipped where SimSun is missing.
    const QFontMetrics metrics(lyq->font());
    const int rowHeight = std::max(13, metrics.height());
    for (int row = 0; row < lyq->count(); ++row) {
        QListWidgetItem *item = lyq->item(row);
        item->setSizeHint({metrics.horizontalAdvance(item->text()) + 6, rowHeight});
    }
    lyq->viewport()->installEventFilter(this);

    OKBtn = placed(new QPushButton(texts::kOkButton, this), "OKBtn", {39, 180, 75, 25});
    OKBtn->setDefault(true);
    CancelBtn =
        placed(new QPushButton(texts::kCancelButton, this), "CancelBtn", {127, 180, 75, 25});
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(kModalOk); });
    connect(CancelBtn, &QPushButton::clicked, this, &InstrumentChooser::reject);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, lyq);
    OKBtn->setFocus();

    // Centred on the screen, not over the owner.
    centreOnScreen(this, owner);
}

int InstrumentChooser::itemIndex() const {
    const QList<QListWidgetItem *> selected = lyq->selectedItems();
    return selected.isEmpty() ? -1 : lyq->row(selected.first());
}

bool InstrumentChooser::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lyq->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lyqDblClick();
    }
    return ModalDialog::eventFilter(watched, event);
}

void InstrumentChooser::lyqDblClick() {
    OKBtn->click();
}

} // namespace tunelet::ui
