// Start-up: fontconfig's set-up, begun on a second core before Qt is loaded.
#include "ui/launch/font_warm_up.h"

#include <fontconfig/fontconfig.h>
#include <sched.h>

namespace tunelet::ui {

namespace {

void *loadFontConfig(void *ranOn) {
    *static_cast<int *>(ranOn) = sched_getcpu();
    FcInit();
    return nullptr;
}

} // namespace

FontConfigWarmUp::FontConfigWarmUp() {
    // A new thread starts on its parent's core, and the scheduler moves it to an idle one
    // only some milliseconds later: meanwhile the two take turns on one core while the
    // other idles, and the start gains nothing. So the thread may run on any core but this
    // one.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    cpu_set_t cores;
    CPU_ZERO(&cores);
    m_begunOn = sched_getcpu();
    bool placed = false;
    if (m_begunOn >= 0 && sched_getaffinity(0, sizeof cores, &cores) == 0 &&
        CPU_COUNT(&cores) > 1 && CPU_ISSET(m_begunOn, &cores)) {
        CPU_CLR(m_begunOn, &cores);
        placed = pthread_attr_setaffinity_np(&attributes, sizeof cores, &cores) == 0;
    }
    m_running = pthread_create(&m_thread, &attributes, loadFontConfig, &m_ranOn) == 0;
    pthread_attr_destroy(&attributes);
    if (!m_running && placed) { // a set of cores the system would not take
        m_running = pthread_create(&m_thread, nullptr, loadFontConfig, &m_ranOn) == 0;
    }
    // Not started at all: Qt does the set-up itself at the first text.
}

FontConfigWarmUp::~FontConfigWarmUp() {
    wait();
}

void FontConfigWarmUp::wait() {
    if (m_running) {
        pthread_join(m_thread, nullptr);
        m_running = false;
    }
}

} // namespace tunelet::ui
