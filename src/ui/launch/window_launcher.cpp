// Tunelet's start before Qt: the font set-up begun, then the window module opened and run.
#include "ui/launch/window_launcher.h"

#include <cstdio>

#include "modules/module_folders.h"
#include "ui/launch/font_warm_up.h"

namespace tunelet::ui {

int launchWindowModule(int argc, char **argv, const char *moduleFile, const char *entryName) {
    FontConfigWarmUp fonts; // first: it runs while the module and Qt are loaded
    const modules::OpenedEntry opened = modules::openEntry(moduleFile, entryName);
    if (opened.function == nullptr) {
        std::fprintf(stderr, "Tunelet 无法启动\n%s\n", opened.error.c_str());
        return 1;
    }
    const TuneletWindowStart start{
        TUNELET_WINDOW_ABI, [](void *context) { static_cast<FontConfigWarmUp *>(context)->wait(); },
        &fonts};
    return reinterpret_cast<TuneletWindowEntry>(opened.function)(argc, argv, &start);
}

} // namespace tunelet::ui
