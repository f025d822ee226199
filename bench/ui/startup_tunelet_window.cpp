// Start-up benchmark: Tunelet's start as its main() makes it, in a program that links what
// the program links and nothing of the benchmark's: "startup_tunelet_window time|memory".
#include <cstring>

#include "startup_child.h"
#include "ui/main_window/program_start.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        return 2;
    }
    const bool memory = std::strcmp(argv[1], "memory") == 0;
    tunelet::ui::ProgramStart start(argc, argv);
    return startup::showAndExit(start.app(), start.window(), memory);
}
