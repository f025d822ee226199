// Window tests: driving a real modal box or dialog from inside its own modal run.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace tunelet::ui::testing {

// Once a modal T is showing, runs act on it (from the event loop of its modal run).
// *seen stays false when none appeared within three seconds.
template <typename T> void whenModal(bool *seen, std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        T *widget = qobject_cast<T *>(QApplication::activeModalWidget());
        if ((widget && widget->isVisible()) || ++*tries > 300) {
            timer->stop();
            timer->deleteLater();
            if (widget) {
                *seen = true;
                act(widget);
            }
        }
    });
    timer->start(10);
}

} // namespace tunelet::ui::testing
