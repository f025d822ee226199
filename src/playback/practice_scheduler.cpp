// Playback: the practice play's scheduler, sending a file's events to the synthesiser by
// the synthesiser's sample clock.
#include "playback/practice_scheduler.h"

#include <algorithm>
#include <cmath>

namespace tunelet::playback {

namespace {

constexpr int kDrumChannel = 9;
// General MIDI drum keys: the wood blocks that every GM font has, high for a bar's first
// beat.
constexpr int kAccentClickKey = 76;
constexpr int kClickKey = 77;
constexpr int kAccentClickVelocity = 120;
constexpr int kClickVelocity = 90;

struct Reader {
    std::string_view bytes;
    std::size_t at = 0;

    unsigned byte() { return at < bytes.size() ? static_cast<unsigned char>(bytes[at++]) : 0; }
    std::uint32_t quantity() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned b = byte();
            value = (value << 7) | (b & 0x7f);
            if ((b & 0x80) == 0) {
                break;
            }
        }
        return value;
    }
    std::uint32_t bigEndian(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 8) | byte();
        }
        return value;
    }
};

bool isNote(std::uint8_t status) {
    return (status & 0xe0) == 0x80; // note off or note on
}

bool isNoteOff(std::uint8_t status, std::uint8_t velocity) {
    return (status & 0xf0) == 0x80 || ((status & 0xf0) == 0x90 && velocity == 0);
}

} // namespace

PracticeScheduler::PracticeScheduler(fluid_synth_t *synth)
    : m_synth(synth), m_seq(new_fluid_sequencer2(0)), m_timerEvent(new_fluid_event()) {
    // Registering the synthesiser gives the sequencer its sample clock; the synthesiser's
    // own client is not used, events go straight to the synthesiser from the callback.
    fluid_sequencer_register_fluidsynth(m_seq.get(), synth);
    m_client = fluid_sequencer_register_client(m_seq.get(), "practice", &onTimer, this);
    fluid_event_set_source(m_timerEvent.get(), -1);
    fluid_event_set_dest(m_timerEvent.get(), m_client);
    fluid_event_timer(m_timerEvent.get(), nullptr);
    m_program.fill(0);
    m_programAtLoopStart.fill(0);
}

PracticeScheduler::~PracticeScheduler() = default;

void PracticeScheduler::load(std::string_view playable, std::int64_t lengthTicks) {
    stop();
    m_events.clear();
    m_length = lengthTicks;
    m_usPerQuarter = 500000;
    Reader in{playable, 12};
    m_division = std::max<int>(1, int(in.bigEndian(2)));
    while (in.at + 8 <= playable.size()) {
        const std::string_view id = playable.substr(in.at, 4);
        in.at += 4;
        const std::size_t chunkSize = in.bigEndian(4);
        const std::size_t chunkEnd = std::min(playable.size(), in.at + chunkSize);
        if (id != "MTrk") {
            in.at = chunkEnd;
            continue;
        }
        std::int64_t tick = 0;
        while (in.at < chunkEnd) {
            tick += in.quantity();
            const auto status = std::uint8_t(in.byte());
            if (status == 0xff) {
                const unsigned type = in.byte();
                const std::uint32_t size = in.quantity();
                if (type == 0x51 && size == 3 && tick == 0) {
                    m_usPerQuarter = std::max<std::uint32_t>(1, in.bigEndian(3));
                } else {
                    in.at += size;
                }
            } else if (status == 0xf0 || status == 0xf7) {
                in.at += in.quantity();
            } else {
                const bool twoBytes = (status & 0xe0) != 0xc0;
                const auto data1 = std::uint8_t(in.byte());
                const auto data2 = std::uint8_t(twoBytes ? in.byte() : 0);
                m_events.push_back({tick, status, data1, data2});
            }
        }
        in.at = chunkEnd;
    }
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const Event &a, const Event &b) { return a.tick < b.tick; });
    setLoop(0, 0);
}

std::size_t PracticeScheduler::firstAt(std::int64_t tick) const {
    return std::size_t(std::partition_point(m_events.begin(), m_events.end(),
                                            [tick](const Event &e) { return e.tick < tick; }) -
                       m_events.begin());
}

// The programs and controllers that the file set before `tick`, as if it had played from
// its start; its notes are not played.
void PracticeScheduler::applyStateBefore(std::int64_t tick) {
    m_program.fill(0); // after the owner's reset
    for (std::size_t i = 0; i < m_events.size() && m_events[i].tick < tick; ++i) {
        if (!isNote(m_events[i].status)) {
            send(m_events[i]);
        }
    }
}

