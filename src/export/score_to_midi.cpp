// ScoreToMidi: compiles the score's lines into a format-1 Standard MIDI File.
#include "export/score_to_midi.h"

#include "score/atomic_file.h"

namespace tunelet::midi {

namespace {

constexpr std::size_t kMaxTracks = 16;
constexpr int kStartVelocity = 80;
constexpr char kEndMarkerKey = 0x3C; // key 60, velocity 0: carries the duration as delta

void appendBigEndian32(std::string &out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value >> 24);
    out[at + 1] = static_cast<char>(value >> 16);
    out[at + 2] = static_cast<char>(value >> 8);
    out[at + 3] = static_cast<char>(value);
}

// Output of one line is at most three times its length (a rest of 3 bytes gives 7 event
// bytes, a note of 4 gives 11) plus the chunk header and the end of track.
std::size_t estimateSize(const std::vector<std::string> &lines) {
    std::size_t size = 14;
    for (const std::string &line : lines) {
        size += 8 + 4 + 3 * line.size() + 8;
    }
    return size;
}

// Compiles one line into out. Returns false with the fault filled in.
class TrackWriter {
public:
    TrackWriter(std::string &out, int &velocity, bool staccato)
        : m_out(out), m_velocity(velocity), m_staccato(staccato) {}

    bool write(std::string_view line, std::size_t channel, ExportResult &result);

private:
    void status(char channelStatus) {
        // Running status: the note-on status byte is written once until a program change.
        if (!m_running) {
            m_out.push_back(channelStatus);
            m_running = true;
        }
    }
    void endMarker(std::string_view durationBytes) {
        m_out.append(durationBytes);
        m_out.push_back(kEndMarkerKey);
        m_out.push_back('\0');
    }
    ScanFault append(const Token &token, char channel);

    std::string &m_out;
    int &m_velocity;
    bool m_staccato;
    bool m_running = false;
};

ScanFault TrackWriter::append(const Token &token, char channel) {
    const char noteOn = static_cast<char>(0x90 | channel);
    switch (token.kind) {
    case TokenKind::Note:
        if (token.key > 127) {
            return ScanFault::KeyOutOfRange;
        }
        m_out.push_back('\0');
        status(noteOn);
        m_out.push_back(static_cast<char>(token.key));
        m_out.push_back(static_cast<char>(m_velocity));
        endMarker(token.durationBytes);
        if (m_staccato) {
            // The note's own release, right after the duration.
            m_out.push_back('\0');
            m_out.push_back(static_cast<char>(token.key));
            m_out.push_back('\0');
        }
        break;
    case TokenKind::Rest:
        m_out.push_back('\0');
        status(noteOn);
        m_out.push_back(kEndMarkerKey);
        m_out.push_back('\0');
        endMarker(token.durationBytes);
        break;
    case TokenKind::Program:
        if (token.value < 0 || token.value > 127) {
            return ScanFault::ProgramOutOfRange;
        }
        m_out.push_back('\0');
        m_out.push_back(static_cast<char>(0xC0 | channel));
        m_out.push_back(static_cast<char>(token.value));
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

bool TrackWriter::write(std::string_view line, std::size_t channel, ExportResult &result) {
    const std::size_t chunkStart = m_out.size();
    m_out.append("MTrk\0\0\0\0", 8);
    LineScanner scanner(line);
    while (std::optional<Token> token = scanner.next()) {
        ScanFault fault = append(*token, static_cast<char>(channel));
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
    m_out.append("\0\xFF\x2F\0", 4);
    const std::size_t length = m_out.size() - chunkStart - 8;
    appendBigEndian32(m_out, chunkStart + 4, static_cast<std::uint32_t>(length));
    return true;
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
    out.reserve(estimateSize(lines));
    out.append("MThd\0\0\0\x06\0\x01", 10);
    out.push_back('\0');
    out.push_back(static_cast<char>(lines.size()));
    out.push_back(static_cast<char>(options.division >> 8));
    out.push_back(static_cast<char>(options.division & 0xFF));

    // The velocity carries over from one track to the next within one export.
    int velocity = kStartVelocity;
    for (std::size_t t = 0; t < lines.size(); ++t) {
        TrackWriter writer(out, velocity, options.staccato);
        if (!writer.write(lines[t], t, result)) {
            result.track = t + 1;
            result.bytes.clear();
            return result;
        }
    }
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
