// Playback: the practice play of FluidSynthSequencer. Sends a MIDI file's events to the
// synthesiser from any tick, repeating a loop range, at any speed, with count-in and
// metronome clicks, timed by the synthesiser's own sample clock.
#pragma once

#include <array>
#include <cstdint>
#include <fluidsynth.h>
#include <memory>
#include <string_view>
#include <vector>

#include "playback/sequencer.h"

namespace tunelet::playback {

// Times come from a FluidSynth sequencer driven by the synthesiser's sample clock (not the
// system's), which calls back once per rendered block of 64 frames. Every event is sent in
// the first block at or after its ideal time, and ideal times are counted from where the
// play (or the last change of speed or loop) began, never from the previous event: so a
// loop's passes cannot drift, however many there are, and the silent output renders the
// same timing as the audio thread.
//
// Not thread-safe by itself: every call, and the rendering that drives the callbacks,
// happens under the owner's synthesiser lock.
class PracticeScheduler {
public:
    explicit PracticeScheduler(fluid_synth_t *synth);
    ~PracticeScheduler();
    PracticeScheduler(const PracticeScheduler &) = delete;
    PracticeScheduler &operator=(const PracticeScheduler &) = delete;

    // The file in the plain form SmfInfo::playable holds (every event with its status).
    void load(std::string_view playable, std::int64_t lengthTicks);
    void start(std::int64_t tick);
    void stop();
    void setLoop(std::int64_t from, std::int64_t to);
    void setSpeed(double factor);
    void setClicks(const PracticeClicks &clicks) { m_clicks = clicks; }

    bool running() const { return m_running; }
    // The play reached the end of the file (outside any loop) and stopped by itself.
    bool finished() const { return m_finished; }
    std::int64_t position() const { return std::int64_t(m_tick); }

    // Following by ear: each rendered block is noted with the time it was handed to the
    // output; heardTick() says which tick sounds at a time `latencyMs` later, moving
    // smoothly within a block, where position() steps once a block.
    void noteBlock(double renderedAtMs, double blockMs);
    std::int64_t heardTick(double nowMs, double latencyMs) const;

private:
    struct Event {
        std::int64_t tick;
        std::uint8_t status, data1, data2;
    };
    struct SequencerDeleter {
        void operator()(fluid_sequencer_t *seq) const { delete_fluid_sequencer(seq); }
    };
    struct EventDeleter {
        void operator()(fluid_event_t *event) const { delete_fluid_event(event); }
    };

    static void onTimer(unsigned int time, fluid_event_t *event, fluid_sequencer_t *seq,
                        void *data);
    void tick(unsigned int now);
    void scheduleTimer(unsigned int at);
    void reanchor();
    double ticksPerMs() const;
    bool looping() const { return m_loopTo > m_loopFrom && m_tick < double(m_loopTo); }
    void advance(double ticks);
    void sweep(double to);
    void wrapToLoopStart();
    std::int64_t beatAtOrAfter(std::int64_t tick) const;
    bool onBarLine(std::int64_t tick) const;
    void send(const Event &event);
    void click(bool accent);
    void applyStateBefore(std::int64_t tick);
    std::size_t firstAt(std::int64_t tick) const;
    double tickAfter(double fromTick, double ticks) const;

    fluid_synth_t *m_synth;
    std::unique_ptr<fluid_sequencer_t, SequencerDeleter> m_seq;
    std::unique_ptr<fluid_event_t, EventDeleter> m_timerEvent; // sent again in every block
    fluid_seq_id_t m_client = -1;

    // The file: events in time order (the order of the file within a tick and track).
    std::vector<Event> m_events;
    std::int64_t m_length = 0;
    int m_division = 48;
    double m_usPerQuarter = 500000; // the file's first tempo; 120 quarter notes a minute

    // Settings.
    std::int64_t m_loopFrom = 0, m_loopTo = 0;
    std::array<int, 16> m_programAtLoopStart{};
    double m_speed = 1.0;
    PracticeClicks m_clicks;

    // The running play: distance played in ticks since the anchor (negative during the
    // count-in), the tick reached, the next event and beat to send.
    bool m_running = false;
    bool m_finished = false;
    unsigned int m_anchorMs = 0;
    double m_anchorDistance = 0;
    double m_distance = 0;
    double m_tick = 0;
    std::size_t m_next = 0;
    std::int64_t m_nextBeat = 0;
    int m_countInClicks = 0;
    std::int64_t m_startTick = 0; // where the music of this play starts, after the count-in
    std::array<int, 16> m_program{};

    // The last blocks rendered, newest last: when, how long, the distance and tick at
    // their start and the distance at their end.
    struct Block {
        double renderedAtMs, ms, startDistance, startTick, endDistance;
    };
    std::array<Block, 4> m_blocks{};
    int m_blockCount = 0;
    double m_blockStartDistance = 0, m_blockStartTick = 0;
};

} // namespace tunelet::playback
