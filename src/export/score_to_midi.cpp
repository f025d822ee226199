// ScoreToMidi: compiles the score's lines into a format-1 Standard MIDI File.
#include "export/score_to_midi.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "score/atomic_file.h"
#include "score/lyrics.h"
#include "score/song_block.h"

namespace tunelet::midi {

namespace {

constexpr int kStartVelocity = 80;
constexpr char kEndMarkerKey = 0x3C; // key 60, velocity 0: carries the duration as delta
constexpr std::uint64_t kMaxTrackBytes = 0xFFFFFFFF; // the chunk length has 32 bits

std::string bigEndian32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

constexpr char kTrackName = 0x03;
constexpr char kLyric = 0x05;
constexpr char kTimeSignature = 0x58;
constexpr char kKeySignature = 0x59;
constexpr char kSequencerSpecific = 0x7F;
constexpr char kNonCommercialId = 0x7D; // the manufacturer ID kept for private use

// A meta event at delta 0: FF, its type, the length as a variable-length quantity, data.
std::string metaEvent(char type, std::string_view data) {
    std::string length(1, static_cast<char>(data.size() & 0x7F));
    for (std::size_t rest = data.size() >> 7; rest != 0; rest >>= 7) {
        length.insert(length.begin(), static_cast<char>(0x80 | (rest & 0x7F)));
    }
    return std::string{'\0', '\xFF', type} + length + std::string(data);
}

// The lyric event's text of each note of a part (empty: no event), from verse 1 of its
// words. The text is UTF-8, as today's players and notation programs read it and as the
// words are kept, so Chinese and Latin words need no code page. Words are marked as
// karaoke players and notation programs expect: a syllable that ends a word ends with a
// space, one whose word goes on in the next syllable (a hyphen in the 简谱) has nothing
// after it; Chinese characters, sung one to a note without spaces between them, get no
// space either, so a line of them reads as it is written. A note holding a syllable over
// (a melisma) and a skipped note get no event.
std::vector<std::string> lyricTexts(std::string_view line, const std::string &words) {
    std::size_t notes = 0;
    LineScanner scanner(line);
    while (const std::optional<Token> token = scanner.next()) {
        notes += token->kind == TokenKind::Note ? 1 : 0;
    }
    const score::PlacedSyllables placed =
        score::placeSyllables(score::splitSyllables(words), notes);
    std::vector<std::string> texts;
    texts.reserve(notes);
    for (const score::NoteSyllable &note : placed.notes) {
        std::string text = note.text;
        if (!text.empty() && !note.hyphenAfter && !score::endsWide(text)) {
            text += ' ';
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

// The first track of a song: its properties at tick 0, and no note.
std::string songTrack(const score::SongProperties &song) {
    std::string events;
    if (!song.title.empty()) {
        events += metaEvent(kTrackName, song.title);
    }
    if (song.time) {
        int log2Unit = 0;
        for (int unit = song.time->unit; unit > 1; unit >>= 1) {
            ++log2Unit;
        }
        // A metronome click on every written unit (24 MIDI clocks to a quarter note),
        // and eight 32nd notes to a quarter note.
        const char data[] = {static_cast<char>(song.time->beats), static_cast<char>(log2Unit),
                             static_cast<char>(96 / song.time->unit), 8};
        events += metaEvent(kTimeSignature, std::string_view(data, 4));
    }
    if (song.key) {
        // A major key: 1=X names the major scale's tonic.
        const char data[] = {static_cast<char>(song.key->signatureAccidentals()), 0};
        events += metaEvent(kKeySignature, std::string_view(data, 2));
    }
    events += metaEvent(kSequencerSpecific,
                        std::string(1, kNonCommercialId) + score::formatSongBlock(song));
    events += std::string("\0\xFF\x2F\0", 4);
    return "MTrk" + bigEndian32(static_cast<std::uint32_t>(events.size())) + events;
}

// About what the file takes: a token gives at most three bytes per character of the
// line (a note of 4 characters gives 11, a rest of 3 gives 8), plus a few for a last token
// without separator, the chunk header and the end of track. Only a first size: the
// buffer grows when an output is longer, it is never overrun.
std::size_t expectedFileSize(const std::vector<std::string> &lines) {
    std::size_t size = 14;
    for (const std::string &line : lines) {
        size += 3 * line.size() + 20;
    }
    return size;
}

// The file's bytes, appended in small groups. Every append checks the room left in the
// buffer itself and grows it when needed, so no event can write past the end, whatever
// size was expected; inline, because every token costs a few appends.
class ByteAppender {
public:
    ByteAppender(std::string &out, std::size_t expected) : m_out(out) {
        grow(std::max<std::size_t>(expected, 64));
    }
    ~ByteAppender() { m_out.resize(size()); }
    ByteAppender(const ByteAppender &) = delete;
    ByteAppender &operator=(const ByteAppender &) = delete;

    std::size_t size() const { return static_cast<std::size_t>(m_next - m_out.data()); }
    void append(std::string_view bytes) {
        if (bytes.size() > static_cast<std::size_t>(m_end - m_next)) {
            grow(bytes.size());
        }
        std::memcpy(m_next, bytes.data(), bytes.size());
        m_next += bytes.size();
    }
    // A group of a size known where it is written: copied without a call.
    template <std::size_t N> void append(const char (&bytes)[N]) {
        if (N > static_cast<std::size_t>(m_end - m_next)) {
            grow(N);
        }
        std::memcpy(m_next, bytes, N);
        m_next += N;
    }
    // Overwrites bytes already appended (a chunk's length, known only at its end).
    void overwrite(std::size_t at, std::string_view bytes) {
        if (at > size() || bytes.size() > size() - at) {
            throw std::out_of_range("ByteAppender::overwrite");
        }
        std::memcpy(m_out.data() + at, bytes.data(), bytes.size());
    }
    void discard() { m_next = m_out.data(); }

private:
    // Room for at least more bytes after the ones appended. Rare: kept out of line, so
    // that the appends stay small enough to be inlined.
    [[gnu::noinline]] void grow(std::size_t more) {
        const std::size_t used = size();
        m_out.resize(std::max(2 * m_out.size(), used + more));
        m_next = m_out.data() + used;
        m_end = m_out.data() + m_out.size();
    }

    std::string &m_out;
    char *m_next = m_out.data();
    char *m_end = m_next;
};

// Compiles one line and appends its track chunk to the file's bytes.
class TrackWriter {
public:
    TrackWriter(ByteAppender &out, int &velocity, bool staccato, std::size_t channel)
        : m_out(out), m_velocity(velocity), m_staccato(staccato),
          m_noteOn(static_cast<char>(0x90 | channel)),
          m_programChange(static_cast<char>(0xC0 | channel)) {}

    // Returns false with the fault filled in; the chunk is then incomplete. A name, when
    // given, is the track's name event before its first note; lyrics, when given, are
    // the lyric events of the line's notes in order (lyricTexts).
    bool write(std::string_view line, std::uint64_t maxTrackBytes, ExportResult &result,
               std::string_view name = {}, const std::vector<std::string> &lyrics = {});

private:
    // The duration's delta bytes, the EndMarker and, for a note with staccato, the key's
    // release, in one append of a known size (every duration's delta has one or two bytes).
    void endMarker(std::string_view delta, bool release, char key = 0) {
        const char d0 = delta.empty() ? '\0' : delta[0];
        if (delta.size() == 1 && release) {
            m_out.append({d0, kEndMarkerKey, '\0', '\0', key, '\0'});
        } else if (delta.size() == 1) {
            m_out.append({d0, kEndMarkerKey, '\0'});
        } else if (delta.size() == 2 && release) {
            m_out.append({d0, delta[1], kEndMarkerKey, '\0', '\0', key, '\0'});
        } else if (delta.size() == 2) {
            m_out.append({d0, delta[1], kEndMarkerKey, '\0'});
        } else {
            m_out.append(delta);
            m_out.append({kEndMarkerKey, '\0'});
            if (release) {
                m_out.append({'\0', key, '\0'});
            }
        }
    }
    ScanFault append(const Token &token);

    ByteAppender &m_out;
    int &m_velocity;
    bool m_staccato;
    char m_noteOn;
    char m_programChange;
    bool m_running = false;
    const std::vector<std::string> *m_lyrics = nullptr;
    std::size_t m_note = 0; // the line's notes so far
};

ScanFault TrackWriter::append(const Token &token) {
    // Each event goes in with a few appends of whole byte groups, each checked by the
    // buffer; the running status decides the first group.
    switch (token.kind) {
    case TokenKind::Note: {
        if (token.key > 127) {
            return ScanFault::KeyOutOfRange;
        }
        const char key = static_cast<char>(token.key);
        const char velocity = static_cast<char>(m_velocity);
        if (m_lyrics != nullptr && m_note < m_lyrics->size() && !(*m_lyrics)[m_note].empty()) {
            // The syllable at the note's onset, before its note-on, so a player shows it as
            // the note sounds. A meta event ends the running status: the note-on that
            // follows carries its status byte again.
            m_out.append(metaEvent(kLyric, (*m_lyrics)[m_note]));
            m_running = false;
        }
        ++m_note;
        if (m_running) {
            m_out.append({'\0', key, velocity});
        } else {
            m_out.append({'\0', m_noteOn, key, velocity});
            m_running = true;
        }
        if (m_staccato) {
            // The EndMarker, then the note's own release right after the duration.
            endMarker(token.durationBytes, true, key);
        } else {
            endMarker(token.durationBytes, false);
        }
        break;
    }
    case TokenKind::Rest:
        if (m_running) {
            m_out.append({'\0', kEndMarkerKey, '\0'});
        } else {
            m_out.append({'\0', m_noteOn, kEndMarkerKey, '\0'});
            m_running = true;
        }
        endMarker(token.durationBytes, false);
        break;
    case TokenKind::Program:
        if (token.value < 0 || token.value > 127) {
            return ScanFault::ProgramOutOfRange;
        }
        m_out.append({'\0', m_programChange, static_cast<char>(token.value)});
        m_running = false;
        break;
    case TokenKind::Volume:
        if (token.value < 0) {
            return ScanFault::NegativeVolume;
        }
        // The volume dialog offers up to 255: louder than 127 is the loudest velocity.
        m_velocity = token.value > 127 ? 127 : token.value;
        break;
    }
    return ScanFault::None;
}

bool TrackWriter::write(std::string_view line, std::uint64_t maxTrackBytes, ExportResult &result,
                        std::string_view name, const std::vector<std::string> &lyrics) {
    m_lyrics = &lyrics;
    const std::size_t chunk = m_out.size();
    m_out.append(std::string_view("MTrk\0\0\0\0", 8));
    if (!name.empty()) {
        m_out.append(metaEvent(kTrackName, name));
    }
    LineScanner scanner(line);
    while (std::optional<Token> token = scanner.next()) {
        ScanFault fault = append(*token);
        if (fault != ScanFault::None) {
            result.failure = ExportFailure::TokenError;
            result.scanFault = fault;
            result.position = token->position;
            result.tokenStart = token->position;
            return false;
        }
    }
    if (scanner.fault() != ScanFault::None) {
        result.failure = scanner.fault() == ScanFault::BadNumber ? ExportFailure::NumberError
                                                                 : ExportFailure::TokenError;
        result.scanFault = scanner.fault();
        result.position = scanner.faultPosition();
        result.tokenStart = scanner.faultTokenStart();
        return false;
    }
    m_out.append({'\0', '\xFF', '\x2F', '\0'});
    const std::uint64_t length = m_out.size() - chunk - 8;
    if (length > maxTrackBytes) {
        // A cut length would make every later byte of the file unreadable.
        result.failure = ExportFailure::TrackTooLong;
        return false;
    }
    m_out.overwrite(chunk + 4, bigEndian32(static_cast<std::uint32_t>(length)));
    return true;
}

ExportResult failed(ExportFailure failure, int systemError = 0) {
    ExportResult result;
    result.failure = failure;
    result.systemError = systemError;
    return result;
}

std::string quoted(const std::string &path) {
    return "“" + path + "”";
}

} // namespace

namespace detail {

ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options,
                          std::uint64_t maxTrackBytes, const score::SongProperties &song) {
    if (lines.empty()) {
        return failed(ExportFailure::NoTracks);
    }
    if (lines.size() > kMaxTracks) {
        return failed(ExportFailure::TooManyTracks);
    }
    // Division 0 means nothing in a MIDI file, and a set top bit would mean SMPTE time.
    if (options.division == 0 || options.division > 0x7FFF) {
        return failed(ExportFailure::ZeroDivision);
    }
    ExportResult result;
    try {
        ByteAppender out(result.bytes, expectedFileSize(lines));
        // A song's properties take a track of their own before the lines' tracks.
        const bool withSong = !song.empty();
        out.append(std::string_view("MThd\0\0\0\x06\0\x01\0", 11));
        out.append({static_cast<char>(lines.size() + (withSong ? 1 : 0)),
                    static_cast<char>(options.division >> 8),
                    static_cast<char>(options.division & 0xFF)});
        if (withSong) {
            out.append(songTrack(song));
        }

        // The velocity carries over from one track to the next within one export.
        int velocity = kStartVelocity;
        for (std::size_t t = 0; t < lines.size(); ++t) {
            const std::string words = song.verse(t, 0);
            if (!TrackWriter(out, velocity, options.staccato, t)
                     .write(lines[t], maxTrackBytes, result, song.partName(t),
                            words.empty() ? std::vector<std::string>{}
                                          : lyricTexts(lines[t], words))) {
                result.track = t + 1;
                out.discard();
                break;
            }
        }
    } catch (const std::bad_alloc &) {
        return failed(ExportFailure::OutOfMemory, ENOMEM);
    }
    if (!result.ok()) {
        result.bytes.shrink_to_fit();
    }
    return result;
}

} // namespace detail

ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options) {
    return detail::compileScore(lines, options, kMaxTrackBytes);
}

ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options,
                          const score::SongProperties &song) {
    return detail::compileScore(lines, options, kMaxTrackBytes, song);
}

ExportResult scoreToMidi(const std::vector<std::string> &lines, ExportOptions options,
                         const std::string &outputPath, const std::string &scriptPath,
                         const score::SongProperties &song) {
    // Replacing the script with MIDI bytes would destroy the very score being exported.
    if (!scriptPath.empty() && score::isSameFile(scriptPath, outputPath)) {
        return failed(ExportFailure::SameFile);
    }
    ExportResult result = compileScore(lines, options, song);
    if (!result.ok()) {
        return result;
    }
    // Written whole to a temporary file and put in place, so a failed export never leaves
    // a broken file and an old file stays as it was.
    if (const score::FileWriteResult written =
            score::replaceFileAtomically(outputPath, result.bytes);
        !written.ok()) {
        result.failure = ExportFailure::WriteError;
        result.systemError = written.error;
        result.bytes.clear();
    }
    return result;
}

std::string failureMessage(ExportFailure failure) {
    switch (failure) {
    case ExportFailure::None:
        return {};
    case ExportFailure::NoTracks:
        return "当前没有任何音轨存在！";
    case ExportFailure::TooManyTracks:
        return "不允许有超过16个的音轨存在！";
    case ExportFailure::TokenError:
        return "音轨有错误，无法导出为MIDI文件！";
    case ExportFailure::NumberError:
    case ExportFailure::ZeroDivision:
    case ExportFailure::TrackTooLong:
    case ExportFailure::OutOfMemory:
    case ExportFailure::ReadError:
    case ExportFailure::SameFile:
    case ExportFailure::WriteError:
        break;
    }
    return "有错误产生，无法导出为MIDI文件！";
}

std::string failureDetail(const ExportResult &result, const std::string &scriptPath,
                          const std::string &outputPath) {
    using score::FileAccess;
    using score::systemErrorText;
    switch (result.failure) {
    case ExportFailure::ZeroDivision:
        return "时间增量不能用作 MIDI 文件的时间单位（不能为0，也不能大于32767）";
    case ExportFailure::TrackTooLong:
        return "第" + std::to_string(result.track) + "音轨的事件超过4 GB，MIDI 文件的音轨容纳不下";
    case ExportFailure::OutOfMemory:
        return "生成文件" + quoted(outputPath) + "时内存不足";
    case ExportFailure::ReadError:
        return "无法读取文件" + quoted(scriptPath) + "：" +
               systemErrorText(result.systemError, FileAccess::Read);
    case ExportFailure::SameFile:
        return "输出文件" + quoted(outputPath) + "就是脚本文件" + quoted(scriptPath) +
               "，导出会覆盖乐谱";
    case ExportFailure::WriteError:
        return "无法写入文件" + quoted(outputPath) + "：" +
               systemErrorText(result.systemError, FileAccess::Write);
    case ExportFailure::None:
    case ExportFailure::NoTracks:
    case ExportFailure::TooManyTracks:
    case ExportFailure::TokenError:
    case ExportFailure::NumberError:
        break;
    }
    return {};
}

} // namespace tunelet::midi
