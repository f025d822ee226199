// Main window (Tmain): practice from the line editor ij. F5 plays the whole score from the
// note under the caret, with ij's line in place of the track it was loaded from (or
// after the last track); Shift+F5 stops. The transport bar mp1 is not involved.
#include <QAction>

#include "export/score_to_midi.h"
#include "export/token_timing.h"
#include "notation/timed_events.h"
#include "playback/fluidsynth_sequencer.h"
#include "playback/media_player.h"
#include "ui/common/line_editor.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/track_list_model.h"
#include "ui/notation/practice_session.h"
#include "ui/notation/practice_texts.h"

namespace tunelet::ui {

void MainWindow::buildPracticeKeys() {
    // A device of its own, with the program's audio period: a shorter one drops out on a
    // busy machine, and a speed change still takes effect at the next period.
    setPracticeDevice(playback::createSystemSequencer());
    auto *play = new QAction(texts::kPlayFromHere, this);
    play->setObjectName(QStringLiteral("ijPlayFromHere"));
    play->setToolTip(texts::kPlayFromCaretTip);
    play->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(play);
    connectCommand(play, &MainWindow::playFromCaret);
    auto *stop = new QAction(texts::kPracticeStop, this);
    stop->setObjectName(QStringLiteral("ijStopPractice"));
    stop->setToolTip(texts::kPracticeStopTip);
    stop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    addAction(stop);
    connect(stop, &QAction::triggered, this, [this] { m_practice->stop(); });
    // The other way round too: the transport bar's Play, or its Pause going on with a
    // paused file, ends the practice, as its own Stop would.
    connect(mp1, &playback::MediaPlayer::click, this, [this](playback::TMPBtnType button, bool &) {
        if (button == playback::btPlay || button == playback::btPause) {
            stopPracticeForTransport();
        }
    });
}

void MainWindow::stopPracticeForTransport() {
    if (mp1->isOpen()) {
        m_practice->stop();
    }
}

void MainWindow::setPracticeDevice(std::unique_ptr<playback::Sequencer> device) {
    delete m_practice;
    m_practice = new PracticeSession(std::move(device), this);
}

void MainWindow::playFromCaret() {
    const std::string line = encodeLine(ij->text());
    const std::vector<midi::TimedToken> tokens = midi::timeLine(line);
    const std::optional<std::size_t> index =
        midi::tokenAtCaret(tokens, encodeLine(ij->text().left(ij->cursorPosition())).size());
    if (!index) {
        return; // no note to start from
    }
    PracticeSession::Score score{m_document.lines(), m_timeIncrement, staccato()};
    const int row = selectedRow();
    if (row >= 0 || score.lines.size() < midi::kMaxTracks) {
        placeComposedLine(score.lines, line, row);
    }
    // Two pieces at once help no one: a file playing on the transport bar stops, as its
    // own Stop would stop it.
    if (mp1->isOpen()) {
        mp1->stop();
    }
    // The clicks and the bar counter follow the song's metre, with or without the 简谱.
    const notation::TimeSignature time = notation::timeSignatureOf(m_document.properties());
    m_practice->setTimeSignature(time.beats, time.barTicks() / time.beats, time.pickup);
    const QString failure = m_practice->playFrom(score, tokens[*index].onset);
    if (!failure.isEmpty()) {
        m_prompt->notice(failure);
    }
}

} // namespace tunelet::ui
