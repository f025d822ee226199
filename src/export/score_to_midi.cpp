// ScoreToMidi: compiles the score's lines into a format-1 Standard MIDI File.
#include "export/score_to_midi.h"

#include <algorithm>

#include "score/atomic_file.h"

namespace tunelet::midi {

namespace {

constexpr int kStartVelocity = 80;
constexpr char kEndMarkerKey = 0x3C; // key 60, velocity 0: carries the duration as delta

void putBigEndian32(char *at, std::uint32_t value) {
    at[0] = static_cast<char>(value >> 24);
    at[1] = static_cast<char>(value >> 16);
    at[2] = static_cast<char>(value >> 8);
    at[3] = static_cast<char>(value);
}

// An upper bound of the file size: a token gives at most three bytes per character of the
// line (a note of 4 characters gives 11, a rest of 3 gives 8), plus a few for a last token
// without separator, the chunk header and the end of track.
std::size_t maxFileSize(const std::vector<std::string> &lines) {
    std::size_t size = 14;
    for (const std::string &line : lines) {
        size += 3 * line.size() + 20;
    }
    return size;
}

// Compiles one line into a buffer sized by maxFileSize(), so nothing is allocated per token.
class TrackWriter {
public:
    TrackWriter(char *out, int &velocity, bool staccato, std::size_t channel)
        : m_out(out), m_velocity(velocity), m_staccato(staccato),
          m_noteOn(static_cast<char>(0x90 | channel)),
          m_programChange(static_cast<char>(0xC0 | channel)) {}

    // Returns the end of the written chunk, or nullptr with the fault filled in.
    char *write(std::string_view line, ExportResult &result);

private:
    void put(char byte) { *m_out++ = byte; }
    void status() {
        // Running status: the note-on status byte is written once until a program change.
        if (!m_running) {
            put(m_noteOn);
            m_running = true;
        }
    }
    void endMarker(std::string_view durationBytes) {
        for (char byte : durationBytes) {
            put(byte);
        }
        put(kEndMarkerKey);
        put('\0');
    }
    ScanFault append(const Token &token);

    char *m_out;
    int &m_velocity;
    bool m_staccato;
    char m_noteOn;
    char m_programChange;
    bool m_running = false;
};

ScanFault TrackWriter::append(const Token &token) {
    switch (token.kind) {
    case TokenKind::Note:
        if (token.key > 127) {
            return ScanFault::KeyOutOfRange;
        }
        put('\0');
        status();
        put(static_cast<char>(token.key));
        put(static_cast<char>(m_velocity));
        endMarker(token.durationBytes);
        if (m_staccato) {
            // The note's own release, right after the duration.
            put('\0');
            put(static_cast<char>(token.key));
            put('\0');
        }
        break;
    case TokenKind::Rest:
        put('\0');
        status();
        put(kEndMarkerKey);
        put('\0');
        endMarker(token.durationBytes);
        break;
    case TokenKind::Program:
        if (token.value < 0 || token.value > 127) {
            return ScanFault::ProgramOutOfRange;
        }
        put('\0');
        put(m_programChange);
        put(static_cast<char>(token.value));
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

char *TrackWriter::write(std::string_view line, ExportResult &result) {
    char *chunk = m_out;
    for (char byte : std::string_view("MTrk\0\0\0\0", 8)) {
        put(byte);
    }
    LineScanner scanner(line);
    while (std::optional<Token> token = scanner.next()) {
        ScanFault fault = append(*token);
        if (fault != ScanFault::None) {
            result.failure = ExportFailure::TokenError;
            result.scanFault = fault;
            result.position = token->position;
            result.tokenStart = token->position;
            return nullptr;
        }
    }
    if (scanner.fault() != ScanFault::None) {
        result.failure = scanner.fault() == ScanFault::BadNumber ? ExportFailure::NumberError
                                                                 : ExportFailure::TokenError;
        result.scanFault = scanner.fault();
        result.position = scanner.faultPosition();
        result.tokenStart = scanner.faultTokenStart();
        return nullptr;
    }
    for (char byte : std::string_view("\0\xFF\x2F\0", 4)) {
        put(byte);
    }
    putBigEndian32(chunk + 4, static_cast<std::uint32_t>(m_out - chunk - 8));
    return m_out;
}

} // namespace

ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options) {
    ExportResult result;
    if (lines.empty()) {
        result.failure = ExportFailure::NoTracks;
        return result;
    }
    if (lines.size() > kMaxTracks) {
        result.failure = ExportFailure::TooManyTracks;
        return result;
    }
    // Division 0 means nothing in a MIDI file, and a set top bit would mean SMPTE time.
    if (options.division == 0 || options.division > 0x7FFF) {
        result.failure = ExportFailure::ZeroDivision;
        return result;
    }
    std::string &out = result.bytes;
    out.resize(maxFileSize(lines));
    const std::string_view header("MThd\0\0\0\x06\0\x01\0", 11);
    char *end = std::copy(header.begin(), header.end(), out.data());
    *end++ = static_cast<char>(lines.size());
    *end++ = static_cast<char>(options.division >> 8);
    *end++ = static_cast<char>(options.division & 0xFF);

    // The velocity carries over from one track to the next within one export.
    int velocity = kStartVelocity;
    for (std::size_t t = 0; t < lines.size(); ++t) {
        end = TrackWriter(end, velocity, options.staccato, t).write(lines[t], result);
        if (end == nullptr) {
            result.track = t + 1;
            result.bytes.clear();
            result.bytes.shrink_to_fit();
            return result;
        }
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return result;
}

ExportResult scoreToMidi(const std::vector<std::string> &lines, ExportOptions options,
                         const std::string &outputPath) {
    ExportResult result = compileScore(lines, options);
    if (!result.ok()) {
        return result;
    }
    // Written whole to a temporary file and renamed, so a failed export never leaves a
    // broken file and an old file stays as it was.
    if (!score::replaceFileAtomically(outputPath, result.bytes)) {
        result.failure = ExportFailure::WriteError;
        result.bytes.clear();
    }
    return result;
}

} // namespace tunelet::midi
