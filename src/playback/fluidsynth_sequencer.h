// Playback: the real Sequencer. Standard MIDI Files played by FluidSynth with a General
// MIDI SoundFont, through FluidSynth's own audio drivers or a silent output that the
// caller renders by hand.
#pragma once

#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playback/sequencer.h"
#include "render/synth_setup.h"

namespace tunelet::playback {

class PracticeScheduler;

// The sequencer the program uses. Cheap to create: the SoundFont is loaded at the first
// open(). The audio output renders only while something sounds: from Play until the music
// and its last notes' ring have ended, so an open file that does not play costs nothing.
// While the user composes the output stays open in between, handing silence to the sound
// server without rendering, so that the next composed note is heard at once.
std::unique_ptr<Sequencer> createSystemSequencer();

// Error codes of the FluidSynth device (0 is success).
enum FluidSynthError : ErrorCode {
    kErrFileUnreadable = 1, // the file cannot be read
    kErrNotMidi,            // not a Standard MIDI File, or a damaged one
    kErrNoSoundFont,        // no General MIDI SoundFont on the system
    kErrSoundFontLoad,      // the SoundFont exists but does not load
    kErrNoAudioOutput,      // no audio driver could be opened
    kErrSynth,              // FluidSynth could not be set up
    kErrNotOpen,            // a command that needs an open file
    kErrNotPaused,          // resume while not paused
    kErrSmpteDivision,      // a legal file timed in SMPTE frames, which FluidSynth cannot play
    kErrTooManyTracks,      // a legal file with more tracks than FluidSynth's player holds
    kErrNotPlayable,        // FluidSynth's player could not read the file
    kErrNotRegularFile,     // a device, pipe or socket, refused without waiting for it
    kErrTooLong,            // a legal file longer than FluidSynth's player counts ticks
    kErrZeroTempo,          // a legal file with a tempo of 0, at which time stands still
    kErrFileTooLarge,       // larger than any MIDI file the player could hold
};

struct FluidSynthOptions {
    enum class Output {
        AudioDriver, // the first of audioDrivers that opens; FluidSynth's audio thread plays
        Silent,      // no driver: the caller calls renderMilliseconds() to move playback on
    };
    Output output = Output::AudioDriver;
    QStringList audioDrivers = {QStringLiteral("pulseaudio"), QStringLiteral("alsa")};
    // SoundFonts tried in order; the first that exists is loaded.
    QStringList soundFonts{render::kSoundFontCandidates.begin(),
                           render::kSoundFontCandidates.end()};
    int sampleRate = 44100;
    // Frames FluidSynth renders at a time; the sound server is asked to buffer as much.
    // A file plays with 2048 (46 ms), which keeps a busy machine from dropping out; the
    // output for notes heard while composing has 512 (12 ms), so that each sounds within
    // 30 ms of its key. A play takes the place of an output with shorter periods; a
    // composed note plays through whatever output runs. Figures in
    // scripts/record_playback.sh and bench/playback/record_keys.sh.
    int periodSize = 2048;
    int auditionPeriodSize = 512;
    int periods = 2; // ALSA only: periods in its ring buffer
};

class FluidSynthSequencer final : public Sequencer {
    Q_OBJECT
public:
    explicit FluidSynthSequencer(FluidSynthOptions options = {}, QObject *parent = nullptr);
    ~FluidSynthSequencer() override;

    ErrorCode open(const QString &path) override;
    ErrorCode close() override;
    ErrorCode play() override;
    ErrorCode pause() override;
    ErrorCode resume() override;
    ErrorCode stop() override;
    ErrorCode seekToStart() override;
    ErrorCode seekToEnd() override;

    bool isOpen() const override;
    DeviceMode mode() const override;
    std::int64_t position() const override;
    std::int64_t length() const override;
    Capabilities capabilities() const override;
    QString errorText(ErrorCode code) const override;
    QString errorDetail(ErrorCode code) const override;
    QString failureText() const override;
    ErrorCode auditionNote(int program, int key, int velocity, int milliseconds) override;
    void setComposing(bool composing) override;
    ErrorCode playFrom(std::int64_t tick) override;
    ErrorCode setLoop(std::int64_t from, std::int64_t to) override;
    ErrorCode setSpeed(double factor) override;
    ErrorCode setClicks(const PracticeClicks &clicks) override;

    // What the synthesiser holds now: the voices of the notes being held (a note may
    // have several), and the General MIDI program of a channel.
    struct Voice {
        int channel, key, velocity;
        unsigned id; // a new voice has a new id
    };
    std::vector<Voice> heldVoices();
    int program(int channel);

