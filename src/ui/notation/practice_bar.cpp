// Practice bar: its buttons, their shortcuts, and the bar being played.
#include "ui/notation/practice_bar.h"

#include <QAction>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include "playback/sequencer.h"
#include "ui/notation/practice_session.h"
#include "ui/notation/practice_texts.h"

namespace tunelet::ui {

PracticeBar::PracticeBar(PracticeSession &session, QWidget *parent)
    : QToolBar(texts::kPracticeBarTitle, parent), m_session(session) {
    setObjectName(QStringLiteral("practiceBar"));
    setToolButtonStyle(Qt::ToolButtonTextOnly);

    QAction *play = addCommand("playFromHere", texts::kPlayFromHere, texts::kPlayFromHereTip,
                               QKeySequence(Qt::Key_F5));
    connect(play, &QAction::triggered, this, &PracticeBar::playFromHereRequested);
    m_loop = addCommand("loop", texts::kLoop, texts::kLoopTip, QKeySequence(Qt::Key_F6));
    m_loop->setCheckable(true);
    connect(m_loop, &QAction::toggled, this, &PracticeBar::loopToggled);
    addSeparator();

    addSpeed();

    addSeparator();
    QAction *countIn =
        addCommand("countIn", texts::kCountIn, texts::kCountInTip, QKeySequence(Qt::Key_F7));
    countIn->setCheckable(true);
    connect(countIn, &QAction::toggled, this, [this](bool on) { m_session.setCountIn(on); });
    QAction *metronome =
        addCommand("metronome", texts::kMetronome, texts::kMetronomeTip, QKeySequence(Qt::Key_F8));
    metronome->setCheckable(true);
    connect(metronome, &QAction::toggled, this, [this](bool on) { m_session.setMetronome(on); });
    m_stop = addCommand("stopPractice", texts::kPracticeStop, texts::kPracticeStopTip,
                        QKeySequence(Qt::SHIFT | Qt::Key_F5));
    connect(m_stop, &QAction::triggered, this, [this] { m_session.stop(); });

    addSeparator();
    m_currentBar = new QLabel(this);
    m_currentBar->setObjectName(QStringLiteral("currentBar"));
    m_currentBar->setMinimumWidth(fontMetrics().horizontalAdvance(texts::kCurrentBar.arg(999)));
    addWidget(m_currentBar);
    connect(&m_session, &PracticeSession::positionChanged, this, [this](std::int64_t tick) {
        if (m_session.playing()) {
            showPosition(tick);
        }
    });
    connect(&m_session, &PracticeSession::stateChanged, this, &PracticeBar::showState);
    showState();
}

// The buttons follow the session, not the keys that were pressed: a play ends by 停止, at
// the music's end, or from elsewhere (F5 in the main window, the transport bar), and the
// owner's answer to 循环 may be that nothing plays.
void PracticeBar::showState() {
    const QSignalBlocker quiet(m_loop); // showing the state is no request to change it
    m_loop->setChecked(m_session.looping());
    m_stop->setEnabled(m_session.playing());
    if (!m_session.playing()) {
        showPosition(m_chosenTick);
    }
}

void PracticeBar::setChosenTick(std::int64_t tick) {
    m_chosenTick = tick;
    if (!m_session.playing()) {
        showPosition(tick);
    }
}

// The speed in percent, with keys for a step slower or faster.
void PracticeBar::addSpeed() {
    auto *speedLabel = new QLabel(texts::kSpeed, this);
    speedLabel->setToolTip(texts::kSpeedTip);
    addWidget(speedLabel);
    m_speed = new QSpinBox(this);
    m_speed->setObjectName(QStringLiteral("speed"));
    m_speed->setRange(int(playback::Sequencer::kMinSpeed * 100),
                      int(playback::Sequencer::kMaxSpeed * 100));
    m_speed->setSingleStep(5);
    m_speed->setSuffix(QStringLiteral("%"));
    m_speed->setValue(100);
    m_speed->setToolTip(texts::kSpeedTip);
    addWidget(m_speed);
    connect(m_speed, &QSpinBox::valueChanged, this,
            [this](int percent) { m_session.setSpeedPercent(percent); });
    // Keys without buttons of their own: the spin box shows the speed.
    auto *slower = new QAction(texts::kSlower, m_speed);
    configure(slower, "slower", texts::kSpeedTip, QKeySequence(Qt::CTRL | Qt::Key_Down));
    m_speed->addAction(slower);
    connect(slower, &QAction::triggered, this,
            [this] { m_speed->setValue(m_speed->value() - kSpeedStep); });
    auto *faster = new QAction(texts::kFaster, m_speed);
    configure(faster, "faster", texts::kSpeedTip, QKeySequence(Qt::CTRL | Qt::Key_Up));
    m_speed->addAction(faster);
    connect(faster, &QAction::triggered, this,
            [this] { m_speed->setValue(m_speed->value() + kSpeedStep); });
}

QAction *PracticeBar::addCommand(const char *name, const QString &text, const QString &tip,
                                 const QKeySequence &key) {
    QAction *action = addAction(text);
    configure(action, name, tip, key);
    return action;
}

void PracticeBar::configure(QAction *action, const char *name, const QString &tip,
                            const QKeySequence &key) {
    action->setObjectName(QLatin1String(name));
    action->setToolTip(tip);
    action->setShortcut(key);
    // The bar's keys work wherever the focus is in its window.
    action->setShortcutContext(Qt::WindowShortcut);
}

// Bars numbered as the notation numbers them, at the song's metre and pickup.
void PracticeBar::showPosition(std::int64_t tick) {
    m_currentBar->setText(texts::kCurrentBar.arg(m_session.barNumberAt(tick)));
}

} // namespace tunelet::ui
