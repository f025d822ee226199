// Rendering: a Standard MIDI File to a WAV file through FluidSynth's file renderer, on the
// sample clock, so the music is computed as fast as the machine allows.
#include "render/wav_renderer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "score/atomic_file.h"

namespace tunelet::render {

namespace {

constexpr int kPeriodFrames = 512;            // frames per block: the release ends within 12 ms
constexpr int kBytesPerFrame = 4;             // two channels of 16 bits
constexpr std::uint64_t kWavHeaderBytes = 44; // RIFF, fmt and data chunk headers at least
constexpr int kQuietSample = 3;               // |sample| <= 3 of 32768 is below -80 dBFS
// The RIFF and data chunk sizes are 32-bit numbers; leave room for the header.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 4096;

// FluidSynth's log, routed into the result of the rendering on this thread while a
// capture lives; the functions before it are put back afterwards.
thread_local std::vector<std::string> *t_log = nullptr;

void collectLog(int level, const char *message, void *) {
    // Warnings and errors explain a failure; information and debugging lines do not.
    if (t_log != nullptr && message != nullptr && level <= FLUID_WARN) {
        t_log->emplace_back(message);
    }
}

// FluidSynth's SoundFont loader (libinstpatch) complains about a damaged file through
// GLib's log rather than FluidSynth's.
void collectGLibLog(const gchar *, GLogLevelFlags level, const gchar *message, gpointer) {
    if (t_log != nullptr && message != nullptr &&
        (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) {
        t_log->emplace_back(message);
    }
}

class LogCapture {
public:
    explicit LogCapture(std::vector<std::string> &lines) : m_outer(t_log) {
        t_log = &lines;
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            m_previous[level] = fluid_set_log_function(level, collectLog, nullptr);
        }
        m_previousGLib = g_log_set_default_handler(collectGLibLog, nullptr);
    }
    ~LogCapture() {
        g_log_set_default_handler(m_previousGLib, nullptr);
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            fluid_set_log_function(level, m_previous[level], nullptr);
        }
        t_log = m_outer;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

private:
    std::array<fluid_log_function_t, LAST_LOG_LEVEL> m_previous{};
    GLogFunc m_previousGLib;
    std::vector<std::string> *m_outer;
};

// The file FluidSynth renders into, without a name in any folder from the start (or from
// a moment after its creation where the file system cannot make unnamed files), so a
// process killed while rendering leaves nothing behind. FluidSynth opens it by name
// through /proc; the renderer reads it back through its own descriptor.
class ScratchFile {
public:
    explicit ScratchFile(const std::string &folder) {
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            std::string name = (std::filesystem::path(folder) / "tunelet-XXXXXX.wav").string();
            m_fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
            if (m_fd >= 0) {
                ::unlink(name.c_str());
            }
        }
        if (m_fd < 0) {
            m_error = errno;
        }
    }
    ~ScratchFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    int fd() const { return m_fd; }
    int error() const { return m_error; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd = -1;
    int m_error = 0;
};

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size && at + std::size_t(i) < bytes.size(); ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + std::size_t(i)]);
    }
    return value;
}

// A variable-length number (a delta time or a length) at at, which moves past it.
std::uint64_t variableLength(std::string_view track, std::size_t &at) {
    std::uint64_t value = 0;
    for (int i = 0; i < 4 && at < track.size(); ++i) {
        const auto byte = static_cast<unsigned char>(track[at++]);
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    return value;
}

// The sum of a track's delta times.
std::uint64_t trackTicks(std::string_view track) {
    std::uint64_t ticks = 0;
    unsigned char status = 0;
    for (std::size_t at = 0; at < track.size();) {
        ticks += variableLength(track, at);
        if (at < track.size() && static_cast<unsigned char>(track[at]) >= 0x80) {
            status = static_cast<unsigned char>(track[at++]);
        }
        if (status == 0xFF) {
            ++at; // the meta event's type, then its length
            at += variableLength(track, at);
        } else if (status == 0xF0 || status == 0xF7) {
            at += variableLength(track, at);
        } else {
            at += (status & 0xE0) == 0xC0 ? 1 : 2; // program and pressure have one data byte
        }
    }
    return ticks;
}

} // namespace

