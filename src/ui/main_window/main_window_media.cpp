// Main window (Tmain): the Media menu, each item one command of the transport bar.
#include "playback/media_player.h"
#include "ui/common/texts.h"
#include "ui/main_window/main_window.h"

namespace tunelet::ui {

void MainWindow::openMedia() {
    op1.filter = texts::kMidiFilter;
    op1.extension.clear();
    const std::optional<QString> path = m_prompt->openFile(op1);
    if (path) {
        mp1->setFileName(*path);
        mp1->open();
    }
}

void MainWindow::P2Click() {
    mp1->play();
}

void MainWindow::O2Click() {
    mp1->stop();
}

void MainWindow::U1Click() {
    mp1->pause();
}

void MainWindow::C1Click() {
    mp1->close();
}

} // namespace tunelet::ui
