// The window program's start, as the window module and the start-up benchmark both make it.
#include "ui/main_window/program_start.h"

#include "playback/fluidsynth_sequencer.h"
#include "ui/common/prompt.h"

namespace tunelet::ui {

ProgramStart::ProgramStart(int &argc, char **argv, const TuneletWindowStart &start)
    : m_app(argc, argv) {
    loadChineseQtTexts(m_app);
    start.waitForFonts(start.context);
    m_window = std::make_unique<MainWindow>(std::make_unique<MessageBoxPrompt>(m_app.title()),
                                            playback::createSystemSequencer());
}

} // namespace tunelet::ui
