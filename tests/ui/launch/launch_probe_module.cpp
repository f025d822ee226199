// A window module for the launcher's tests: waits for the fonts as the real one does, then
// answers a code made of what it was handed.
#include <cstring>

#include "ui/launch/window_launcher.h"

extern "C" __attribute__((visibility("default"))) int
launch_probe_main(int argc, char **argv, const TuneletWindowStart *start) {
    start->waitForFonts(start->context);
    const bool handed =
        start->abi == TUNELET_WINDOW_ABI && argc == 2 && std::strcmp(argv[1], "song.TNL") == 0;
    return handed ? 42 : 3;
}
