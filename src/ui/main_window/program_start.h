// The window program's start, as the window module and the start-up benchmark both make it.
#pragma once

#include <memory>

#include "ui/common/application.h"
#include "ui/launch/window_launcher.h"
#include "ui/main_window/main_window.h"

namespace tunelet::ui {

// The application object with Qt's texts in Chinese, then, once the launcher's font
// set-up is done, the main window (not yet shown).
class ProgramStart {
public:
    ProgramStart(int &argc, char **argv, const TuneletWindowStart &start);

    Application &app() { return m_app; }
    MainWindow &window() { return *m_window; }

private:
    Application m_app;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace tunelet::ui
