// Playback: setting up FluidSynth for FluidSynthSequencer (SoundFont, audio output,
// rendering) and the device's error texts.
#include "playback/fluidsynth_engine.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "midi/smf_reader.h"
#include "playback/fluidsynth_library.h"
#include "render/synth_setup.h"

namespace tunelet::playback {

namespace {

thread_local QStringList *t_logLines = nullptr;

// Warnings and errors explain a failure; information and debugging lines do not.
void collectLog(int level, const char *message, void *) {
    if (t_logLines != nullptr && message != nullptr && level <= FLUID_WARN) {
        t_logLines->append(QString::fromUtf8(message));
    }
}

} // namespace

FluidLogCapture::FluidLogCapture(QStringList &lines) : m_previous(t_logLines) {
    lines.clear();
    t_logLines = &lines;
}

FluidLogCapture::~FluidLogCapture() {
    t_logLines = m_previous;
}

void FluidLogCapture::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            fluid_set_log_function(level, collectLog, nullptr);
        }
    });
}

std::unique_ptr<Sequencer> createSystemSequencer() {
    return std::make_unique<FluidSynthSequencer>();
}

void applyFluidSynthSettings(fluid_settings_t *settings, const FluidSynthOptions &options) {
    // The sound itself is the WAV renderer's too; only the audio output is playback's own.
    render::applySynthSettings(settings, options.sampleRate);
    fluid_settings_setint(settings, "audio.period-size", options.periodSize);
    fluid_settings_setint(settings, "audio.periods", options.periods);
}

void FluidSynthSequencer::ensureSettings() {
    if (!m_engine->settings) {
        // The first FluidSynth call of the run: it opens the library (fluidsynth_library.h).
        FluidLogCapture::install();
        m_engine->settings.reset(new_fluid_settings());
        applyFluidSynthSettings(m_engine->settings.get(), m_options);
    }
}

ErrorCode FluidSynthSequencer::ensureSynth() {
    if (m_engine->synth) {
        return 0;
    }
    // Chosen as the WAV renderer chooses, so both play through the same font.
    std::vector<std::string> candidates;
    for (const QString &path : m_options.soundFonts) {
        candidates.push_back(QFile::encodeName(path).toStdString());
    }
    const std::optional<std::string> found = render::firstExistingSoundFont(candidates);
    if (!found) {
        return fail(kErrNoSoundFont, {});
    }
    ensureSettings();
    FluidLogCapture capture(m_detail);
    m_engine->synth.reset(new_fluid_synth(m_engine->settings.get()));
    if (!m_engine->synth) {
        if (const char *why = fluidSynthLoadError()) {
            m_detail << QString::fromLocal8Bit(why);
        }
        return fail(kErrSynth, {});
    }
    if (fluid_synth_sfload(m_engine->synth.get(), found->c_str(), 1) == FLUID_FAILED) {
        m_engine->synth.reset(); // the next open tries again
        return fail(kErrSoundFontLoad, QFile::decodeName(found->c_str()));
    }
    ++m_soundFontLoads;
    return 0;
}

// Marks the output running and starts the audio driver when there is none. Under both
// locks: the driver's thread waits for them before its first block.
ErrorCode FluidSynthSequencer::startOutputLocked(int periodSize) {
    m_outputActive = true;
    m_unnotedFrames = 0; // of what played before: this play's blocks are counted afresh
    m_unnotedPeak = 0.0f;
    if (const ErrorCode code = openOutputLocked(periodSize)) {
        m_outputActive = false;
        return code;
    }
    return 0;
}

namespace {

std::vector<pid_t> threadIds() {
    std::vector<pid_t> ids;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &name : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ids.push_back(pid_t(name.toInt()));
    }
    return ids;
}

// FluidSynth renders on a thread of real-time priority where the system allows it, but
// its PulseAudio output hands every block to libpulse's own thread ("threaded-ml"), an
// ordinary one: on a busy machine that thread comes late and the server fills the gap
// with silence (bench/playback/record_practice.sh steady, with LOAD=2). The threads the
// driver started get the priority of its audio thread; where the system refuses, they
// stay as they are.
void raiseNewAudioThreads(const std::vector<pid_t> &before, fluid_settings_t *settings) {
    int priority = 0;
    fluid_settings_getint(settings, "audio.realtime-prio", &priority);
    if (priority <= 0) {
        return;
    }
    for (const pid_t id : threadIds()) {
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(id));
        if (std::find(before.begin(), before.end(), id) == before.end() &&
            name.open(QIODevice::ReadOnly) && name.readLine().trimmed() == "threaded-ml") {
            sched_param param{};
            param.sched_priority = priority;
            sched_setscheduler(id, SCHED_FIFO, &param);
        }
    }
}

} // namespace

