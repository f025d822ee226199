// Start-up benchmark: what each measured program does once its window is built.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace startup {

inline long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Shows the window and ends the program as soon as it is exposed ("time": the time ends
// there, teardown is not measured), or prints the resident memory after half a second of
// idling ("memory").
inline int showAndExit(QApplication &app, QWidget &window, bool memory) {
    window.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed()) {
            return;
        }
        poll.stop();
        if (!memory) {
            std::_Exit(0);
        }
        QTimer::singleShot(500, [] {
            std::printf("%ld\n", residentKilobytes());
            std::fflush(stdout);
            std::_Exit(0);
        });
    });
    poll.start(0);
    return app.exec();
}

} // namespace startup
