// Start-up benchmark: Tunelet's window program as its module makes it, shown, then ended
// at its first frame (time) or after half a second of idling (memory). Opened by
// startup_tunelet_window as the program tunelet opens tunelet-window.so.
#include <cstring>

#include "startup_child.h"
#include "ui/main_window/program_start.h"

extern "C" __attribute__((visibility("default"))) int
startup_window_main(int argc, char **argv, const TuneletWindowStart *start) {
    if (argc != 2) {
        return 2;
    }
    const bool memory = std::strcmp(argv[1], "memory") == 0;
    tunelet::ui::ProgramStart program(argc, argv, *start);
    return startup::showAndExit(program.app(), program.window(), memory);
}
