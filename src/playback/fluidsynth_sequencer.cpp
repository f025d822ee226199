// Playback: FluidSynthSequencer's commands. One open file at a time; its position is
// kept here in ticks and handed to a fresh FluidSynth player whenever a play starts.
#include "playback/fluidsynth_sequencer.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <array>
#include <fcntl.h>

#include "midi/smf_reader.h"
#include "playback/fluidsynth_engine.h"
#include "playback/practice_scheduler.h"
#include "score/file_access.h"

namespace tunelet::playback {

FluidSynthSequencer::FluidSynthSequencer(FluidSynthOptions options, QObject *parent)
    : Sequencer(parent), m_options(std::move(options)), m_engine(std::make_unique<Engine>()) {}

FluidSynthSequencer::~FluidSynthSequencer() {
    {
        std::lock_guard lock(m_mutex);
        m_composing = false; // so that close() leaves no output open
    }
    close();
    // The driver's thread renders with this object's members, so it ends first; it is
    // joined outside the lock its last block may be waiting for.
    FluidPtr<fluid_audio_driver_t> driver;
    {
        std::lock_guard synthLock(m_synthMutex);
        driver = std::move(m_engine->driver);
    }
    driver.reset();
    m_practice.reset(); // holds a sample timer of the synth, which goes after it
}

// Waits for the block being rendered. A command that ends the play has that block drop
// its remaining events first, so the wait stays short however crowded the music is.
std::unique_lock<std::mutex> FluidSynthSequencer::lockSynth(bool interruptPlay) {
    if (interruptPlay) {
        m_interrupt = true;
    }
    std::unique_lock synthLock(m_synthMutex);
    m_interrupt = false;
    return synthLock;
}

ErrorCode FluidSynthSequencer::open(const QString &path) {
    close();
    // Opened without waiting, and only a regular file: a pipe would block the window.
    const score::OpenedFile opened =
        score::openRegularFile(QFile::encodeName(path).toStdString(), O_RDONLY);
    if (opened.error == score::kNotRegularFile) {
        return fail(kErrNotRegularFile, path);
    }
    QFile file;
    if (opened.fd < 0 || !file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return fail(kErrFileUnreadable, path);
    }
    // Refused before it is read whole: also a device without a size, which never ends.
    if (file.size() > midi::kMaxMidiFileBytes) {
        return fail(kErrFileTooLarge, path);
    }
    QByteArray bytes; // in pieces, so a file without a size stops at the limit
    for (QByteArray piece; bytes.size() <= midi::kMaxMidiFileBytes; bytes += piece) {
        if ((piece = file.read(qint64{1} << 20)).isEmpty()) {
            break;
        }
    }
    if (bytes.size() > midi::kMaxMidiFileBytes) {
        return fail(kErrFileTooLarge, path);
    }
    // FluidSynth's player takes any bytes without complaint and then stays silent, so the
    // file is checked here, and FluidSynth is given the plain copy the reader writes.
    midi::SmfInfo info =
        midi::readSmf(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    switch (info.fault) {
    case midi::SmfFault::None:
        break;
    case midi::SmfFault::SmpteDivision:
        return fail(kErrSmpteDivision, path);
    case midi::SmfFault::TooManyTracks:
        return fail(kErrTooManyTracks, path);
    case midi::SmfFault::TooLong:
        return fail(kErrTooLong, path);
    case midi::SmfFault::ZeroTempo:
        return fail(kErrZeroTempo, path);
    default:
        return fail(kErrNotMidi, path);
    }
    if (const ErrorCode code = ensureSynth()) {
        return code;
    }
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    // Started here so that a missing sound output is reported at Open; it stops again as
    // soon as it has rendered a quiet block.
    if (const ErrorCode code = startOutputLocked(m_options.periodSize)) {
        return code;
    }
    m_path = QDir::toNativeSeparators(path);
    m_midi = std::move(info.playable);
    m_length = info.lengthTicks;
    if (const ErrorCode code = preparePlayerLocked()) {
        m_midi.clear();
        m_outputActive = false;
        return fail(code, path);
    }
    m_state = State::Stopped;
    m_position = 0;
    m_noticePending = false;
    ++m_session;
    return 0;
}

ErrorCode FluidSynthSequencer::close() {
    FluidPtr<fluid_audio_driver_t> driver;
    {
        const auto synthLock = lockSynth(true);
        std::lock_guard lock(m_mutex);
        if (m_state == State::Closed) {
            return 0;
        }
        // A play still running ends here without a notice: its file is gone.
        endPracticeLocked();
        m_state = State::Closed;
        m_noticePending = false;
        m_outputActive = false;
        m_playerReady = false;
        ++m_session;
        // Silenced, and a block rendered to carry that out, while the player still
        // exists: FluidSynth lets the notes of a player deleted first sound again at the
        // next block.
        if (m_engine->player) {
            fluid_player_stop(m_engine->player.get());
        }
        silenceLocked();
        std::array<float, 2 * kFluidBlock> scratch{};
        fluid_synth_write_float(m_engine->synth.get(), kFluidBlock, scratch.data(), 0, 2,
                                scratch.data(), 1, 2);
        m_engine->player.reset();
        m_midi.clear();
        if (!keptForComposingLocked()) {
            driver = std::move(m_engine->driver);
            m_outputPeriod = 0;
        }
    }
    // Joined outside the locks, which the audio thread may be waiting for.
    driver.reset();
    openComposingOutput();
    return 0;
}

ErrorCode FluidSynthSequencer::play() {
    {
        // Playing on needs nothing of FluidSynth, so it never waits for a block.
        std::lock_guard lock(m_mutex);
        if (m_state == State::Closed) {
            return kErrNotOpen;
        }
        if (m_state == State::Playing) {
            if (m_noticePending) {
                postNotice(NotifyResult::Superseded, m_session);
            }
            m_noticePending = true;
            return 0;
        }
    }
    giveWayToPeriods(m_options.periodSize);
    const auto synthLock = lockSynth(false);
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
        if (m_composing) {
            openOutputLocked(m_options.auditionPeriodSize); // as it was before giving way
        }
        return 0;
    }
    ErrorCode code = m_playerReady ? 0 : preparePlayerLocked();
    if (code == 0) {
        code = startOutputLocked(m_options.periodSize);
    }
    if (code != 0) {
        m_noticePending = false;
        return code;
    }
    fluid_player_seek(m_engine->player.get(), int(m_position));
    fluid_player_play(m_engine->player.get());
    m_playerReady = false;
    m_playStart = m_position;
    m_state = State::Playing;
    return 0;
}

// A player with the file read and stopped, so that Play starts at once. FluidSynth reads
// the file in its first block, on the thread that renders; for a large file that takes
// long enough to delay the first sound, so the reading is done here, with a block whose
// events go nowhere. FluidSynth's player does not start again once it has played its
// file to the end, so after an end a new one is made.
ErrorCode FluidSynthSequencer::preparePlayerLocked() {
    FluidLogCapture capture(m_detail);
    m_playerReady = false;
    m_engine->player.reset(new_fluid_player(m_engine->synth.get()));
    fluid_player_t *player = m_engine->player.get();
    if (player == nullptr ||
        fluid_player_add_mem(player, m_midi.data(), m_midi.size()) != FLUID_OK) {
        m_engine->player.reset();
        return kErrSynth;
    }
    if (m_length > 0) { // a file of no length ends at once, without its player
        fluid_player_set_playback_callback(
            player, [](void *, fluid_midi_event_t *) { return int(FLUID_OK); }, nullptr);
        fluid_player_play(player);
        std::array<float, 2 * kFluidBlock> scratch{};
        const auto renderBlock = [&] {
            fluid_synth_write_float(m_engine->synth.get(), kFluidBlock, scratch.data(), 0, 2,
                                    scratch.data(), 1, 2);
        };
        renderBlock(); // reads the file
        const bool read = fluid_player_get_status(player) == FLUID_PLAYER_PLAYING;
        // Walked to the end, so that the seek of the first Play starts its tracks afresh
        // and sends what lies at the start.
        fluid_player_seek(player, int(m_length));
        renderBlock();
        fluid_player_stop(player);
        fluid_player_set_playback_callback(player, forwardEvent, this);
        if (!read) {
            m_engine->player.reset();
            return kErrNotPlayable;
        }
    }
    m_playerReady = true;
    return 0;
}

ErrorCode FluidSynthSequencer::pause() {
    const auto synthLock = lockSynth(true);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    if (m_practicePlaying) {
        haltLocked(m_position); // a practice play is not resumed: it starts anew
        return 0;
    }
    if (m_state == State::Playing) {
        // The play's notice stays pending: a pause does not end the play.
        fluid_player_stop(m_engine->player.get());
        m_playerReady = true;
        silenceLocked();
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
    const auto synthLock = lockSynth(true);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(m_position);
    return 0;
}

ErrorCode FluidSynthSequencer::seekToStart() {
    const auto synthLock = lockSynth(true);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(0);
    return 0;
}

ErrorCode FluidSynthSequencer::seekToEnd() {
    const auto synthLock = lockSynth(true);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    haltLocked(m_length);
    return 0;
}

// Ends a play or a pause at `position`; a notice still pending reports the play aborted.
// Whatever still sounds (the ring of an ended play too) is silenced at once.
void FluidSynthSequencer::haltLocked(std::int64_t position) {
    endPracticeLocked();
    if (m_state == State::Playing) {
        fluid_player_stop(m_engine->player.get());
        m_playerReady = true;
    }
    silenceLocked();
    if (m_state == State::Playing || m_state == State::Paused) {
        m_state = State::Stopped;
        if (m_noticePending) {
            m_noticePending = false;
            postNotice(NotifyResult::Aborted, m_session);
        }
    }
    m_position = position;
}

// Voices and the reverb's and chorus's tails alike. Resetting the channels too costs
// nothing: every play starts a fresh player whose seek sends the file's program and
// controller changes up to where it starts.
void FluidSynthSequencer::silenceLocked() {
    fluid_synth_system_reset(m_engine->synth.get());
}

// On the channel a file uses least: a 16-track score is the only kind that reaches it.
constexpr int kAuditionChannel = 15;
// The output goes on this long after a note heard while composing, so that the next
// note does not wait for the sound server to start it again.
constexpr int kAuditionLingerSeconds = 3;

ErrorCode FluidSynthSequencer::auditionNote(int program, int key, int velocity, int milliseconds) {
    if (const ErrorCode code = ensureSynth()) {
        return code;
    }
    {
        std::lock_guard lock(m_mutex); // nothing sounds during a play, and nothing waits
        if (m_state == State::Playing) {
            return 0;
        }
    }
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Playing) {
        return 0;
    }
    fluid_synth_t *synth = m_engine->synth.get();
    if (m_auditionKey >= 0) {
        fluid_synth_noteoff(synth, kAuditionChannel, m_auditionKey);
    }
    fluid_synth_program_change(synth, kAuditionChannel, program);
    fluid_synth_noteon(synth, kAuditionChannel, key, velocity);
    m_auditionKey = key;
    m_auditionFramesLeft = std::max(1, milliseconds * m_options.sampleRate / 1000);
    // An output kept open for composing needs no rendering in between to stay open.
    m_outputLingerFrames = m_composing ? 0 : kAuditionLingerSeconds * m_options.sampleRate;
    if (const ErrorCode code = startOutputLocked(m_options.auditionPeriodSize)) {
        fluid_synth_noteoff(synth, kAuditionChannel, key);
        m_auditionKey = -1;
        return code;
    }
    return 0;
}

// After each rendered block, on whichever thread rendered it, with the block's peak;
// under both locks.
void FluidSynthSequencer::afterRenderLocked(int frames, float peak) {
    // The note heard while composing is released once its length has sounded, to the
    // nearest block; until then its slow start must not count as quiet.
    const bool auditionHeld = m_auditionKey >= 0 && (m_auditionFramesLeft -= frames) > 0;
    const bool lingering = (m_outputLingerFrames = std::max(0, m_outputLingerFrames - frames)) > 0;
    if (m_auditionKey >= 0 && !auditionHeld) {
        fluid_synth_noteoff(m_engine->synth.get(), kAuditionChannel, m_auditionKey);
        m_auditionKey = -1;
    }
    if (m_state == State::Playing && m_practicePlaying) {
        practiceRenderedLocked(frames);
        return;
    }
    if (m_state == State::Playing) {
        const std::int64_t tick = fluid_player_get_current_tick(m_engine->player.get());
        // Until the player has read its file it reports tick 0, not where this play began.
        m_position = std::clamp(tick, m_playStart, m_length);
        if (tick >= m_length) {
            // The end of the music. Its last notes ring out, released by the file itself
            // or here; FluidSynth's player finishes on its own without cutting them.
            releaseAllNotesLocked();
            m_state = State::Stopped;
            m_noticePending = false;
            postNotice(NotifyResult::Successful, m_session);
        } else if (fluid_player_get_status(m_engine->player.get()) == FLUID_PLAYER_DONE) {
            // The player gave up before the end: it could not read what it was given.
            m_state = State::Stopped;
            m_noticePending = false;
            postNotice(NotifyResult::Failure, m_session);
        }
        return;
    }
    // Released voices can linger far below hearing for many seconds; once a block is
    // quiet they are dropped and the output stops.
    if (peak < kQuietPeak && !auditionHeld && !lingering) {
        silenceLocked();
        m_outputActive = false;
        QMetaObject::invokeMethod(this, &FluidSynthSequencer::stopIdleOutput, Qt::QueuedConnection);
    }
}

// A file exported without staccato releases none of its notes, and a sustained
// instrument (an organ) would sound for ever after the end: every note is let go, the
// pedals too, and rings out as a released note does.
void FluidSynthSequencer::releaseAllNotesLocked() {
    constexpr int kSustainPedal = 64;
    constexpr int kSostenutoPedal = 66;
    fluid_synth_t *synth = m_engine->synth.get();
    for (int channel = 0; channel < fluid_synth_count_midi_channels(synth); ++channel) {
        fluid_synth_cc(synth, channel, kSustainPedal, 0);
        fluid_synth_cc(synth, channel, kSostenutoPedal, 0);
        fluid_synth_all_notes_off(synth, channel);
    }
}

// On the UI thread, once all is quiet: the driver's thread cannot end itself. An output
// kept open for composing stays; a play's output gives way to one for composing.
void FluidSynthSequencer::stopIdleOutput() {
    FluidPtr<fluid_audio_driver_t> idle;
    {
        const auto synthLock = lockSynth(false);
        std::lock_guard lock(m_mutex);
        if (m_outputActive) {
            return; // a play started again in the meantime
        }
        if (!keptForComposingLocked()) {
            idle = std::move(m_engine->driver);
            m_outputPeriod = 0;
        }
        // After an end, the next Play's player is read now, while nothing sounds.
        if (m_state == State::Stopped && !m_playerReady) {
            preparePlayerLocked();
        }
    }
    idle.reset();
    openComposingOutput();
}

bool FluidSynthSequencer::keptForComposingLocked() const {
    return m_composing && m_outputPeriod == m_options.auditionPeriodSize;
}

void FluidSynthSequencer::setComposing(bool composing) {
    {
        std::lock_guard lock(m_mutex);
        if (m_composing == composing) {
            return;
        }
        m_composing = composing;
        m_composeFailed = false; // tried again from now on
    }
    if (composing) {
        openComposingOutput();
    } else {
        stopIdleOutput(); // unless something sounds: then once it is quiet
    }
}

// A sound server may hear a new output only once the buffer it is playing has run out
// (a null sink recorded without a latency asks for 2 s), so the output that plays a
// composed note must already be open: opened here, it hands over silence, rendering
// nothing, until a note starts it. Needs no SoundFont. A failure is left to the next
// note, which reports it.
void FluidSynthSequencer::openComposingOutput() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_composing || m_outputPeriod != 0 || m_composeFailed) {
            return;
        }
    }
    ensureSettings();
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    if (m_composing && m_outputPeriod == 0) {
        // Without a sound output, not tried again at every play's end while composing.
        m_composeFailed = openOutputLocked(m_options.auditionPeriodSize) != 0;
    }
}

