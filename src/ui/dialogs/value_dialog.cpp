// Value dialog (Tsettime): the number edit with its up-down spinner, OK and Cancel.
#include "ui/dialogs/value_dialog.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

namespace {

QToolButton *arrowButton(Qt::ArrowType arrow, const char *name, QWidget *parent) {
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

UpDown::UpDown(QLineEdit *buddy, QWidget *parent)
    : QWidget(parent), m_buddy(buddy), m_up(arrowButton(Qt::UpArrow, "up", this)),
      m_down(arrowButton(Qt::DownArrow, "down", this)) {
    setFocusPolicy(Qt::TabFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setMaximum(int maximum) {
    m_maximum = std::max(maximum, m_minimum);
    setPosition(m_position);
}

int UpDown::position() const {
    // A typed number counts once it is read; anything else leaves the last valid one.
    bool ok = false;
    const int typed = m_buddy->text().toInt(&ok, 10);
    if (ok && typed >= m_minimum && typed <= m_maximum) {
        m_position = typed;
    }
    return m_position;
}

void UpDown::setPosition(int position) {
    m_position = std::clamp(position, m_minimum, m_maximum);
    m_buddy->setText(QString::number(m_position));
}

void UpDown::stepBy(int steps) {
    setPosition(position() + steps);
}

void UpDown::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Up) {
        stepBy(1);
    } else if (event->key() == Qt::Key_Down) {
        stepBy(-1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void UpDown::resizeEvent(QResizeEvent *) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

ValueDialog::ValueDialog(QWidget *owner) : ModalDialog(owner, kFixedDialogFlags) {
    setObjectName(QStringLiteral("settime"));
    setWindowTitle(texts::kTimeIncrementCaption); // each caller sets its own
    setFont(songFont());
    setFixedSize(169, 83);

    Bevel1 = placed(new QFrame(this), "Bevel1", {8, 8, 153, 41});
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);

    et = placed(new QLineEdit(this), "et", {16, 16, 121, 21});
    et->installEventFilter(this);
    ud1 = placed(new UpDown(et, this), "ud1", {137, 16, 15, 21});
    ud1->setPosition(0);

    OKBtn = placed(new QPushButton(texts::kOkButton, this), "OKBtn", {7, 52, 75, 25});
    OKBtn->setDefault(true);
    CancelBtn = placed(new QPushButton(texts::kCancelButton, this), "CancelBtn", {87, 52, 75, 25});
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(kModalOk); });
    connect(CancelBtn, &QPushButton::clicked, this, &ValueDialog::reject);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, et);
    setTabOrder(et, ud1);
    OKBtn->setFocus();

    // Centred on the screen, not over the owner.
    centreOnScreen(this, owner);
}

void ValueDialog::setMaximum(int maximum) {
    ud1->setMaximum(maximum);
}

void ValueDialog::setPosition(int position) {
    ud1->setPosition(position);
}

int ValueDialog::position() const {
    return ud1->position();
}

bool ValueDialog::eventFilter(QObject *watched, QEvent *event) {
    if (watched == et && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            ud1->stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return ModalDialog::eventFilter(watched, event);
}

} // namespace tunelet::ui