// Opens the output when none is open; until it is marked running it hands the sound server
// silence without rendering. Needs the settings, not the synthesiser.
ErrorCode FluidSynthSequencer::openOutputLocked(int periodSize) {
    if (m_outputPeriod != 0) {
        return 0; // an open output keeps its period size
    }
    // Set for the silent output too, so that outputPeriodSize() tells what a driver gets.
    fluid_settings_setint(m_engine->settings.get(), "audio.period-size", periodSize);
    if (m_options.output == FluidSynthOptions::Output::Silent) {
        m_outputPeriod = periodSize;
        return 0;
    }
    FluidLogCapture capture(m_detail);
    const std::vector<pid_t> threadsBefore = threadIds();
    for (const QString &name : m_options.audioDrivers) {
        fluid_settings_setstr(m_engine->settings.get(), "audio.driver", name.toUtf8().constData());
        m_engine->driver.reset(
            new_fluid_audio_driver2(m_engine->settings.get(), renderAudio, this));
        if (m_engine->driver) {
            raiseNewAudioThreads(threadsBefore, m_engine->settings.get());
            m_outputPeriod = periodSize;
            return 0;
        }
    }
    return fail(kErrNoAudioOutput, {});
}

namespace {

float peakOf(const float *samples, int count) {
    float peak = 0.0f;
    for (int i = 0; i < count; ++i) {
        peak = std::max(peak, std::abs(samples[i]));
    }
    return peak;
}

} // namespace

// The player's events reach the synthesiser here, unless a command is waiting to end the
// play: then the rest of the block's events are dropped.
int FluidSynthSequencer::forwardEvent(void *data, fluid_midi_event_t *event) {
    auto *self = static_cast<FluidSynthSequencer *>(data);
    if (self->m_interrupt.load(std::memory_order_relaxed)) {
        return FLUID_OK;
    }
    return fluid_synth_handle_midi_event(self->m_engine->synth.get(), event);
}

// Under the synthesiser's lock, which everyone who changes m_outputActive holds too: the
// audio thread need not wait for the window's questions to learn it.
bool FluidSynthSequencer::renderingWanted() const {
    return m_outputActive;
}

// FluidSynth's audio thread: render, then see whether the play reached its end or the
// output has gone quiet. A stopped output renders nothing until its driver is deleted.
int FluidSynthSequencer::renderAudio(void *data, int len, int nfx, float *fx[], int nout,
                                     float *out[]) {
    auto *self = static_cast<FluidSynthSequencer *>(data);
    for (int i = 0; i < nout; ++i) {
        std::fill_n(out[i], len, 0.0f); // FluidSynth adds to what it is given
    }
    for (int i = 0; i < nfx; ++i) {
        std::fill_n(fx[i], len, 0.0f);
    }
    std::lock_guard synthLock(self->m_synthMutex);
    if (!self->renderingWanted()) {
        return FLUID_OK;
    }
    int result = FLUID_OK;
    if (nfx == 0) {
        // Drivers without effect buffers: reverb and chorus are mixed into the dry output.
        std::array<float *, 4> mixed = {out[0], out[1], out[0], out[1]};
        result = fluid_synth_process(self->m_engine->synth.get(), len, int(mixed.size()),
                                     mixed.data(), nout, out);
    } else {
        result = fluid_synth_process(self->m_engine->synth.get(), len, nfx, fx, nout, out);
    }
    float peak = 0.0f;
    for (int i = 0; i < nout; ++i) {
        peak = std::max(peak, peakOf(out[i], len));
    }
    // The window's questions hold m_mutex for a moment, but a busy machine may stop the
    // window's thread in that moment for longer than a period: then this block is noted
    // with the next one, and the audio thread never waits for the window.
    self->m_unnotedFrames += len;
    self->m_unnotedPeak = std::max(self->m_unnotedPeak, peak);
    std::unique_lock lock(self->m_mutex, std::try_to_lock);
    if (lock.owns_lock()) {
        self->afterRenderLocked(std::exchange(self->m_unnotedFrames, 0),
                                std::exchange(self->m_unnotedPeak, 0.0f));
    }
    return result;
}

