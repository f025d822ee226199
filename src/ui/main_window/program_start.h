// The program's start, as main() and the start-up benchmark both make it.
#pragma once

#include <memory>

#include "ui/common/application.h"
#include "ui/common/font_warm_up.h"
#include "ui/main_window/main_window.h"

namespace tunelet::ui {

// fontconfig's set-up begun on a second core, then the application object with Qt's
// texts in Chinese, then the main window (not yet shown) once the fonts are ready.
class ProgramStart {
public:
    ProgramStart(int &argc, char **argv);

    Application &app() { return m_app; }
    MainWindow &window() { return *m_window; }

private:
    FontConfigWarmUp m_fonts; // first: begun before the application object
    Application m_app;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace tunelet::ui
