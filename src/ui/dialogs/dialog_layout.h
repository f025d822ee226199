// Dialogs: what the four dialog windows share in their layout (font, placing controls,
// centring on the screen).
#pragma once

#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLatin1String>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <utility>

#include "ui/common/font_families.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

// A dialog of the program: reject() (Esc, the close box, a cancel button) ends it with
// Cancel (2), where a plain QDialog would end with 0.
class ModalDialog : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override { done(kModalCancel); }

    // Where the outer frame's top-left corner goes, for the frame's outer size. The window
    // manager tells the frame only once the window shows, and on a scaled screen it differs
    // from any estimate made before: the place is taken again then.
    using FramePlace = std::function<QPoint(QSize outer)>;
    void placeFrame(FramePlace place) { m_place = std::move(place); }

protected:
    bool event(QEvent *event) override {
        const bool handled = QDialog::event(event);
        const bool framed = frameGeometry().size() != size();
        if (m_place && framed && (event->type() == QEvent::Show || event->type() == QEvent::Move)) {
            const QPoint wanted = std::exchange(m_place, nullptr)(frameGeometry().size());
            if (frameGeometry().topLeft() != wanted) {
                move(wanted);
            }
        }
        return handled;
    }

private:
    FramePlace m_place;
};

// A window without a cancel button: Esc leaves it open, the close box still ends it.
class DialogWithoutCancel : public ModalDialog {
public:
    using ModalDialog::ModalDialog;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() != Qt::Key_Escape) {
            ModalDialog::keyPressEvent(event);
        }
    }
};

// Window borders of the fixed dialogs: a title with a close box, no resizing.
constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                              Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                              Qt::MSWindowsFixedSizeDialogHint;

// SimSun, 13 pixels, as on the main window; WenQuanYi where SimSun is not installed.
inline QFont songFont() {
    static const QStringList families = fromFirstInstalled(
        {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(13);
    return font;
}

// Names a control and puts it at its place in the client area.
template <typename T> T *placed(T *control, const char *name, const QRect &geometry) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

// Moves a dialog that is not yet shown so that its window, frame included, is centred on
// the screen. The window manager tells the frame only once the window shows, so the
// owner's frame stands in for it until then.
inline void centreOnScreen(ModalDialog *dialog, const QWidget *owner) {
    QMargins frame;
    if (owner && owner->window()->isVisible()) {
        const QWidget *window = owner->window();
        const QPoint client = window->geometry().topLeft() - window->frameGeometry().topLeft();
        frame = QMargins(client.x(), client.y(), client.x(), client.x());
    }
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QPoint centre = screen->availableGeometry().center();
    const auto centred = [centre](QSize outer) {
        QRect frameRect(QPoint(), outer);
        frameRect.moveCenter(centre);
        return frameRect.topLeft();
    };
    dialog->move(centred(dialog->size().grownBy(frame)));
    dialog->placeFrame(centred);
}

} // namespace tunelet::ui
