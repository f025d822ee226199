// Start-up benchmark: Tunelet's start as its main() has it, in a program that links what
// the program links and nothing of the benchmark's: "startup_tunelet_window time|memory".
#include <cstring>
#include <memory>

#include "playback/fluidsynth_sequencer.h"
#include "startup_child.h"
#include "ui/common/application.h"
#include "ui/common/font_warm_up.h"
#include "ui/common/prompt.h"
#include "ui/main_window/main_window.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        return 2;
    }
    tunelet::ui::FontConfigWarmUp fonts;
    tunelet::ui::Application app(argc, argv);
    tunelet::ui::loadChineseQtTexts(app);
    fonts.wait();
    tunelet::ui::MainWindow window(std::make_unique<tunelet::ui::MessageBoxPrompt>(app.title()),
                                   tunelet::playback::createSystemSequencer());
    return startup::showAndExit(app, window, std::strcmp(argv[1], "memory") == 0);
}
