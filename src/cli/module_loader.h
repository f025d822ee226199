// tunelet-export: the output modules (WAV, and any other output that needs more than the
// C++ runtime), found and opened only when their output is asked for, so a MIDI export
// loads nothing it does not use.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/export_module.h"
#include "export/score_to_midi.h"

namespace tunelet::cli {

// One output made by a module: the option that asks for it, the module's file and entry
// function, and the first line printed when it fails.
struct OutputModule {
    const char *option;
    const char *fileName;
    const char *entryName;
    const char *failureMessage;
};

// Where modules are looked for, in this order: the folder of the running tunelet-export
// (the build tree puts them there), then the installed module folder relative to it
// (bin/../lib/tunelet after cmake --install, whatever the prefix).
std::vector<std::filesystem::path> moduleFolders();

struct ModuleEntry {
    TuneletExportFunction function = nullptr;
    std::string error; // why it could not be opened, in the user's words
};

// Opens the first file named module.fileName in moduleFolders() and finds its entry. A
// module that is found but cannot be loaded is reported, not passed over. The module
// stays loaded until the program ends.
ModuleEntry openModule(const OutputModule &module);

// Runs the module's entry on the script's lines. Returns whether outputPath was written;
// otherwise message holds what the user is told. timeSignature is for drawings.
bool runModule(TuneletExportFunction function, const std::vector<std::string> &lines,
               midi::ExportOptions options, const std::string &inputPath,
               const std::string &outputPath, std::string &message,
               const std::string &timeSignature = "4/4");

} // namespace tunelet::cli
