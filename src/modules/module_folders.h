// Tunelet's modules: shared objects a program opens only when it first needs them (the
// window program, the command's WAV and drawing outputs), found relative to the running
// program so the build tree and any install prefix work without a configured path.
#pragma once

#include <string>
#include <vector>

namespace tunelet::modules {

// Where modules are looked for, in this order: the folder of the running program (the
// build tree puts them there), then the installed module folder relative to it
// (bin/../lib/tunelet after cmake --install, whatever the prefix).
std::vector<std::string> moduleFolders();

struct OpenedEntry {
    void *function = nullptr;
    std::string error; // why it could not be opened, in the user's words
};

// Opens the first file named fileName in moduleFolders() and finds its entry function. A
// module that is found but cannot be loaded is reported, not passed over. The module
// stays loaded until the program ends.
OpenedEntry openEntry(const char *fileName, const char *entryName);

} // namespace tunelet::modules
