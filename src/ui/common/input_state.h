// Composition: the current octave and beat, shared by the line editor's keys, the palette
// and the Scale and Beat menus.
#pragma once

namespace tunelet::ui {

// One value for the whole program, owned by the main window. The menus read it when
// they open, so nothing needs to be told when it changes.
struct InputState {
    char octave = 'f'; // a..k; "f" holds middle C
    char beat = 'd';   // a..h; "d" is one beat
};

} // namespace tunelet::ui
