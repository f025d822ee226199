// Tunelet's start before Qt: the program tunelet is a small launcher, and the windows are a
// module of their own (tunelet-window.so) that it opens once fontconfig's set-up has begun
// on a second core. The set-up then runs while the dynamic loader maps and relocates Qt's
// libraries, which it could not if Qt were linked into the program itself.
#pragma once

// What the launcher hands the module's entry. Both sides are built from this header.
struct TuneletWindowStart {
    int abi; // TUNELET_WINDOW_ABI
    // Returns once fontconfig's set-up is done; the module calls it before its first window.
    void (*waitForFonts)(void *context);
    void *context;
};
#define TUNELET_WINDOW_ABI 1

// The module's entry: runs the program and answers its exit code.
using TuneletWindowEntry = int (*)(int argc, char **argv, const TuneletWindowStart *start);

namespace tunelet::ui {

// Begins the font set-up, opens moduleFile (beside the program, or in the installed module
// folder) and runs its entry. When the module cannot be opened, says why on the standard
// error and answers 1; where there is a display, also in a box shown by the desktop's own
// tool (zenity, kdialog or xmessage): without Qt there is no window of its own to say it in.
int launchWindowModule(int argc, char **argv, const char *moduleFile, const char *entryName);

} // namespace tunelet::ui