void PracticeScheduler::start(std::int64_t tick) {
    stop();
    tick = std::clamp<std::int64_t>(tick, 0, m_length);
    applyStateBefore(tick);
    m_tick = double(tick);
    m_next = firstAt(tick);
    m_nextBeat = beatAtOrAfter(tick);
    m_startTick = tick;
    const std::int64_t beat = std::max<std::int64_t>(1, m_clicks.beatTicks);
    m_countInClicks = m_clicks.countIn ? std::max(1, m_clicks.beatsPerBar) : 0;
    m_distance = -double(m_countInClicks * beat);
    m_anchorDistance = m_distance;
    m_anchorMs = fluid_sequencer_get_tick(m_seq.get());
    m_running = true;
    m_finished = false;
    m_blockCount = 0;
    m_blockStartDistance = m_distance;
    m_blockStartTick = m_tick;
    scheduleTimer(m_anchorMs);
}

void PracticeScheduler::stop() {
    m_running = false;
    fluid_sequencer_remove_events(m_seq.get(), -1, m_client, -1);
}

void PracticeScheduler::setLoop(std::int64_t from, std::int64_t to) {
    from = std::clamp<std::int64_t>(from, 0, m_length);
    to = std::clamp<std::int64_t>(to, 0, m_length);
    if (to <= from) {
        from = to = 0;
    }
    m_loopFrom = from;
    m_loopTo = to;
    m_programAtLoopStart.fill(0);
    for (std::size_t i = 0; i < m_events.size() && m_events[i].tick < from; ++i) {
        if ((m_events[i].status & 0xf0) == 0xc0) {
            m_programAtLoopStart[m_events[i].status & 0x0f] = m_events[i].data1;
        }
    }
}

void PracticeScheduler::setSpeed(double factor) {
    if (m_running) {
        reanchor(); // the distance so far was played at the old speed
    }
    m_speed = std::clamp(factor, Sequencer::kMinSpeed, Sequencer::kMaxSpeed);
}

void PracticeScheduler::reanchor() {
    m_anchorMs = fluid_sequencer_get_tick(m_seq.get());
    m_anchorDistance = m_distance;
}

double PracticeScheduler::ticksPerMs() const {
    return double(m_division) * m_speed * 1000.0 / m_usPerQuarter;
}

// The sequencer copies the event: the one made up front serves every block, so the audio
// thread allocates nothing here.
void PracticeScheduler::scheduleTimer(unsigned int at) {
    fluid_sequencer_send_at(m_seq.get(), m_timerEvent.get(), at, 1);
}

// Called by the sequencer in every rendered block while the play runs.
void PracticeScheduler::onTimer(unsigned int, fluid_event_t *event, fluid_sequencer_t *,
                                void *data) {
    if (fluid_event_get_type(event) == FLUID_SEQ_TIMER) {
        static_cast<PracticeScheduler *>(data)->tick(
            fluid_sequencer_get_tick(static_cast<PracticeScheduler *>(data)->m_seq.get()));
    }
}

void PracticeScheduler::tick(unsigned int now) {
    if (!m_running) {
        return;
    }
    const double target = m_anchorDistance + double(now - m_anchorMs) * ticksPerMs();
    advance(target - m_distance);
    if (m_running) {
        scheduleTimer(now + 1);
    }
}

// Plays on by `ticks` of distance: the count-in's clicks, then the music, wrapping at the
// loop's end.
void PracticeScheduler::advance(double ticks) {
    const double to = m_distance + ticks;
    const std::int64_t beat = std::max<std::int64_t>(1, m_clicks.beatTicks);
    while (m_countInClicks > 0) {
        const int beatsLeft = m_countInClicks;
        if (-double(beatsLeft * beat) > to) {
            break;
        }
        click(onBarLine(m_startTick - beatsLeft * beat));
        --m_countInClicks;
    }
    double music = to - std::max(m_distance, 0.0);
    m_distance = to;
    if (to < 0) {
        return;
    }
    while (looping() && m_tick + music >= double(m_loopTo)) {
        music -= double(m_loopTo) - m_tick;
        wrapToLoopStart();
    }
    if (!looping() && m_tick + music >= double(m_length)) {
        sweep(double(m_length));
        m_tick = double(m_length);
        m_running = false;
        m_finished = true;
        return;
    }
    m_tick += music;
    sweep(m_tick);
}

// Sends the events and the metronome's beats up to tick `to`, both ends included.
void PracticeScheduler::sweep(double to) {
    const auto last = std::int64_t(std::floor(to));
    const std::int64_t beat = std::max<std::int64_t>(1, m_clicks.beatTicks);
    while (m_next < m_events.size() && m_events[m_next].tick <= last) {
        send(m_events[m_next++]);
    }
    for (; m_nextBeat <= last; m_nextBeat += beat) {
        if (m_clicks.metronome) {
            click(onBarLine(m_nextBeat));
        }
    }
}

