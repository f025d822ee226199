// Composing tokens of the note script: what one key press or palette button writes.
#pragma once

#include <string>
#include <string_view>

namespace tunelet::midi {

// Every composed token ends with this separator.
inline constexpr char kSeparator = '/';

// A note token, and whether it may be inserted: the four notes above key 127 ("yk",
// "zk", "6k", "7k") are shown but never written, since no MIDI key can hold them.
struct ComposedNote {
    std::string text;
    bool refused = false;
    int key = 0;   // the MIDI key it plays (above 127 when refused)
    int ticks = 0; // its length
};

// pitch is one of 1-7 or v-z, octave a..k, beat a..h.
ComposedNote composeNote(char pitch, char octave, char beat);
std::string composeRest(char beat);
// "@" or "#" and the value in at least three digits ("@005/", "#080/").
std::string composeProgram(int instrument);
std::string composeVolume(int volume);

// The value in decimal with zeros in front up to three digits: 5 -> "005".
std::string threeDigits(int value);

bool isPitchLetter(char c);

// The instrument and loudness a note gets where it stands in a line: those of the last
// instrument and volume tokens before it (a piano at 80 when there are none; volumes
// above 127 as 127). Reading stops at the first token that does not scan.
struct SoundAtPlace {
    int program = 0;
    int velocity = 80;
};
SoundAtPlace soundBefore(std::string_view lineBefore);

} // namespace tunelet::midi
