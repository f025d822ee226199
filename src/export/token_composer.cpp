// Composing tokens of the note script.
#include "export/token_composer.h"

#include "export/note_script.h"

#include <algorithm>

namespace tunelet::midi {

namespace {

constexpr int kHighestKey = 127;

} // namespace

bool isPitchLetter(char c) {
    return semitoneOf(c).has_value();
}

ComposedNote composeNote(char pitch, char octave, char beat) {
    ComposedNote note{{pitch, octave, beat, kSeparator}};
    // The same tables the scanner reads, so a composed note never exports as an error.
    note.key = 12 * octaveIndexOf(octave).value_or(0) + semitoneOf(pitch).value_or(0);
    note.ticks = ticksOf(beat).value_or(0);
    note.refused = note.key > kHighestKey;
    return note;
}

std::string composeRest(char beat) {
    return {'0', beat, kSeparator};
}

std::string threeDigits(int value) {
    std::string digits = std::to_string(value);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return digits;
}

std::string composeProgram(int instrument) {
    return '@' + threeDigits(instrument) + kSeparator;
}

std::string composeVolume(int volume) {
    return '#' + threeDigits(volume) + kSeparator;
}

SoundAtPlace soundBefore(std::string_view lineBefore) {
    SoundAtPlace sound;
    LineScanner scanner(lineBefore);
    while (const std::optional<Token> token = scanner.next()) {
        if (token->kind == TokenKind::Program && token->value >= 0 && token->value <= kHighestKey) {
            sound.program = token->value;
        } else if (token->kind == TokenKind::Volume) {
            sound.velocity = std::clamp(token->value, 0, kHighestKey);
        }
    }
    return sound;
}

} // namespace tunelet::midi
