// The numbered-notation window (简谱): practice. A click chooses the note to play from,
// Shift+click the passage to loop; while the practice plays, the sounding notes are
// marked and kept in sight, and the bar shows the current bar.
#include <QComboBox>
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
        const QRect at = m_view->setMarkedTick(int(tick));
        if (!at.isNull()) {
            scroll->ensureVisible(at.center().x(), at.center().y(), 0, at.height());
        }
    });
    connect(&session, &PracticeSession::stopped, this,
            [this] { m_view->setMarkedTick(std::nullopt); });
    const auto followTime = [this] {
        const notation::TimeSignature time = timeSignature();
        m_source.practice->setTimeSignature(time.beats, time.barTicks() / time.beats);
    };
    connect(m_time, &QComboBox::currentIndexChanged, this, followTime);
    followTime();
}

// A click chooses a note; Shift+click or a drag stretches the choice from it to another,
// either way. Play from here starts at the choice, the loop repeats it.
void NotationWindow::chooseNote(std::size_t part, std::size_t event, bool extend) {
    const notation::TimedEvent &note = m_view->score().tracks.at(part).events.at(event);
    if (!extend) {
        m_anchorFrom = note.onset;
        m_anchorTo = note.onset + note.length;
    }
    m_loopFrom = std::min(m_anchorFrom, note.onset);
    m_loopTo = std::max(m_anchorTo, note.onset + note.length);
}

// The score as the view shows it: the line being composed in its track's place.
void NotationWindow::playPractice(int from) {
    PracticeSession::Score score;
    score.lines = m_source.document->lines();
    editedPart(score.lines);
    score.division = static_cast<std::uint16_t>(m_source.timeIncrement());
    score.staccato = !m_source.staccato || m_source.staccato();
    const QString failure = m_source.practice->playFrom(score, from);
    if (!failure.isEmpty()) {
        m_source.prompt->notice(failure);
    }
}

void NotationWindow::loopPractice(bool on) {
    if (!on) {
        m_source.practice->setLoop(0, 0);
        return;
    }
    m_source.practice->setLoop(m_loopFrom, m_loopTo);
    playPractice(m_loopFrom);
}

} // namespace tunelet::ui