    // Silent output only: renders ms milliseconds of stereo audio, moving playback on as
    // the audio thread would. The samples stay in lastBlock() (interleaved left, right);
    // while the output is not running nothing is rendered and the block stays silent.
    void renderMilliseconds(int ms);
    const std::vector<float> &lastBlock() const { return m_block; }

    // Whether the audio output runs (the driver exists, or the silent output renders):
    // from Play until the music has ended and its sound has died away. An output kept
    // open for composing does not count while it only hands over silence.
    bool outputRunning() const;
    // Frames per period of the open output (also of the silent output), 0 when none is
    // open. A play's output is open from Play until a quiet block after its end.
    int outputPeriodSize() const;

    // How many times a SoundFont was loaded (once per device at most).
    int soundFontLoads() const { return m_soundFontLoads; }

private:
    struct Engine;
    // Below this peak (-80 dBFS) a block counts as quiet.
    static constexpr float kQuietPeak = 1e-4f;
    static constexpr int kFluidBlock = 64; // frames FluidSynth renders at a time
    enum class State { Closed, Stopped, Playing, Paused };

    ErrorCode fail(ErrorCode code, const QString &subject);
    void ensureSettings();
    ErrorCode ensureSynth();
    std::unique_lock<std::mutex> lockSynth(bool interruptPlay);
    ErrorCode startOutputLocked(int periodSize);
    ErrorCode openOutputLocked(int periodSize);
    void openComposingOutput();
    void giveWayToPeriods(int periodSize);
    bool keptForComposingLocked() const;
    ErrorCode preparePlayerLocked();
    void stopIdleOutput();
    static int forwardEvent(void *data, fluid_midi_event_t *event);
    static int renderAudio(void *data, int len, int nfx, float *fx[], int nout, float *out[]);
    bool renderingWanted() const;
    void afterRenderLocked(int frames, float peak);
    void releaseAllNotesLocked();
    void silenceLocked();
    void haltLocked(std::int64_t position);
    void postNotice(NotifyResult result, unsigned session);
    PracticeScheduler &practiceLocked();
    void practiceRenderedLocked(int frames);
    std::int64_t practiceHeardPositionLocked() const;
    void endPracticeLocked();

    FluidSynthOptions m_options;
    std::unique_ptr<Engine> m_engine;
    std::vector<float> m_block;
    int m_soundFontLoads = 0;
    QString m_subject; // the file or SoundFont named by the last error text
    QString m_path;    // the open file, for the text of a failed play
    ErrorCode m_failedCode = 0;
    QStringList m_detail; // FluidSynth's own log lines about the last failure

    // Held by whoever calls FluidSynth: the rendering thread for a whole block, commands
    // while they change the synthesiser or the player. Always taken before m_mutex.
    std::mutex m_synthMutex;
    // Set by a command that ends a play, so that a long block (a file with a million
    // notes at one instant) drops its remaining events and hands m_synthMutex over soon.
    std::atomic<bool> m_interrupt = false;
    // Blocks the audio thread rendered but could not note yet, the window holding m_mutex;
    // under the synthesiser's lock.
    int m_unnotedFrames = 0;
    float m_unnotedPeak = 0.0f;

    // Shared with the rendering thread, always under m_mutex, which nobody holds while
    // FluidSynth renders: the window's questions never wait for a block.
    mutable std::mutex m_mutex;
    std::string m_midi; // the open file as FluidSynth is given it
    State m_state = State::Closed;
    std::int64_t m_position = 0;
    std::int64_t m_length = 0;
    std::int64_t m_playStart = 0; // where the running play began
    unsigned m_session = 0;       // changes at every open and close
    bool m_noticePending = false; // a play or resume waits for its completion notice
    bool m_outputActive = false;  // the output renders; cleared once all is quiet
    bool m_playerReady = false;   // the player has read the file and waits, stopped
    int m_auditionKey = -1;       // the note heard while composing, until its release
    int m_auditionFramesLeft = 0; // until that note is released
    int m_outputLingerFrames = 0; // the output runs on, quiet, for the next note
    int m_outputPeriod = 0;       // frames per period of the open output; 0: none open
    bool m_composing = false;     // the output stays open for the next composed note
    bool m_composeFailed = false; // no output could be opened for it

    // The practice play (fluidsynth_practice.cpp); its scheduler holds a sample timer of
    // the synth, so it is declared after m_engine and freed before it.
    bool m_practicePlaying = false;
    unsigned m_practiceSession = 0; // the session whose file the scheduler holds
    std::int64_t m_loopFrom = 0, m_loopTo = 0;
    double m_speed = 1.0;
    PracticeClicks m_clicks;
    std::unique_ptr<PracticeScheduler> m_practice;
};

} // namespace tunelet::playback
