// Start-up: fontconfig's set-up, begun on a second core before Qt is loaded.
#pragma once

#include <pthread.h>

namespace tunelet::ui {

// Loads fontconfig's configuration and its list of installed fonts on a thread of its own.
// Qt does this at the window's first text, on the main thread, and it is the largest
// single cost of the start (about 10 ms); begun before the window program is loaded, it
// runs while the dynamic loader maps and relocates Qt's libraries. Touches no Qt state.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

    // Returns once the set-up is done. Call it before the first window: fontconfig, asked
    // meanwhile, would load a second copy of its configuration beside this one.
    void wait();

    // After wait(): whether the set-up ran on another core than the one it was begun on
    // (a machine with a single core has no other).
    bool ranBeside() const { return m_ranOn >= 0 && m_ranOn != m_begunOn; }

private:
    pthread_t m_thread{};
    bool m_running = false;
    int m_begunOn = -1;
    int m_ranOn = -1; // written by the thread before it ends
};

} // namespace tunelet::ui
