// Note script: the token tables, the @/# number conversion and the line scanner.
#include "export/note_script.h"

namespace tunelet::midi {

namespace {

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

} // namespace

std::optional<int> semitoneOf(char pitch) {
    const int semitone = detail::kSemitones[static_cast<unsigned char>(pitch)];
    return semitone < 0 ? std::nullopt : std::optional<int>(semitone);
}

std::optional<int> octaveIndexOf(char octave) {
    if (octave >= 'a' && octave <= 'k') {
        return octave - 'a';
    }
    return std::nullopt;
}

std::optional<int> ticksOf(char duration) {
    if (duration >= 'a' && duration <= 'h') {
        return detail::kTicks[static_cast<std::size_t>(duration - 'a')];
    }
    return std::nullopt;
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

std::optional<Token> LineScanner::fail(ScanFault fault, std::size_t start, std::size_t offset) {
    m_fault = fault;
    m_faultPosition = start + offset + 1;
    m_faultTokenStart = start + 1;
    return std::nullopt;
}

std::optional<Token> LineScanner::numberToken(std::size_t start) {
    // A field cut short by the end of the line takes the digits that are there.
    std::optional<int> value = convertTokenNumber(m_line.substr(start + 1, 3));
    if (!value) {
        return fail(ScanFault::BadNumber, start, 1);
    }
    Token token;
    token.kind = m_line[start] == '@' ? TokenKind::Program : TokenKind::Volume;
    token.position = start + 1;
    token.value = *value;
    m_index = start + 5;
    return token;
}

} // namespace tunelet::midi
