// Transposition: note tokens moved by semitones, all or nothing.
#include "export/transpose.h"

namespace tunelet::midi {

namespace {

constexpr std::string_view kPitchLetters = "1v2w34x5y6z7";
constexpr int kHighestKey = 127;

} // namespace

TransposeResult transposeLine(std::string_view line, int semitones) {
    TransposeResult result;
    std::string moved(line);
    LineScanner scanner(line);
    while (std::optional<Token> token = scanner.next()) {
        if (token->kind != TokenKind::Note) {
            continue;
        }
        const int key = token->key + semitones;
        if (key < 0 || key > kHighestKey) {
            result.failure = TransposeFailure::OutOfRange;
            result.position = token->position;
            result.key = key;
            return result;
        }
        // The pitch letter and the octave letter: the token's first two bytes.
        moved[token->position - 1] = kPitchLetters[static_cast<std::size_t>(key % 12)];
        moved[token->position] = static_cast<char>('a' + key / 12);
    }
    if (scanner.fault() != ScanFault::None) {
        result.failure = TransposeFailure::ScanError;
        result.position = scanner.faultPosition();
        result.tokenStart = scanner.faultTokenStart();
        result.scanFault = scanner.fault();
        return result;
    }
    result.lines.push_back(std::move(moved));
    return result;
}

TransposeResult transposeLines(const std::vector<std::string> &lines, int semitones,
                               std::optional<std::size_t> onlyTrack) {
    TransposeResult result;
    result.lines.reserve(lines.size());
    for (std::size_t t = 0; t < lines.size(); ++t) {
        if (onlyTrack ? *onlyTrack != t : t == kDrumTrack) {
            result.lines.push_back(lines[t]);
            continue;
        }
        TransposeResult line = transposeLine(lines[t], semitones);
        if (!line.ok()) {
            line.track = t + 1;
            return line;
        }
        result.lines.push_back(std::move(line.lines.front()));
    }
    return result;
}

std::vector<std::size_t> tracksWithNotes(const std::vector<std::string> &lines) {
    std::vector<std::size_t> tracks;
    for (std::size_t t = 0; t < lines.size(); ++t) {
        if (t == kDrumTrack) {
            continue;
        }
        LineScanner scanner(lines[t]);
        while (std::optional<Token> token = scanner.next()) {
            if (token->kind == TokenKind::Note) {
                tracks.push_back(t);
                break;
            }
        }
    }
    return tracks;
}

std::optional<score::Key> transposedKey(std::optional<score::Key> key, int semitones) {
    const int tonic = ((key.value_or(score::Key{}).tonic + semitones) % 12 + 12) % 12;
    if (!key && tonic == 0) {
        return std::nullopt;
    }
    return score::Key{tonic};
}

int keyChangeInterval(score::Key from, score::Key to) {
    const int up = ((to.tonic - from.tonic) % 12 + 12) % 12;
    return up > 6 ? up - 12 : up;
}

} // namespace tunelet::midi
