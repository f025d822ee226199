// Practice: the score played from a note on its own sequencer, looped, slower or faster,
// with clicks, and its position read once a screen frame for the view that follows it.
// The transport bar mp1 has a device of its own and is not touched.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playback/sequencer.h"

namespace tunelet::ui {

class PracticeSession : public QObject {
    Q_OBJECT
public:
    struct Score {
        std::vector<std::string> lines;
        std::uint16_t division = 48; // the time increment
        bool staccato = true;
    };

    explicit PracticeSession(std::unique_ptr<playback::Sequencer> device,
                             QObject *parent = nullptr);
    ~PracticeSession() override;

    // Compiles the score and plays it straight on from `tick`, ending a loop that was
    // set. Empty on success, else what the user is told.
    QString playFrom(const Score &score, std::int64_t tick);
    // The same, repeating [from, to) in ticks from its start until stopped.
    QString playLoop(const Score &score, std::int64_t from, std::int64_t to);
    // The passage plays to its end and the play goes on straight.
    void endLoop();
    void stop();
    void setSpeedPercent(int percent);
    void setCountIn(bool on);
    void setMetronome(bool on);
    // The song's metre: beats a bar, ticks a beat, and the pickup's length, where the
    // first full bar begins.
    void setTimeSignature(int beats, int beatTicks, std::int64_t pickupTicks = 0);
    std::int64_t barTicks() const { return m_clicks.beatsPerBar * m_clicks.beatTicks; }
    // The bar a tick lies in, as the notation numbers it (a pickup is bar 0).
    std::int64_t barNumberAt(std::int64_t tick) const;

    bool playing() const;
    // Playing and repeating a passage.
    bool looping() const { return m_looping && playing(); }
    std::int64_t position() const { return m_device->position(); }
    playback::Sequencer &device() { return *m_device; }

    // A beat of the note script: the duration letter "d".
    static constexpr std::int64_t kBeatTicks = 48;
    // How often a following view hears of the position: about once a screen frame.
    static constexpr int kFollowMs = 16;

signals:
    void positionChanged(std::int64_t tick);
    void stopped();
    // playing() or looping() may read otherwise: a play began or ended, a loop was set
    // or ended, whoever asked for it.
    void stateChanged();

private:
    QString play(const Score &score, std::int64_t tick, std::int64_t loopFrom, std::int64_t loopTo);
    QString openScore(const Score &score);
    void poll();

    std::unique_ptr<playback::Sequencer> m_device;
    playback::PracticeClicks m_clicks;
    std::string m_openBytes; // the file the device has open
    bool m_looping = false;  // the device repeats a passage
    QTimer m_follow;
};

} // namespace tunelet::ui