std::uint64_t musicFrames(std::string_view midi) {
    const std::uint32_t division = bigEndian(midi, 12, 2);
    if (midi.substr(0, 4) != "MThd" || division == 0 || (division & 0x8000) != 0) {
        return 0;
    }
    std::uint64_t longest = 0;
    for (std::size_t at = 8 + bigEndian(midi, 4, 4); at + 8 <= midi.size();) {
        const std::uint32_t size = bigEndian(midi, at + 4, 4);
        longest = std::max(longest, trackTicks(midi.substr(at + 8, size)));
        at += 8 + std::size_t(size);
    }
    // A quarter note lasts half a second at the default tempo.
    return longest * kWavSampleRate / (2 * std::uint64_t(division));
}

namespace {

std::string scratchFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

// Members go from the last to the first, FluidSynth's order: the renderer (which
// finishes the file's header), the player, the synth, the settings.
struct Engine {
    FluidPtr<fluid_settings_t> settings;
    FluidPtr<fluid_synth_t> synth;
    FluidPtr<fluid_player_t> player;
    FluidPtr<fluid_file_renderer_t> renderer;
};

bool failed(RenderResult &result, RenderFailure failure, int systemError = 0) {
    result.failure = failure;
    result.systemError = systemError;
    return false;
}

// The settings, the synth with its SoundFont, the player with the music and the file
// renderer writing into path.
bool setUp(Engine &engine, std::string_view midi, const std::string &path, RenderResult &result) {
    engine.settings.reset(new_fluid_settings());
    if (!engine.settings) {
        return failed(result, RenderFailure::Synth);
    }
    fluid_settings_t *settings = engine.settings.get();
    applySynthSettings(settings, kWavSampleRate);
    fluid_settings_setstr(settings, "audio.file.name", path.c_str());
    fluid_settings_setstr(settings, "audio.file.type", "wav");
    fluid_settings_setstr(settings, "audio.file.format", "s16");
    fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
    engine.synth.reset(new_fluid_synth(settings));
    if (!engine.synth) {
        return failed(result, RenderFailure::Synth);
    }
    if (fluid_synth_sfload(engine.synth.get(), result.soundFont.c_str(), 1) == FLUID_FAILED) {
        return failed(result, RenderFailure::SoundFontLoad);
    }
    engine.player.reset(new_fluid_player(engine.synth.get()));
    if (!engine.player ||
        fluid_player_add_mem(engine.player.get(), midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(engine.player.get()) != FLUID_OK) {
        return failed(result, RenderFailure::Synth);
    }
    engine.renderer.reset(new_fluid_file_renderer(engine.synth.get()));
    if (!engine.renderer) {
        return failed(result, RenderFailure::Renderer);
    }
    return true;
}

bool renderBlock(Engine &engine, RenderResult &result) {
    if ((result.frames + kPeriodFrames) * kBytesPerFrame > kMaxDataBytes) {
        return failed(result, RenderFailure::TooLong);
    }
    if (fluid_file_renderer_process_block(engine.renderer.get()) != FLUID_OK) {
        return failed(result, RenderFailure::Renderer);
    }
    result.frames += kPeriodFrames;
    return true;
}

// Whether the block of samples at offset in the file is below -80 dBFS. The renderer
// writes every block to the file as it goes; a block that cannot be read back counts as
// sound, so the release goes on (up to its limit) rather than cutting a note.
bool quietAt(int fd, off_t offset) {
    std::array<unsigned char, std::size_t(kPeriodFrames) * kBytesPerFrame> block;
    if (::pread(fd, block.data(), block.size(), offset) != ssize_t(block.size())) {
        return false;
    }
    for (std::size_t i = 0; i < block.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(block[i] | block[i + 1] << 8);
        if (std::abs(int(sample)) > kQuietSample) {
            return false;
        }
    }
    return true;
}

// The music until the player has finished, then its last notes ringing out until the
// output has been quiet for a while.
bool render(Engine &engine, const ScratchFile &scratch, const WavOptions &options,
            RenderResult &result) {
    struct stat header {};
    if (::fstat(scratch.fd(), &header) != 0) {
        return failed(result, RenderFailure::ScratchFile, errno);
    }
    // The music ends at its last tick. FluidSynth's player itself would go on until every
    // voice has died away, far below hearing; the release below ends at silence instead.
    fluid_player_t *player = engine.player.get();
    while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
        if (!renderBlock(engine, result)) {
            return false;
        }
        // Until the player has read the music it reports no ticks at all.
        const int total = fluid_player_get_total_ticks(player);
        if (total > 0 && fluid_player_get_current_tick(player) >= total) {
            break;
        }
    }
    result.musicFrames = result.frames;
    const auto quietNeeded = std::uint64_t(options.quietSeconds * kWavSampleRate);
    const auto maxRelease = std::uint64_t(options.maxReleaseSeconds * kWavSampleRate);
    std::uint64_t quiet = 0;
    while (quiet < quietNeeded && result.frames - result.musicFrames < maxRelease) {
        const off_t at = header.st_size + off_t(result.frames * kBytesPerFrame);
        if (!renderBlock(engine, result)) {
            return false;
        }
        quiet = quietAt(scratch.fd(), at) ? quiet + kPeriodFrames : 0;
    }
    engine.renderer.reset(); // writes the sizes into the header and closes the file
    return true;
}

std::optional<std::string> readAll(int fd, std::uint64_t expectedSize) {
    std::string bytes(expectedSize, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n <= 0) {
            return std::nullopt;
        }
        done += std::size_t(n);
    }
    return bytes;
}

