// Playback: FluidSynthSequencer's commands. One open file at a time; its position is
// kept here in ticks and handed to FluidSynth's player whenever a play starts.
#include "playback/fluidsynth_sequencer.h"

#include <QFile>
#include <QMetaObject>
#include <algorithm>

#include "playback/fluidsynth_engine.h"
#include "playback/smf_reader.h"

namespace tunelet::playback {

FluidSynthSequencer::FluidSynthSequencer(FluidSynthOptions options, QObject *parent)
    : Sequencer(parent), m_options(std::move(options)), m_engine(std::make_unique<Engine>()) {
    FluidLogCapture::install();
}

FluidSynthSequencer::~FluidSynthSequencer() {
    close();
}

ErrorCode FluidSynthSequencer::open(const QString &path) {
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(kErrFileUnreadable, path);
    }
    const QByteArray bytes = file.readAll();
    // FluidSynth's player takes any bytes without complaint, so the file is checked here.
    const SmfInfo info = readSmf(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!info.ok()) {
        return fail(kErrNotMidi, path);
    }
    if (const ErrorCode code = ensureSynth()) {
        return code;
    }
    {
        FluidLogCapture capture(m_detail);
        m_engine->player.reset(new_fluid_player(m_engine->synth.get()));
        if (!m_engine->player || fluid_player_add_mem(m_engine->player.get(), bytes.constData(),
                                                      std::size_t(bytes.size())) != FLUID_OK) {
            m_engine->player.reset();
            return fail(kErrSynth, {});
        }
    }
    if (const ErrorCode code = startOutput()) {
        m_engine->player.reset();
        return code;
    }
    std::lock_guard lock(m_mutex);
    m_state = State::Stopped;
    m_position = 0;
    m_length = info.lengthTicks;
    m_noticePending = false;
    ++m_session;
    return 0;
}

ErrorCode FluidSynthSequencer::close() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state == State::Closed) {
            return 0;
        }
        // A play still running ends here without a notice: its file is gone.
        m_state = State::Closed;
        m_noticePending = false;
        ++m_session;
    }
    // Outside the lock: the audio thread may be waiting for it while the driver joins it.
    m_engine->driver.reset();
    m_engine->player.reset();
    fluid_synth_system_reset(m_engine->synth.get());
    return 0;
}

ErrorCode FluidSynthSequencer::play() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    // A play still waiting for its notice is replaced by this one.
    if (m_noticePending) {
        postNotice(NotifyResult::Superseded, m_session);
    }
    m_noticePending = true;
    if (m_state == State::Playing) {
        return 0; // plays on from where it is
    }
    if (m_position >= m_length) {
        // Nothing left to play: the play ends at once, at the end.
        m_position = m_length;
        m_state = State::Stopped;
        m_noticePending = false;
        postNotice(NotifyResult::Successful, m_session);
        return 0;
    }
    fluid_player_seek(m_engine->player.get(), int(m_position));
    fluid_player_play(m_engine->player.get());
    ++m_playGeneration;
    m_state = State::Playing;
    return 0;
}

ErrorCode FluidSynthSequencer::pause() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    if (m_state == State::Playing) {
        // The play's notice stays pending: a pause does not end the play.
        fluid_player_stop(m_engine->player.get());
        fluid_synth_all_notes_off(m_engine->synth.get(), -1);
        m_state = State::Paused;
    }
    return 0;
}

ErrorCode FluidSynthSequencer::resume() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state == State::Closed) {
            return kErrNotOpen;
        }
        if (m_state == State::Stopped) {
            return kErrNotPaused;
        }
    }
    return play();
}

ErrorCode FluidSynthSequencer::stop() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(m_position);
    return 0;
}

ErrorCode FluidSynthSequencer::seekToStart() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(0);
    return 0;
}

ErrorCode FluidSynthSequencer::seekToEnd() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(m_length);
    return 0;
}

// Ends a play or a pause at `position`; a notice still pending reports the play aborted.
void FluidSynthSequencer::haltLocked(std::int64_t position) {
    if (m_state == State::Playing) {
        fluid_player_stop(m_engine->player.get());
        fluid_synth_all_notes_off(m_engine->synth.get(), -1);
    }
    if (m_state == State::Playing || m_state == State::Paused) {
        m_state = State::Stopped;
        if (m_noticePending) {
            m_noticePending = false;
            postNotice(NotifyResult::Aborted, m_session);
        }
    }
    m_position = position;
}

// After each rendered block, on whichever thread rendered it. A block that began before
// the current play started may still show the player's old tick, so it is not trusted.
void FluidSynthSequencer::afterRender(unsigned generation) {
    std::lock_guard lock(m_mutex);
    if (m_state != State::Playing || generation != m_playGeneration) {
        return;
    }
    const std::int64_t tick = fluid_player_get_current_tick(m_engine->player.get());
    m_position = std::min(tick, m_length);
    if (tick >= m_length) {
        // FluidSynth itself reports the end only seconds later, so the end is taken here.
        fluid_player_stop(m_engine->player.get());
        fluid_synth_all_notes_off(m_engine->synth.get(), -1);
        m_state = State::Stopped;
        m_noticePending = false;
        postNotice(NotifyResult::Successful, m_session);
    }
}

// Posted, so that it reaches the bar on the UI thread; dropped when the file it belongs
// to was closed in the meantime.
void FluidSynthSequencer::postNotice(NotifyResult result, unsigned session) {
    QMetaObject::invokeMethod(
        this,
        [this, result, session] {
            {
                std::lock_guard lock(m_mutex);
                if (session != m_session) {
                    return;
                }
            }
            emit completed(result);
        },
        Qt::QueuedConnection);
}

bool FluidSynthSequencer::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_state != State::Closed;
}

DeviceMode FluidSynthSequencer::mode() const {
    std::lock_guard lock(m_mutex);
    switch (m_state) {
    case State::Closed:
        return DeviceMode::NotReady;
    case State::Stopped:
        return DeviceMode::Stopped;
    case State::Playing:
        return DeviceMode::Playing;
    case State::Paused:
        return DeviceMode::Paused;
    }
    return DeviceMode::NotReady;
}

std::int64_t FluidSynthSequencer::position() const {
    std::lock_guard lock(m_mutex);
    return m_position;
}

std::int64_t FluidSynthSequencer::length() const {
    std::lock_guard lock(m_mutex);
    return m_length;
}

Capabilities FluidSynthSequencer::capabilities() const {
    Capabilities caps;
    caps.canPlay = isOpen();
    return caps;
}

} // namespace tunelet::playback
