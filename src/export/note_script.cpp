// Note script: the token tables, the @/# number conversion and the line scanner.
#include "export/note_script.h"

#include <array>

namespace tunelet::midi {

namespace {

// Delta-time bytes of the eight durations a..h (variable-length encoding of the ticks).
constexpr std::array<std::string_view, 8> kDurationBytes = {
    std::string_view("\x81\x40", 2), std::string_view("\x81\x10", 2), std::string_view("\x60", 1),
    std::string_view("\x30", 1),     std::string_view("\x18", 1),     std::string_view("\x0C", 1),
    std::string_view("\x06", 1),     std::string_view("\x48", 1),
};
constexpr std::array<int, 8> kTicks = {192, 144, 96, 48, 24, 12, 6, 72};

std::optional<int> digitValue(char c, int base) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (base == 16 && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (base == 16 && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return std::nullopt;
}

bool isPitch(char c) {
    return (c >= '1' && c <= '7') || (c >= 'v' && c <= 'z');
}

} // namespace

std::optional<int> semitoneOf(char pitch) {
    switch (pitch) {
    case '1':
        return 0;
    case 'v':
        return 1;
    case '2':
        return 2;
    case 'w':
        return 3;
    case '3':
        return 4;
    case '4':
        return 5;
    case 'x':
        return 6;
    case '5':
        return 7;
    case 'y':
        return 8;
    case '6':
        return 9;
    case 'z':
        return 10;
    case '7':
        return 11;
    default:
        return std::nullopt;
    }
}

std::optional<int> octaveIndexOf(char octave) {
    if (octave >= 'a' && octave <= 'k') {
        return octave - 'a';
    }
    return std::nullopt;
}

std::optional<int> ticksOf(char duration) {
    if (duration >= 'a' && duration <= 'h') {
        return kTicks[static_cast<std::size_t>(duration - 'a')];
    }
    return std::nullopt;
}

std::string_view durationBytesOf(char duration) {
    if (duration >= 'a' && duration <= 'h') {
        return kDurationBytes[static_cast<std::size_t>(duration - 'a')];
    }
    return {};
}

std::optional<int> convertTokenNumber(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') {
        ++i;
    }
    int base = 10;
    bool negative = false;
    std::string_view rest = field.substr(i);
    if (rest.starts_with("0x") || rest.starts_with("0X")) {
        base = 16;
        i += 2;
    } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        base = 16;
        i += 1;
    } else if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        i += 1;
    }
    if (i >= field.size()) {
        return std::nullopt; // a sign or prefix with no digit after it
    }
    int value = 0;
    for (; i < field.size(); ++i) {
        std::optional<int> digit = digitValue(field[i], base);
        if (!digit) {
            return std::nullopt;
        }
        value = value * base + *digit;
    }
    return negative ? -value : value;
}

std::optional<Token> LineScanner::next() {
    if (m_fault != ScanFault::None || m_index >= m_line.size()) {
        return std::nullopt;
    }
    const std::size_t start = m_index;
    const std::size_t len = m_line.size();
    auto fail = [&](ScanFault fault, std::size_t offset) -> std::optional<Token> {
        m_fault = fault;
        m_faultPosition = start + offset + 1;
        m_faultTokenStart = start + 1;
        return std::nullopt;
    };
    Token token;
    token.position = start + 1;
    const char first = m_line[start];
    if (isPitch(first) || first == '0') {
        // Pitch (or rest), then octave, then duration: the first bad one is the fault.
        const bool rest = first == '0';
        std::size_t offset = 1;
        if (!rest) {
            if (start + offset >= len) {
                return fail(ScanFault::TruncatedToken, offset);
            }
            std::optional<int> octave = octaveIndexOf(m_line[start + offset]);
            if (!octave) {
                return fail(ScanFault::BadOctave, offset);
            }
            token.key = 12 * *octave + *semitoneOf(first);
            ++offset;
        }
        if (start + offset >= len) {
            return fail(ScanFault::TruncatedToken, offset);
        }
        const char duration = m_line[start + offset];
        std::optional<int> ticks = ticksOf(duration);
        if (!ticks) {
            return fail(ScanFault::BadDuration, offset);
        }
        token.kind = rest ? TokenKind::Rest : TokenKind::Note;
        token.ticks = *ticks;
        token.durationBytes = durationBytesOf(duration);
        m_index = start + offset + 2;
        return token;
    }
    if (first == '@' || first == '#') {
        // A field cut short by the end of the line takes the digits that are there.
        std::optional<int> value = convertTokenNumber(m_line.substr(start + 1, 3));
        if (!value) {
            return fail(ScanFault::BadNumber, 1);
        }
        token.kind = first == '@' ? TokenKind::Program : TokenKind::Volume;
        token.value = *value;
        m_index = start + 5;
        return token;
    }
    return fail(ScanFault::BadTokenStart, 0);
}

} // namespace tunelet::midi
