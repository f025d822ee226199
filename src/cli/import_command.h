// tunelet-export --import: a MIDI file made into a script file, without a display.
#pragma once

namespace tunelet::cli {

// The arguments after "--import": INPUT.MID OUTPUT.TNL. Prints the import's report or
// its failure on stderr; answers the exit status (0, 1 failed, 2 usage).
int runImport(int argc, char **argv);

} // namespace tunelet::cli
