// Tunelet's entry: a launcher that begins fontconfig's set-up on a second core, then
// opens the window program, tunelet-window.so (ui/main_window/window_module.cpp), and runs
// it. "tunelet [FILE]" opens FILE once the window is up, so a file manager can open a
// script with a double-click.
#include "ui/launch/window_launcher.h"

int main(int argc, char *argv[]) {
    return tunelet::ui::launchWindowModule(argc, argv, "tunelet-window.so", "tunelet_window_main");
}
