// Dialogs: what the four dialog windows share in their layout (font, placing controls,
// centring on the screen).
#pragma once

#include <QDialog>
#include <QFont>
#include <QGuiApplication>
#include <QLatin1String>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace tunelet::ui {

// Window borders of the fixed dialogs: a title with a close box, no resizing.
constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                              Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                              Qt::MSWindowsFixedSizeDialogHint;

// SimSun, 13 pixels, as on the main window; WenQuanYi where SimSun is not installed.
inline QFont songFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
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
// owner's frame stands in for it.
inline void centreOnScreen(QDialog *dialog, const QWidget *owner) {
    QMargins frame;
    if (owner && owner->window()->isVisible()) {
        const QWidget *window = owner->window();
        const QPoint client = window->geometry().topLeft() - window->frameGeometry().topLeft();
        frame = QMargins(client.x(), client.y(), client.x(), client.x());
    }
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    QRect outer = QRect(QPoint(), dialog->size()).marginsAdded(frame);
    outer.moveCenter(screen->availableGeometry().center());
    dialog->move(outer.topLeft());
}

} // namespace tunelet::ui
