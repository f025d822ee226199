// The media service behind the transport bar: one open MIDI file, played by a sequencer.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

namespace tunelet::playback {

// Device modes in the order the transport bar knows them.
enum class DeviceMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// How a play or resume ended.
enum class NotifyResult { Successful, Superseded, Aborted, Failure };

// Clicks of a practice play on the drum channel: one bar before the music (count-in) and
// one on every beat while it plays (metronome), the first of each bar accented.
struct PracticeClicks {
    bool countIn = false;
    bool metronome = false;
    int beatsPerBar = 4;
    std::int64_t beatTicks = 48; // ticks of one beat
    // A tick where a bar begins: the pickup's length in a song that starts with one. Beats
    // and bars are counted from it, the count-in's too.
    std::int64_t barLine = 0;
};

struct Capabilities {
    bool canPlay = false;
    bool canRecord = false;
    bool canEject = false;
    bool canStep = false;
};

// Error codes; 0 is success. errorText() has a text for each, "Unknown error code" else.
using ErrorCode = std::uint32_t;

// Every command returns at once or after the device finished it, never blocking on the
// music itself. play() and resume() return at once; when that play ends (end of file,
// stop, seek, pause does not count) the device emits completed() on the UI thread. A play
// that the device could not carry on ends with NotifyResult::Failure.
class Sequencer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Sequencer() override = default;

    virtual ErrorCode open(const QString &path) = 0; // the device is chosen by file type
    virtual ErrorCode close() = 0;
    virtual ErrorCode play() = 0;
    virtual ErrorCode pause() = 0;
    virtual ErrorCode resume() = 0;
    virtual ErrorCode stop() = 0; // keeps the position
    virtual ErrorCode seekToStart() = 0;
    virtual ErrorCode seekToEnd() = 0;

    virtual bool isOpen() const = 0;
    virtual DeviceMode mode() const = 0;
    virtual std::int64_t position() const = 0; // ticks
    virtual std::int64_t length() const = 0;   // ticks
    virtual Capabilities capabilities() const = 0;
    virtual QString errorText(ErrorCode code) const = 0;
    // The audio library's own words about a failure with this code, when it said any;
    // kept apart from errorText(), which says in the user's language what happened.
    virtual QString errorDetail(ErrorCode code) const = 0;
    // Why the last play ended with NotifyResult::Failure.
    virtual QString failureText() const = 0;

    // Sounds one note at once on the same synthesiser, as a composer hears what was just
    // written: General MIDI program, key, velocity, for milliseconds. A new note cuts the
    // one still sounding. Nothing sounds while a file plays. Needs no open file.
    virtual ErrorCode auditionNote(int program, int key, int velocity, int milliseconds) = 0;
    // While the user may compose, the device keeps its sound output open, silent, so that
    // a composed note only has to be rendered: a new output can take a sound server up to
    // its whole buffer (seconds) to be heard. Failures are left to auditionNote().
    virtual void setComposing(bool composing) { (void)composing; }

    // --- Practice: the open file played from any tick, looped, slower or faster ---
    // Plays the open file from `tick` with every program and controller set earlier in
    // each track in force (as if it had played from the start); ends whatever played.
    // The loop, the speed and the clicks below apply to this play, also when changed
    // while it plays; position() follows it. Stop, Pause, Next, Previous and Close end it;
    // it ends at the file's end with a completion notice, never while it loops.
    virtual ErrorCode playFrom(std::int64_t tick) = 0;
    // Repeats [from, to) in ticks once the play reaches `to`; an empty range ends the loop.
    virtual ErrorCode setLoop(std::int64_t from, std::int64_t to) = 0;
    // Tempo factor, limited to kMinSpeed..kMaxSpeed; the position does not jump.
    virtual ErrorCode setSpeed(double factor) = 0;
    virtual ErrorCode setClicks(const PracticeClicks &clicks) = 0;
    static constexpr double kMinSpeed = 0.25;
    static constexpr double kMaxSpeed = 2.0;

signals:
    // Delivered on the UI thread (queued) when a play or resume ends.
    void completed(tunelet::playback::NotifyResult result);
};

} // namespace tunelet::playback
