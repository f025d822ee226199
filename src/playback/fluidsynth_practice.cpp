// Playback: FluidSynthSequencer's practice play. The open file goes to the synthesiser
// through a PracticeScheduler instead of FluidSynth's MIDI player, which can neither loop
// a range without drift nor change its speed without a jump.
#include <algorithm>
#include <array>
#include <chrono>

#include "playback/fluidsynth_engine.h"
#include "playback/fluidsynth_sequencer.h"
#include "playback/practice_scheduler.h"

namespace tunelet::playback {

// The scheduler is FluidSynth's to call back while it renders, so it is changed only under
// the synthesiser's lock, like the player.
ErrorCode FluidSynthSequencer::playFrom(std::int64_t tick) {
    giveWayToPeriods(m_options.periodSize);
    const auto synthLock = lockSynth(true);
    std::lock_guard lock(m_mutex);
    if (m_state == State::Closed) {
        return kErrNotOpen;
    }
    if (m_noticePending) {
        postNotice(NotifyResult::Superseded, m_session);
    }
    m_noticePending = false;
    endPracticeLocked();
    if (m_state == State::Playing) {
        fluid_player_stop(m_engine->player.get());
        m_playerReady = true;
    }
    if (!m_playerReady) {
        preparePlayerLocked(); // so that a later Play finds its player as it expects
    }
    silenceLocked();
    PracticeScheduler &practice = practiceLocked();
    if (const ErrorCode code = startOutputLocked(m_options.periodSize)) {
        m_state = State::Stopped;
        return code;
    }
    practice.start(tick);
    m_practicePlaying = true;
    m_noticePending = true;
    m_state = State::Playing;
    m_position = practice.position();
    m_playStart = m_position;
    return 0;
}

ErrorCode FluidSynthSequencer::setLoop(std::int64_t from, std::int64_t to) {
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    m_loopFrom = from;
    m_loopTo = to;
    if (m_practice) {
        m_practice->setLoop(from, to);
    }
    return 0;
}

ErrorCode FluidSynthSequencer::setSpeed(double factor) {
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    m_speed = std::clamp(factor, kMinSpeed, kMaxSpeed);
    if (m_practice) {
        m_practice->setSpeed(m_speed);
    }
    return 0;
}

ErrorCode FluidSynthSequencer::setClicks(const PracticeClicks &clicks) {
    const auto synthLock = lockSynth(false);
    std::lock_guard lock(m_mutex);
    m_clicks = clicks;
    if (m_practice) {
        m_practice->setClicks(clicks);
    }
    return 0;
}

// Made at the first practice play, and given the open file once per file.
PracticeScheduler &FluidSynthSequencer::practiceLocked() {
    if (!m_practice) {
        m_practice = std::make_unique<PracticeScheduler>(m_engine->synth.get());
        m_practiceSession = m_session - 1;
    }
    if (m_practiceSession != m_session) {
        m_practice->load(m_midi, m_length);
        m_practiceSession = m_session;
    }
    m_practice->setLoop(m_loopFrom, m_loopTo);
    m_practice->setSpeed(m_speed);
    m_practice->setClicks(m_clicks);
    return *m_practice;
}

namespace {

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

// After each rendered block of a practice play: the position, and its end.
void FluidSynthSequencer::practiceRenderedLocked(int frames) {
    m_practice->noteBlock(steadyMs(), 1000.0 * frames / m_options.sampleRate);
    m_position = m_practice->position();
    if (m_practice->finished()) {
        releaseAllNotesLocked(); // notes the file never releases ring out, as at a play's end
        m_practicePlaying = false;
        m_state = State::Stopped;
        m_noticePending = false;
        postNotice(NotifyResult::Successful, m_session);
    }
}

// Through a sound output the view follows what is heard: a block just rendered is heard
// about one and a half periods later with PulseAudio (bench/playback/record_practice.sh
// follow). The silent output is followed as rendered.
std::int64_t FluidSynthSequencer::practiceHeardPositionLocked() const {
    if (m_options.output == FluidSynthOptions::Output::Silent) {
        return m_position;
    }
    constexpr double kHeardAfterPeriods = 1.5;
    return m_practice->heardTick(steadyMs(), kHeardAfterPeriods * 1000.0 * m_options.periodSize /
                                                 m_options.sampleRate);
}

void FluidSynthSequencer::endPracticeLocked() {
    if (m_practicePlaying) {
        m_practice->stop();
        m_practicePlaying = false;
    }
}

std::vector<FluidSynthSequencer::Voice> FluidSynthSequencer::heldVoices() {
    const auto synthLock = lockSynth(false);
    std::vector<Voice> held;
    if (!m_engine->synth) {
        return held;
    }
    std::array<fluid_voice_t *, 256> list{};
    fluid_synth_get_voicelist(m_engine->synth.get(), list.data(), int(list.size()), -1);
    for (fluid_voice_t *voice : list) {
        if (voice == nullptr) {
            break;
        }
        if (fluid_voice_is_on(voice)) {
            held.push_back({fluid_voice_get_channel(voice), fluid_voice_get_actual_key(voice),
                            fluid_voice_get_actual_velocity(voice), fluid_voice_get_id(voice)});
        }
    }
    return held;
}

int FluidSynthSequencer::program(int channel) {
    const auto synthLock = lockSynth(false);
    int font = 0, bank = 0, preset = -1;
    if (m_engine->synth) {
        fluid_synth_get_program(m_engine->synth.get(), channel, &font, &bank, &preset);
    }
    return preset;
}

} // namespace tunelet::playback
