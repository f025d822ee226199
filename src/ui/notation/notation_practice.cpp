// The numbered-notation window (简谱): practice. A click chooses the note to play from,
// Shift+click the passage to loop; while the practice plays, the sounding notes are
// marked and kept in sight, and the bar shows the current bar.
#include <QCloseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "score/score_document.h"
#include "ui/notation/notation_view.h"
#include "ui/notation/notation_window.h"
#include "ui/notation/practice_bar.h"
#include "ui/notation/practice_session.h"

namespace tunelet::ui {

void NotationWindow::buildPractice(QVBoxLayout *column, QScrollArea *scroll) {
    if (m_source.practice == nullptr) {
        return;
    }
    PracticeSession &session = *m_source.practice;
    m_practiceBar = new PracticeBar(session, this);
    column->addWidget(m_practiceBar);
    m_view->setPressHandler([this](std::size_t part, std::size_t event, bool extend) {
        chooseNote(part, event, extend);
    });
    connect(m_practiceBar, &PracticeBar::playFromHereRequested, this,
            [this] { playPractice(m_loopFrom); });
    connect(m_practiceBar, &PracticeBar::loopToggled, this, [this](bool on) { loopPractice(on); });
    connect(&session, &PracticeSession::positionChanged, this, [this, scroll](std::int64_t tick) {
        if (!m_source.practice->playing()) {
            m_view->setMarkedTick(std::nullopt); // the mark is the play's, and none runs
            return;
        }
        const QRect at = m_view->setMarkedTick(int(tick));
        if (!at.isNull()) {
            scroll->ensureVisible(at.center().x(), at.center().y(), 0, at.height());
        }
    });
    connect(&session, &PracticeSession::stopped, this,
            [this] { m_view->setMarkedTick(std::nullopt); });
    const auto followTime = [this] {
        const notation::TimeSignature time = timeSignature();
        m_source.practice->setTimeSignature(time.beats, time.barTicks() / time.beats, time.pickup);
        m_practiceBar->setChosenTick(m_loopFrom); // bars counted anew
    };
    connect(this, &NotationWindow::metreChanged, this, followTime);
    followTime();
}

// A click chooses a note; Shift+click or a drag stretches the choice from it to another,
// either way. Play from here starts at the choice's first note, the loop repeats it; both
// stay drawn until the next choice.
void NotationWindow::chooseNote(std::size_t part, std::size_t event, bool extend) {
    const notation::TimedEvent &note = m_view->score().tracks.at(part).events.at(event);
    if (!extend) {
        m_anchor = {part, event, note.onset, note.onset + note.length};
    }
    NotationView::Choice choice = m_anchor;
    if (note.onset < choice.from) {
        choice.part = part;
        choice.event = event;
    }
    choice.from = std::min(m_anchor.from, note.onset);
    choice.to = std::max(m_anchor.to, note.onset + note.length);
    m_loopFrom = choice.from;
    m_loopTo = choice.to;
    m_view->setChoice(choice);
    m_practiceBar->setChosenTick(m_loopFrom);
}

// The score as the view shows it: the line being composed in its track's place.
PracticeSession::Score NotationWindow::practiceScore() const {
    PracticeSession::Score score;
    score.lines = m_source.document->lines();
    editedPart(score.lines);
    score.division = static_cast<std::uint16_t>(m_source.timeIncrement());
    score.staccato = !m_source.staccato || m_source.staccato();
    return score;
}

void NotationWindow::playPractice(int from) {
    tell(m_source.practice->playFrom(practiceScore(), from));
}

void NotationWindow::loopPractice(bool on) {
    if (on) {
        tell(m_source.practice->playLoop(practiceScore(), m_loopFrom, m_loopTo));
    } else {
        m_source.practice->endLoop();
    }
}

// The bar that shows the play and stops it goes with the window, and so does the play.
void NotationWindow::closeEvent(QCloseEvent *event) {
    if (m_source.practice != nullptr && m_source.practice->playing()) {
        m_source.practice->stop();
    }
    QWidget::closeEvent(event);
}

void NotationWindow::tell(const QString &failure) {
    if (!failure.isEmpty()) {
        m_source.prompt->notice(failure);
    }
}

} // namespace tunelet::ui
