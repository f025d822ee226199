// Instrument chooser (Tsyq): the list of instruments and its OK and Cancel buttons.
#include "ui/dialogs/instrument_chooser.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>

#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

namespace {

// SimSun's 13 pixels fill a 13-pixel row; a font with more room above and below its
// glyphs (WenQuanYi's line is 15 pixels at that size) is made smaller until its whole
// line, accents and descenders included, fits the row, so no name is clipped.
QFont rowFont(QFont font) {
    while (font.pixelSize() > 9 && QFontMetrics(font).height() > kChooserRowHeight) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

// The list with a pixel of room between its frame and its first row.
class InstrumentList : public QListWidget {
public:
    explicit InstrumentList(QWidget *parent) : QListWidget(parent) {
        setViewportMargins(0, 1, 0, 0);
    }
};

} // namespace

InstrumentChooser::InstrumentChooser(QWidget *owner) : ModalDialog(owner, kFixedDialogFlags) {
    setObjectName(QStringLiteral("syq"));
    setWindowTitle(texts::kChooserCaption);
    setFont(songFont());
    setFixedSize(241, 215);

    Bevel1 = placed(new QFrame(this), "Bevel1", {8, 8, 225, 161});
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);

    // Eleven names show in rows 13 pixels high. A thin line frames the list and the first
    // row starts a pixel below it, so no glyph touches the frame.
    lyq = placed(new InstrumentList(this), "lyq", {16, 15, 209, 147});
    lyq->setFrameStyle(QFrame::Box | QFrame::Plain);
    lyq->setFont(rowFont(font()));
    lyq->setSelectionMode(QAbstractItemView::SingleSelection);
    lyq->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lyq->setSortingEnabled(false);
    lyq->addItems(texts::kInstrumentNames);
    const QFontMetrics metrics(lyq->font());
    for (int row = 0; row < lyq->count(); ++row) {
        QListWidgetItem *item = lyq->item(row);
        item->setSizeHint({metrics.horizontalAdvance(item->text()) + 6, kChooserRowHeight});
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
