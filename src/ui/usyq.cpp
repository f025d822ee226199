// Instrument chooser (Tsyq): the list of instruments and its OK and Cancel buttons.
#include "ui/usyq.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "ui/dialog_layout.h"
#include "ui/dialog_texts.h"
#include "ui/modal_result.h"
#include "ui/texts.h"

namespace tunelet::ui {

Tsyq::Tsyq(QWidget *owner) : ModalDialog(owner, kFixedDialogFlags) {
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
    connect(CancelBtn, &QPushButton::clicked, this, &Tsyq::reject);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, lyq);
    OKBtn->setFocus();

    // Centred on the screen, not over the owner.
    centreOnScreen(this, owner);
}

int Tsyq::itemIndex() const {
    const QList<QListWidgetItem *> selected = lyq->selectedItems();
    return selected.isEmpty() ? -1 : lyq->row(selected.first());
}

bool Tsyq::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lyq->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lyqDblClick();
    }
    return ModalDialog::eventFilter(watched, event);
}

void Tsyq::lyqDblClick() {
    OKBtn->click();
}

} // namespace tunelet::ui