void FluidSynthSequencer::renderMilliseconds(int ms) {
    const int frames = std::max(0, ms) * m_options.sampleRate / 1000;
    m_block.assign(std::size_t(frames) * 2, 0.0f);
    if (m_options.output != FluidSynthOptions::Output::Silent || !m_engine->synth) {
        return;
    }
    std::lock_guard synthLock(m_synthMutex);
    if (!renderingWanted()) {
        return;
    }
    fluid_synth_write_float(m_engine->synth.get(), frames, m_block.data(), 0, 2, m_block.data(), 1,
                            2);
    std::lock_guard lock(m_mutex);
    afterRenderLocked(frames, peakOf(m_block.data(), int(m_block.size())));
}

ErrorCode FluidSynthSequencer::fail(ErrorCode code, const QString &subject) {
    m_subject = QDir::toNativeSeparators(subject);
    m_failedCode = code;
    return code;
}

QString FluidSynthSequencer::errorText(ErrorCode code) const {
    switch (code) {
    case 0:
        return QStringLiteral("命令已完成");
    case kErrFileUnreadable:
        return QStringLiteral("无法打开文件：%1").arg(m_subject);
    case kErrNotMidi:
        return QStringLiteral("该文件不是标准MIDI文件：%1").arg(m_subject);
    case kErrNoSoundFont:
        return QStringLiteral("找不到General MIDI音色库（FluidR3_GM.sf2 或 default-GM.sf2），"
                              "请安装软件包 fluid-soundfont-gm");
    case kErrSoundFontLoad:
        return QStringLiteral("无法载入音色库：%1").arg(m_subject);
    case kErrNoAudioOutput:
        // What happened, then what the user can do; FluidSynth's lines are the detail.
        return QStringLiteral("无法打开音频输出（已尝试 %1）\n"
                              "没有找到可用的音频设备，导出MIDI文件不受影响。"
                              "请启动声音服务器（如 PulseAudio）或连接音频设备后再播放")
            .arg(m_options.audioDrivers.join(QStringLiteral("、")));
    case kErrSynth:
        return QStringLiteral("无法启动FluidSynth合成器");
    case kErrNotOpen:
        return QStringLiteral("没有打开的MIDI文件");
    case kErrNotPaused:
        return QStringLiteral("MIDI文件没有暂停，无法继续播放");
    case kErrSmpteDivision:
        return QStringLiteral("该MIDI文件以SMPTE时间码计时，本程序无法播放：%1").arg(m_subject);
    case kErrNotPlayable:
        return QStringLiteral("FluidSynth无法读取该MIDI文件：%1").arg(m_subject);
    case kErrNotRegularFile:
        return QStringLiteral("该文件不是普通文件（而是设备、管道或套接字），无法播放：%1")
            .arg(m_subject);
    case kErrTooManyTracks:
        return QStringLiteral("该MIDI文件的音轨多于%1条，本程序无法播放：%2")
            .arg(midi::kMaxPlayableTracks)
            .arg(m_subject);
    case kErrTooLong:
        return QStringLiteral("该MIDI文件太长（超过%1个tick），本程序无法播放：%2")
            .arg(midi::kMaxPlayableTicks)
            .arg(m_subject);
    case kErrZeroTempo:
        return QStringLiteral("该MIDI文件的速度为0，本程序无法播放：%1").arg(m_subject);
    case kErrFileTooLarge:
        return QStringLiteral("该文件大于%1 MB，不是本程序能播放的MIDI文件：%2")
            .arg(midi::kMaxMidiFileBytes >> 20)
            .arg(m_subject);
    default:
        return QStringLiteral("Unknown error code");
    }
}

// FluidSynth's own words about the failure, when it said any.
QString FluidSynthSequencer::errorDetail(ErrorCode code) const {
    if (code == 0 || code != m_failedCode) {
        return {};
    }
    return m_detail.join(QLatin1Char('\n'));
}

QString FluidSynthSequencer::failureText() const {
    return QStringLiteral("FluidSynth未能播放该MIDI文件：%1").arg(m_path);
}

} // namespace tunelet::playback