// At the loop's end: what lies before it is sent, and the releases at its very end, so
// that no note of the passage hangs on; the next pass starts with the programs that were
// in force at the loop's start.
void PracticeScheduler::wrapToLoopStart() {
    sweep(double(m_loopTo - 1));
    for (; m_next < m_events.size() && m_events[m_next].tick == m_loopTo; ++m_next) {
        const Event &event = m_events[m_next];
        if (isNoteOff(event.status, event.data2)) {
            send(event);
        }
    }
    for (int channel = 0; channel < 16; ++channel) {
        if (m_program[std::size_t(channel)] != m_programAtLoopStart[std::size_t(channel)]) {
            m_program[std::size_t(channel)] = m_programAtLoopStart[std::size_t(channel)];
            fluid_synth_program_change(m_synth, channel, m_program[std::size_t(channel)]);
        }
    }
    m_tick = double(m_loopFrom);
    m_next = firstAt(m_loopFrom);
    m_nextBeat = beatAtOrAfter(m_loopFrom);
}

// Beats and bars are counted from the clicks' bar line (the pickup's end), before it too.
std::int64_t PracticeScheduler::beatAtOrAfter(std::int64_t tick) const {
    const std::int64_t beat = std::max<std::int64_t>(1, m_clicks.beatTicks);
    const std::int64_t from = tick - m_clicks.barLine;
    const std::int64_t beats = from >= 0 ? (from + beat - 1) / beat : -(-from / beat);
    return m_clicks.barLine + beats * beat;
}

bool PracticeScheduler::onBarLine(std::int64_t tick) const {
    const std::int64_t bar =
        std::max<std::int64_t>(1, m_clicks.beatTicks) * std::max(1, m_clicks.beatsPerBar);
    return ((tick - m_clicks.barLine) % bar + bar) % bar == 0;
}

void PracticeScheduler::noteBlock(double renderedAtMs, double blockMs) {
    std::rotate(m_blocks.begin(), m_blocks.begin() + 1, m_blocks.end());
    m_blocks.back() = {renderedAtMs, blockMs, m_blockStartDistance, m_blockStartTick, m_distance};
    m_blockCount = std::min<int>(m_blockCount + 1, int(m_blocks.size()));
    m_blockStartDistance = m_distance;
    m_blockStartTick = m_tick;
}

// A block is taken as heard over the `ms` before it was rendered, latencyMs later; the
// distance grows evenly through it.
std::int64_t PracticeScheduler::heardTick(double nowMs, double latencyMs) const {
    if (m_blockCount == 0) {
        return std::int64_t(m_blockStartTick);
    }
    const double heardAt = nowMs - latencyMs;
    const Block *block = &m_blocks.back();
    for (int i = int(m_blocks.size()) - m_blockCount; i < int(m_blocks.size()); ++i) {
        if (m_blocks[std::size_t(i)].renderedAtMs >= heardAt) {
            block = &m_blocks[std::size_t(i)];
            break;
        }
    }
    const double into = std::clamp(heardAt - (block->renderedAtMs - block->ms), 0.0, block->ms);
    const double distance =
        block->startDistance + (block->endDistance - block->startDistance) * into / block->ms;
    const double played = std::max(distance, 0.0) - std::max(block->startDistance, 0.0);
    return std::int64_t(tickAfter(block->startTick, std::max(played, 0.0)));
}

// The tick reached from `fromTick` after `ticks` more of play, through the loop's seam.
double PracticeScheduler::tickAfter(double fromTick, double ticks) const {
    const double to = fromTick + ticks;
    if (m_loopTo > m_loopFrom && fromTick < double(m_loopTo) && to >= double(m_loopTo)) {
        return double(m_loopFrom) + std::fmod(to - double(m_loopTo), double(m_loopTo - m_loopFrom));
    }
    return std::min(to, double(m_length));
}

void PracticeScheduler::send(const Event &event) {
    const int channel = event.status & 0x0f;
    switch (event.status & 0xf0) {
    case 0x80:
        fluid_synth_noteoff(m_synth, channel, event.data1);
        break;
    case 0x90:
        if (event.data2 == 0) {
            fluid_synth_noteoff(m_synth, channel, event.data1);
        } else {
            fluid_synth_noteon(m_synth, channel, event.data1, event.data2);
        }
        break;
    case 0xa0:
        fluid_synth_key_pressure(m_synth, channel, event.data1, event.data2);
        break;
    case 0xb0:
        fluid_synth_cc(m_synth, channel, event.data1, event.data2);
        break;
    case 0xc0:
        m_program[std::size_t(channel)] = event.data1;
        fluid_synth_program_change(m_synth, channel, event.data1);
        break;
    case 0xd0:
        fluid_synth_channel_pressure(m_synth, channel, event.data1);
        break;
    case 0xe0:
        fluid_synth_pitch_bend(m_synth, channel, event.data1 | (event.data2 << 7));
        break;
    default:
        break;
    }
}

void PracticeScheduler::click(bool accent) {
    fluid_synth_noteon(m_synth, kDrumChannel, accent ? kAccentClickKey : kClickKey,
                       accent ? kAccentClickVelocity : kClickVelocity);
}

} // namespace tunelet::playback
