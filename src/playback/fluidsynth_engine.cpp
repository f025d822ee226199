// Playback: setting up FluidSynth for FluidSynthSequencer (SoundFont, audio output,
// rendering) and the device's error texts.
#include "playback/fluidsynth_engine.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <array>
#include <mutex>

namespace tunelet::playback {

namespace {

thread_local QStringList *t_logLines = nullptr;

// Warnings and errors explain a failure; information and debugging lines do not.
void collectLog(int level, const char *message, void *) {
    if (t_logLines != nullptr && message != nullptr && level <= FLUID_WARN) {
        t_logLines->append(QString::fromUtf8(message));
    }
}

constexpr std::array kAudioDrivers = {"pulseaudio", "alsa"};

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

ErrorCode FluidSynthSequencer::ensureSynth() {
    if (m_engine->synth) {
        return 0;
    }
    const auto found = std::find_if(m_options.soundFonts.begin(), m_options.soundFonts.end(),
                                    [](const QString &path) { return QFileInfo(path).isFile(); });
    if (found == m_options.soundFonts.end()) {
        return fail(kErrNoSoundFont, {});
    }
    FluidLogCapture capture(m_detail);
    if (!m_engine->settings) {
        m_engine->settings.reset(new_fluid_settings());
        fluid_settings_t *settings = m_engine->settings.get();
        // The player moves on with the rendered samples, whichever thread renders them.
        fluid_settings_setstr(settings, "player.timing-source", "sample");
        fluid_settings_setnum(settings, "synth.sample-rate", m_options.sampleRate);
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        // FluidSynth's default gain (0.2) leaves a single General MIDI voice at about
        // -25 dBFS, too quiet beside other programs; 0.5 keeps 16 busy tracks from clipping.
        fluid_settings_setnum(settings, "synth.gain", 0.5);
    }
    m_engine->synth.reset(new_fluid_synth(m_engine->settings.get()));
    if (!m_engine->synth) {
        return fail(kErrSynth, {});
    }
    if (fluid_synth_sfload(m_engine->synth.get(), found->toLocal8Bit().constData(), 1) ==
        FLUID_FAILED) {
        m_engine->synth.reset(); // the next open tries again
        return fail(kErrSoundFontLoad, *found);
    }
    ++m_soundFontLoads;
    return 0;
}

ErrorCode FluidSynthSequencer::startOutput() {
    if (m_options.output == FluidSynthOptions::Output::Silent) {
        return 0;
    }
    FluidLogCapture capture(m_detail);
    for (const char *name : kAudioDrivers) {
        fluid_settings_setstr(m_engine->settings.get(), "audio.driver", name);
        m_engine->driver.reset(
            new_fluid_audio_driver2(m_engine->settings.get(), renderAudio, this));
        if (m_engine->driver) {
            return 0;
        }
    }
    return fail(kErrNoAudioOutput, {});
}

// FluidSynth's audio thread: render, then see whether the play reached its end.
int FluidSynthSequencer::renderAudio(void *data, int len, int nfx, float *fx[], int nout,
                                     float *out[]) {
    auto *self = static_cast<FluidSynthSequencer *>(data);
    unsigned generation = 0;
    {
        std::lock_guard lock(self->m_mutex);
        generation = self->m_playGeneration;
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
    self->afterRender(generation);
    return result;
}

void FluidSynthSequencer::renderMilliseconds(int ms) {
    const int frames = std::max(0, ms) * m_options.sampleRate / 1000;
    m_block.assign(std::size_t(frames) * 2, 0.0f);
    if (m_options.output != FluidSynthOptions::Output::Silent || !m_engine->synth) {
        return;
    }
    unsigned generation = 0;
    {
        std::lock_guard lock(m_mutex);
        generation = m_playGeneration;
    }
    fluid_synth_write_float(m_engine->synth.get(), frames, m_block.data(), 0, 2, m_block.data(), 1,
                            2);
    afterRender(generation);
}

ErrorCode FluidSynthSequencer::fail(ErrorCode code, const QString &subject) {
    m_subject = QDir::toNativeSeparators(subject);
    m_failedCode = code;
    return code;
}

QString FluidSynthSequencer::errorText(ErrorCode code) const {
    QString text;
    switch (code) {
    case 0:
        return QStringLiteral("命令已完成");
    case kErrFileUnreadable:
        return QStringLiteral("无法打开文件：%1").arg(m_subject);
    case kErrNotMidi:
        return QStringLiteral("该文件不是标准MIDI文件：%1").arg(m_subject);
    case kErrNoSoundFont:
        text = QStringLiteral("找不到General MIDI音色库（default-GM.sf2 或 TimGM6mb.sf2）");
        break;
    case kErrSoundFontLoad:
        text = QStringLiteral("无法载入音色库：%1").arg(m_subject);
        break;
    case kErrNoAudioOutput:
        text = QStringLiteral("无法打开音频输出（已尝试 pulseaudio、alsa）");
        break;
    case kErrSynth:
        text = QStringLiteral("无法启动FluidSynth合成器");
        break;
    case kErrNotOpen:
        return QStringLiteral("没有打开的MIDI文件");
    case kErrNotPaused:
        return QStringLiteral("MIDI文件没有暂停，无法继续播放");
    case kErrNotSupported:
        return QStringLiteral("MIDI设备不支持该命令");
    default:
        return QStringLiteral("Unknown error code");
    }
    // FluidSynth's own words about the failure, when it said any.
    if (code == m_failedCode && !m_detail.isEmpty()) {
        text += QLatin1Char('\n') + m_detail.join(QLatin1Char('\n'));
    }
    return text;
}

} // namespace tunelet::playback
