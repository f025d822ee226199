// The program's start, as main() and the start-up benchmark both make it.
#include "ui/main_window/program_start.h"

#include "playback/fluidsynth_sequencer.h"
#include "ui/common/prompt.h"

namespace tunelet::ui {

ProgramStart::ProgramStart(int &argc, char **argv) : m_app(argc, argv) {
    loadChineseQtTexts(m_app);
    m_fonts.wait();
    m_window = std::make_unique<MainWindow>(std::make_unique<MessageBoxPrompt>(m_app.title()),
                                            playback::createSystemSequencer());
}

} // namespace tunelet::ui
