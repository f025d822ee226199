// Start-up: fontconfig's set-up, begun on a second core before the application object.
#pragma once

#include <thread>

namespace tunelet::ui {

// Loads fontconfig's configuration and its list of installed fonts on a thread of its own.
// Qt does this at the window's first text, on the main thread, and it is the largest
// single cost of the start (about 10 ms); begun before the application object, it runs
// while Qt connects to the display and reads the program's icons. Touches no Qt state.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

    // Returns once the set-up is done. Call it before the first window: fontconfig, asked
    // meanwhile, would load a second copy of its configuration beside this one.
    void wait();

private:
    std::thread m_thread;
};

} // namespace tunelet::ui
