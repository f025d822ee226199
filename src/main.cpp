// Tunelet's entry: the application object with its general error handler, the main
// window, the event loop. "tunelet [FILE]" opens FILE once the window is up, so a
// file manager can open a script with a double-click.
#include <QTimer>

#include "ui/main_window/program_start.h"

int main(int argc, char *argv[]) {
    tunelet::ui::ProgramStart start(argc, argv);
    tunelet::ui::MainWindow &window = start.window();
    window.show();
    const QStringList arguments = start.app().arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &window, [&] { window.openScoreFile(arguments.at(1)); });
    }
    return start.app().exec();
}
