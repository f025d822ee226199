// Start-up: fontconfig's set-up, begun on a second core before the application object.
#include "ui/common/font_warm_up.h"

#include <fontconfig/fontconfig.h>

namespace tunelet::ui {

FontConfigWarmUp::FontConfigWarmUp() : m_thread([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() {
    wait();
}

void FontConfigWarmUp::wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

} // namespace tunelet::ui
