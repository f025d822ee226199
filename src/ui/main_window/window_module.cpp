// The window program, tunelet-window.so: the application object with its general error
// handler, the main window, the event loop. The program tunelet opens it (src/main.cpp).
#include <QTimer>
#include <cstdio>

#include "ui/launch/window_launcher.h"
#include "ui/main_window/program_start.h"

extern "C" __attribute__((visibility("default"))) int
tunelet_window_main(int argc, char **argv, const TuneletWindowStart *start) {
    if (start == nullptr || start->abi != TUNELET_WINDOW_ABI) {
        std::fprintf(stderr, "Tunelet 无法启动\n模块“tunelet-window.so”与 tunelet 版本不符\n");
        return 1;
    }
    tunelet::ui::ProgramStart program(argc, argv, *start);
    tunelet::ui::MainWindow &window = program.window();
    window.show();
    const QStringList arguments = program.app().arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &window, [&] { window.openScoreFile(arguments.at(1)); });
    }
    return program.app().exec();
}
