// Main window (Tmain): the numbered-notation window, opened from the Tools menu.
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"
#include "ui/notation/notation_window.h"

namespace tunelet::ui {

// One window, made at the first showing and kept: it follows the score while it is open
// and shows it again as it is now when it is opened once more.
void MainWindow::V1Click() {
    if (m_notation == nullptr) {
        NotationSource source;
        source.document = &m_document;
        source.model = m_model.get();
        source.trackList = lp;
        source.editor = ij;
        source.prompt = m_prompt.get();
        source.timeIncrement = [this] { return static_cast<int>(m_timeIncrement); };
        source.practice = m_practice;
        source.staccato = [this] { return staccato(); };
        m_notation = new NotationWindow(this, std::move(source));
        connect(this, &MainWindow::scoreHeaderChanged, m_notation, &NotationWindow::refresh);
    }
    m_notation->show();
    m_notation->raise();
    m_notation->activateWindow();
}

} // namespace tunelet::ui
