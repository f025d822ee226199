// Tunelet's start before Qt: the font set-up begun, then the window module opened and run.
#include "ui/launch/window_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "modules/module_folders.h"
#include "ui/launch/font_warm_up.h"

extern char **environ;

namespace tunelet::ui {

namespace {

bool hasDisplay() {
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char *value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

// Started from a desktop menu, nobody reads the standard error: where there is a display,
// the desktop's own message box says it too (the first of the usual tools found; Qt is
// what could not be loaded). Waits until the box is closed.
void showBox(const std::string &text) {
    const std::string zenityText = "--text=" + text;
    const char *const tools[][6] = {
        {"zenity", "--error", "--no-markup", "--title=Tunelet", zenityText.c_str(), nullptr},
        {"kdialog", "--title", "Tunelet", "--error", text.c_str(), nullptr},
        {"xmessage", "-center", text.c_str(), nullptr},
    };
    for (const auto &tool : tools) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, tool[0], nullptr, nullptr, const_cast<char *const *>(tool),
                           environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            if (WIFEXITED(status) && WEXITSTATUS(status) != 127) {
                return;
            }
        }
    }
}

} // namespace

int launchWindowModule(int argc, char **argv, const char *moduleFile, const char *entryName) {
    FontConfigWarmUp fonts; // first: it runs while the module and Qt are loaded
    const modules::OpenedEntry opened = modules::openEntry(moduleFile, entryName);
    if (opened.function == nullptr) {
        const std::string text = "Tunelet 无法启动\n" + opened.error;
        std::fprintf(stderr, "%s\n", text.c_str());
        if (hasDisplay()) {
            showBox(text);
        }
        return 1;
    }
    const TuneletWindowStart start{
        TUNELET_WINDOW_ABI, [](void *context) { static_cast<FontConfigWarmUp *>(context)->wait(); },
        &fonts};
    return reinterpret_cast<TuneletWindowEntry>(opened.function)(argc, argv, &start);
}

} // namespace tunelet::ui
