// About box (Tabout): icon, name and version, and an OK button.
#include "ui/dialogs/about_box.h"

#include <QCoreApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

AboutBox::AboutBox(QWidget *owner) : DialogWithoutCancel(owner, kFixedDialogFlags) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(texts::kAboutCaption);
    setFixedSize(337, 161);

    Bevel1 = placed(new QFrame(this), "Bevel1", {8, 8, 321, 113});
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Image1 = placed(new QLabel(this), "Image1", {16, 16, 41, 57});
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(picture(devicePixelRatioF()));

    const QString version = QCoreApplication::applicationVersion();
    Label3 = placed(new QLabel(version.isEmpty() ? QStringLiteral("Tunelet")
                                                 : QStringLiteral("Tunelet ") + version,
                               this),
                    "Label3", {16, 88, 305, 25});
    QFont bold = Label3->font();
    bold.setPixelSize(13);
    bold.setBold(true);
    Label3->setFont(bold);

    OKBtn = placed(new QPushButton(texts::kOkButton, this), "OKBtn", {135, 132, 75, 25});
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(kModalOk); });
    OKBtn->setFocus();

    // Centred on the screen, not over the owner.
    centreOnScreen(this, owner);
}

QPixmap AboutBox::picture(qreal devicePixelRatio) {
    QIcon icon(QStringLiteral(":/app/tunelet-32.png"));
    icon.addFile(QStringLiteral(":/app/tunelet-64.png"));
    return icon.pixmap(QSize(32, 32), devicePixelRatio);
}

} // namespace tunelet::ui
