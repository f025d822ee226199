// The note script: token kinds, the pitch/octave/duration tables and the line scanner.
// Shared by the MIDI export, the command-line diagnostics and the composing UI.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tunelet::midi {

enum class TokenKind { Note, Rest, Program, Volume };

// Why a scan or a value conversion failed.
enum class ScanFault {
    None,
    BadTokenStart,  // the character at a token start is none of 1-7, v-z, 0, @, #
    BadOctave,      // octave letter outside a..k
    BadDuration,    // duration letter outside a..h
    TruncatedToken, // a note or rest cut short by the end of the line
    BadNumber,      // the characters after @ or # do not convert to an integer
    // Found by the export, not the scanner: values that do not fit a MIDI data byte.
    KeyOutOfRange,     // yk, zk, 6k, 7k give keys 128..131
    ProgramOutOfRange, // @ value outside 0..127
    NegativeVolume,    // # value below 0 (above 127 is limited to 127 instead)
};

struct Token {
    TokenKind kind{};
    std::size_t position = 0;       // 1-based byte position of the token's first character
    int key = 0;                    // Note: 12 * octave index + semitone (may exceed 127)
    int ticks = 0;                  // Note, Rest: duration in ticks
    std::string_view durationBytes; // Note, Rest: the fixed variable-length delta bytes
    int value = 0;                  // Program, Volume: the converted number (may be out of range)
};

// Pitch letter -> semitone 0..11, or nullopt.
std::optional<int> semitoneOf(char pitch);
// Octave letter a..k -> 0..10, or nullopt.
std::optional<int> octaveIndexOf(char octave);
// Duration letter a..h -> ticks (192, 144, 96, 48, 24, 12, 6, 72), or nullopt.
std::optional<int> ticksOf(char duration);

// The three characters after "@" or "#" as one integer: leading blanks, then an optional
// + or - with decimal digits, or one of $ x X 0x 0X with hex digits; the end of the
// field ends the number. nullopt when there is no digit or a stray character.
std::optional<int> convertTokenNumber(std::string_view field);

// Walks one line token by token. Positions count bytes from 1; the separator after each
// token is skipped without being looked at.
class LineScanner {
public:
    explicit LineScanner(std::string_view line) : m_line(line) {}

    // The next token, or nullopt at the end of the line or after a fault. Inline: an
    // export calls it once per token.
    std::optional<Token> next();

    ScanFault fault() const { return m_fault; }
    // Where the fault is: 1-based byte position of the offending character (for a
    // truncated token, the position just past the end of the line), and the token start.
    std::size_t faultPosition() const { return m_faultPosition; }
    std::size_t faultTokenStart() const { return m_faultTokenStart; }

private:
    std::optional<Token> fail(ScanFault fault, std::size_t start, std::size_t offset);
    std::optional<Token> numberToken(std::size_t start);

    std::string_view m_line;
    std::size_t m_index = 0; // 0-based next token start
    ScanFault m_fault = ScanFault::None;
    std::size_t m_faultPosition = 0;
    std::size_t m_faultTokenStart = 0;
};

namespace detail {

// Per byte: the semitone of a pitch letter, -1 for any other byte.
inline constexpr std::array<signed char, 256> kSemitones = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    const char pitches[] = "1v2w34x5y6z7";
    for (signed char semitone = 0; semitone < 12; ++semitone) {
        table[static_cast<unsigned char>(pitches[semitone])] = semitone;
    }
    return table;
}();

// Durations a..h: ticks, and the variable-length delta-time bytes of those ticks.
inline constexpr std::array<int, 8> kTicks = {192, 144, 96, 48, 24, 12, 6, 72};
inline constexpr std::array<std::string_view, 8> kDurationBytes = {
    std::string_view("\x81\x40", 2), std::string_view("\x81\x10", 2), std::string_view("\x60", 1),
    std::string_view("\x30", 1),     std::string_view("\x18", 1),     std::string_view("\x0C", 1),
    std::string_view("\x06", 1),     std::string_view("\x48", 1),
};

} // namespace detail

inline std::optional<Token> LineScanner::next() {
    if (m_fault != ScanFault::None || m_index >= m_line.size()) {
        return std::nullopt;
    }
    const std::size_t start = m_index;
    const char first = m_line[start];
    const int semitone = detail::kSemitones[static_cast<unsigned char>(first)];
    if (semitone < 0 && first != '0') {
        if (first == '@' || first == '#') {
            return numberToken(start);
        }
        return fail(ScanFault::BadTokenStart, start, 0);
    }
    // Pitch (or rest), then octave, then duration: the first bad one is the fault.
    Token token;
    token.position = start + 1;
    std::size_t at = start + 1;
    if (semitone >= 0) {
        if (at >= m_line.size()) {
            return fail(ScanFault::TruncatedToken, start, 1);
        }
        const unsigned octave = static_cast<unsigned char>(m_line[at]) - 'a';
        if (octave > 10) {
            return fail(ScanFault::BadOctave, start, 1);
        }
        token.key = 12 * static_cast<int>(octave) + semitone;
        ++at;
    }
    if (at >= m_line.size()) {
        return fail(ScanFault::TruncatedToken, start, at - start);
    }
    const unsigned duration = static_cast<unsigned char>(m_line[at]) - 'a';
    if (duration > 7) {
        return fail(ScanFault::BadDuration, start, at - start);
    }
    token.kind = semitone >= 0 ? TokenKind::Note : TokenKind::Rest;
    token.ticks = detail::kTicks[duration];
    token.durationBytes = detail::kDurationBytes[duration];
    m_index = at + 2;
    return token;
}

} // namespace tunelet::midi
