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

    // Compiles the score and plays it from `tick`. Empty on success, else what the user is
    // told.
    QString playFrom(const Score &score, std::int64_t tick);
    void stop();
    // Repeats [from, to) in ticks; an empty range plays straight on.
    void setLoop(std::int64_t from, std::int64_t to);
    void setSpeedPercent(int percent);
    void setCountIn(bool on);
    void setMetronome(bool on);
    // The view's time signature: beats a bar, ticks a beat.
    void setTimeSignature(int beats, int beatTicks);
    std::int64_t barTicks() const { return m_clicks.beatsPerBar * m_clicks.beatTicks; }

    bool playing() const;
    std::int64_t position() const { return m_device->position(); }
    playback::Sequencer &device() { return *m_device; }

    // A beat of the note script: the duration letter "d".
    static constexpr std::int64_t kBeatTicks = 48;
    // How often a following view hears of the position: about once a screen frame.
    static constexpr int kFollowMs = 16;

signals:
    void positionChanged(std::int64_t tick);
    void stopped();

private:
    void poll();

    std::unique_ptr<playback::Sequencer> m_device;
    playback::PracticeClicks m_clicks;
    std::string m_openBytes; // the file the device has open
    QTimer m_follow;
};

} // namespace tunelet::ui
