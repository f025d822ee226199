// Start-up benchmark: Tunelet's start as its main() makes it, "startup_tunelet_window
// time|memory": the launcher begins the font set-up and opens the benchmark's window
// module, which holds what tunelet-window.so holds.
#include "ui/launch/window_launcher.h"

int main(int argc, char **argv) {
    return tunelet::ui::launchWindowModule(argc, argv, "startup_tunelet_module.so",
                                           "startup_window_main");
}
