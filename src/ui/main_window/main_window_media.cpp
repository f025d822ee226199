// Main window (Tmain): the Media menu, each item one command of the transport bar.
#include "playback/media_player.h"
#include "ui/common/file_names.h"
#include "ui/common/texts.h"
#include "ui/main_window/main_window.h"

namespace tunelet::ui {

// The open dialog is shared with Open, but a script's name is never offered for a MIDI
// file: the file the bar played or the export wrote last, else the score's name with
// ".MID", else nothing.
QString MainWindow::offeredMediaName() const {
    const QString script = displayName(m_document.fileName());
    for (const QString &name :
         {mp1->fileName(), m_lastExport,
          script.isEmpty() ? script : offeredName(script, texts::kMidiExtension)}) {
        if (!name.isEmpty() && withExtension(name, texts::kMidiExtension) == name) {
            return name;
        }
    }
    return {};
}

void MainWindow::openMedia() {
    op1.filter = texts::kMidiFilter;
    op1.extension.clear();
    op1.lastFileName = offeredMediaName();
    const std::optional<QString> path = m_prompt->openFile(op1);
    if (path) {
        mp1->setFileName(*path);
        mp1->open();
    }
}

void MainWindow::P2Click() {
    stopPracticeForTransport();
    mp1->play();
}

void MainWindow::O2Click() {
    mp1->stop();
}

void MainWindow::U1Click() {
    stopPracticeForTransport();
    mp1->pause();
}

void MainWindow::C1Click() {
    mp1->close();
}

} // namespace tunelet::ui