std::string withLog(std::string text, const RenderResult &result) {
    if (!result.log.empty()) {
        text += "（FluidSynth：" + result.log.back() + "）";
    }
    return text;
}

} // namespace

RenderResult renderWav(std::string_view midi, const std::string &outputPath,
                       const WavOptions &options) {
    RenderResult result;
    const std::optional<std::string> soundFont = firstExistingSoundFont(options.soundFonts);
    if (!soundFont) {
        failed(result, RenderFailure::NoSoundFont);
        return result;
    }
    result.soundFont = *soundFont;
    // Refused before a single sample: the music and its longest release must fit the file.
    const auto maxRelease = std::uint64_t(options.maxReleaseSeconds * kWavSampleRate);
    if ((musicFrames(midi) + maxRelease + kPeriodFrames) * kBytesPerFrame > kMaxDataBytes) {
        failed(result, RenderFailure::TooLong);
        return result;
    }
    result.scratchFolder = scratchFolder();
    const ScratchFile scratch(result.scratchFolder);
    if (scratch.fd() < 0) {
        failed(result, RenderFailure::ScratchFile, scratch.error());
        return result;
    }
    {
        const LogCapture capture(result.log);
        Engine engine;
        if (!setUp(engine, midi, scratch.path(), result) ||
            !render(engine, scratch, options, result)) {
            return result;
        }
    }
    struct stat written {};
    if (::fstat(scratch.fd(), &written) != 0) {
        failed(result, RenderFailure::ScratchFile, errno);
        return result;
    }
    // A file shorter than its samples lost some on the way (a full temporary folder).
    if (std::uint64_t(written.st_size) < result.frames * kBytesPerFrame + kWavHeaderBytes) {
        failed(result, RenderFailure::Renderer);
        return result;
    }
    errno = 0;
    const std::optional<std::string> bytes = readAll(scratch.fd(), std::uint64_t(written.st_size));
    if (!bytes) {
        failed(result, RenderFailure::ScratchFile, errno == 0 ? EIO : errno);
        return result;
    }
    if (const score::FileWriteResult replaced = score::replaceFileAtomically(outputPath, *bytes);
        !replaced.ok()) {
        failed(result, RenderFailure::WriteError, replaced.error);
    }
    return result;
}

std::string renderFailureText(const RenderResult &result, const std::string &outputPath) {
    switch (result.failure) {
    case RenderFailure::None:
        break;
    case RenderFailure::NoSoundFont:
        return "找不到General MIDI音色库（default-GM.sf2 或 TimGM6mb.sf2），"
               "请安装软件包 timgm6mb-soundfont";
    case RenderFailure::SoundFontLoad:
        return withLog("无法载入音色库“" + result.soundFont + "”", result);
    case RenderFailure::Synth:
        return withLog("无法启动FluidSynth合成器", result);
    case RenderFailure::Renderer:
        return withLog("FluidSynth未能生成音频（临时文件夹“" + result.scratchFolder + "”）",
                       result);
    case RenderFailure::TooLong:
        return "音乐太长，WAV文件容纳不下（最长约6小时）";
    case RenderFailure::ScratchFile:
        return "无法在临时文件夹“" + result.scratchFolder + "”中生成音频：" +
               score::systemErrorText(result.systemError, score::FileAccess::Write);
    case RenderFailure::WriteError:
        return "无法写入文件“" + outputPath + "”：" +
               score::systemErrorText(result.systemError, score::FileAccess::Write);
    }
    return {};
}

} // namespace tunelet::render
