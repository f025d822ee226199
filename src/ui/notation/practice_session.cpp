// Practice: the practice device, fed with the score compiled in memory.
#include "ui/notation/practice_session.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "export/score_to_midi.h"
#include "ui/notation/practice_texts.h"

namespace tunelet::ui {

PracticeSession::PracticeSession(std::unique_ptr<playback::Sequencer> device, QObject *parent)
    : QObject(parent), m_device(std::move(device)) {
    m_clicks.beatTicks = kBeatTicks;
    m_follow.setInterval(kFollowMs);
    m_follow.setTimerType(Qt::PreciseTimer);
    connect(&m_follow, &QTimer::timeout, this, &PracticeSession::poll);
    connect(m_device.get(), &playback::Sequencer::completed, this, [this] {
        if (!playing()) {
            poll();
        }
    });
}

PracticeSession::~PracticeSession() = default;

QString PracticeSession::playFrom(const Score &score, std::int64_t tick) {
    return play(score, tick, 0, 0);
}

QString PracticeSession::playLoop(const Score &score, std::int64_t from, std::int64_t to) {
    return play(score, from, from, to);
}

// The device keeps a loop from one play to the next: a straight play clears it, so F5
// after a loop (here or in the main window) plays on to the end.
QString PracticeSession::play(const Score &score, std::int64_t tick, std::int64_t loopFrom,
                              std::int64_t loopTo) {
    QString failure = openScore(score);
    if (failure.isEmpty() && (loopFrom < loopTo || m_looping)) {
        m_device->setLoop(loopFrom, loopTo);
        m_looping = loopFrom < loopTo;
    }
    if (failure.isEmpty()) {
        if (const playback::ErrorCode code = m_device->playFrom(tick)) {
            failure = m_device->errorText(code);
        } else {
            m_follow.start();
        }
    }
    poll();
    emit stateChanged();
    return failure;
}

// The file is written once per change of the score: the device reads it at Open, and a
// play from another note of the same score starts without reading it again.
QString PracticeSession::openScore(const Score &score) {
    const midi::ExportResult compiled =
        midi::compileScore(score.lines, {score.division, score.staccato});
    if (compiled.failure == midi::ExportFailure::TooManyTracks) {
        return texts::kPracticeTrackError + QLatin1Char('\n') +
               texts::kPracticeTooManyTracks.arg(score.lines.size());
    }
    if (!compiled.ok() || score.division == 0) {
        return texts::kPracticeTrackError;
    }
    if (compiled.bytes == m_openBytes && m_device->isOpen()) {
        return {};
    }
    // The device reads the file whole at Open, so the file and its folder last only for
    // that call: a kill while practising leaves nothing in the temporary folder.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        return dir.errorString();
    }
    const QString path = dir.filePath(QStringLiteral("practice.mid"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(compiled.bytes.data(), qint64(compiled.bytes.size())) !=
            qint64(compiled.bytes.size())) {
        return file.errorString();
    }
    file.close();
    m_openBytes.clear();
    if (const playback::ErrorCode code = m_device->open(path)) {
        return m_device->errorText(code);
    }
    m_openBytes = compiled.bytes;
    return {};
}

void PracticeSession::stop() {
    if (m_device->isOpen()) {
        m_device->stop();
    }
    poll();
}

void PracticeSession::endLoop() {
    if (m_looping) {
        m_device->setLoop(0, 0);
        m_looping = false;
        emit stateChanged();
    }
}

void PracticeSession::setSpeedPercent(int percent) {
    m_device->setSpeed(percent / 100.0);
}

void PracticeSession::setCountIn(bool on) {
    m_clicks.countIn = on;
    m_device->setClicks(m_clicks);
}

void PracticeSession::setMetronome(bool on) {
    m_clicks.metronome = on;
    m_device->setClicks(m_clicks);
}

void PracticeSession::setTimeSignature(int beats, int beatTicks, std::int64_t pickupTicks) {
    m_clicks.beatsPerBar = std::max(1, beats);
    m_clicks.beatTicks = std::max(1, beatTicks);
    m_clicks.barLine = pickupTicks;
    m_device->setClicks(m_clicks);
}

// With a pickup its short bar is bar 0 (as the notation numbers it) and the first full
// bar bar 1; without one, bar 1 starts at tick 0.
std::int64_t PracticeSession::barNumberAt(std::int64_t tick) const {
    const std::int64_t bar = std::max<std::int64_t>(1, barTicks());
    const std::int64_t from = tick - m_clicks.barLine;
    return (from >= 0 ? from / bar : -((-from + bar - 1) / bar)) + 1;
}

bool PracticeSession::playing() const {
    return m_device->isOpen() && m_device->mode() == playback::DeviceMode::Playing;
}

void PracticeSession::poll() {
    emit positionChanged(m_device->position());
    if (!playing() && m_follow.isActive()) {
        m_follow.stop();
        emit stopped();
        emit stateChanged();
    }
}

} // namespace tunelet::ui
