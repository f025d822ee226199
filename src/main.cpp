// Tunelet's entry: the application object with its general error handler, the main
// window, the event loop. "tunelet [FILE]" opens FILE once the window is up, so a
// file manager can open a script with a double-click.
#include <QTimer>
#include <memory>

#include "playback/fluidsynth_sequencer.h"
#include "ui/common/application.h"
#include "ui/common/font_warm_up.h"
#include "ui/common/prompt.h"
#include "ui/main_window/main_window.h"

int main(int argc, char *argv[]) {
    tunelet::ui::FontConfigWarmUp fonts;
    tunelet::ui::Application app(argc, argv);
    tunelet::ui::loadChineseQtTexts(app);
    fonts.wait();
    tunelet::ui::MainWindow window(std::make_unique<tunelet::ui::MessageBoxPrompt>(app.title()),
                                   tunelet::playback::createSystemSequencer());
    window.show();
    const QStringList arguments = app.arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &window, [&] { window.openScoreFile(arguments.at(1)); });
    }
    return app.exec();
}