// A play renders with its own longer periods, which a busy machine keeps up with: an
// output open with shorter ones (kept for composing) is closed first, outside the locks
// its thread may be waiting for. The notes it plays go on in the next.
void FluidSynthSequencer::giveWayToPeriods(int periodSize) {
    const auto shorterOpen = [&] { return m_outputPeriod != 0 && m_outputPeriod < periodSize; };
    {
        std::lock_guard lock(m_mutex); // a play's own output never waits for a block
        if (!shorterOpen()) {
            return;
        }
    }
    FluidPtr<fluid_audio_driver_t> shorter;
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    if (shorterOpen()) {
        shorter = std::move(m_engine->driver);
        m_outputPeriod = 0;
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
    if (m_practicePlaying) {
        return practiceHeardPositionLocked();
    }
    return m_position;
}

std::int64_t FluidSynthSequencer::length() const {
    std::lock_guard lock(m_mutex);
    return m_length;
}

int FluidSynthSequencer::outputPeriodSize() const {
    std::lock_guard lock(m_mutex);
    return m_outputPeriod;
}

bool FluidSynthSequencer::outputRunning() const {
    std::lock_guard lock(m_mutex);
    if (m_options.output == FluidSynthOptions::Output::Silent || m_outputActive) {
        return m_outputActive;
    }
    // A driver open after the sound has died, until the UI thread closes it; the output
    // kept for composing only hands over silence.
    return m_outputPeriod != 0 && !keptForComposingLocked();
}

Capabilities FluidSynthSequencer::capabilities() const {
    Capabilities caps;
    caps.canPlay = isOpen();
    return caps;
}

} // namespace tunelet::playback
