// Main window (Tmain): the Media menu, each item one command of the transport bar.
#include "playback/media_player.h"
#include "ui/main_f.h"
#include "ui/texts.h"

namespace tunelet::ui {

void Tmain::openMedia() {
    op1.filter = texts::kMidiFilter;
    op1.extension.clear();
    const std::optional<QString> path = m_prompt->openFile(op1);
    if (path) {
        mp1->setFileName(*path);
        mp1->open();
    }
}

void Tmain::P2Click() {
    mp1->play();
}

void Tmain::O2Click() {
    mp1->stop();
}

void Tmain::U1Click() {
    mp1->pause();
}

void Tmain::C1Click() {
    mp1->close();
}

} // namespace tunelet::ui
