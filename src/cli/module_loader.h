// tunelet-export: the output modules (WAV, and any other output that needs more than the
// C++ runtime), found and opened only when their output is asked for, so a MIDI export
// loads nothing it does not use.
#pragma once

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

struct ModuleEntry {
    TuneletExportFunction function = nullptr;
    std::string error; // why it could not be opened, in the user's words
};

// Opens the module beside the command or in the installed module folder and finds its
// entry (modules/module_folders.h).
ModuleEntry openModule(const OutputModule &module);

// Runs the module's entry on the script's lines. Returns whether outputPath was written;
// otherwise message holds what the user is told. timeSignature and the song's block (as
// the score file keeps it) are for drawings.
bool runModule(TuneletExportFunction function, const std::vector<std::string> &lines,
               midi::ExportOptions options, const std::string &inputPath,
               const std::string &outputPath, std::string &message,
               const std::string &timeSignature = "4/4", const std::string &songBlock = {});

} // namespace tunelet::cli
