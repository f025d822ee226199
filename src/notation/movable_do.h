// Numbered notation in a key (movable do): a pitch written as a degree of the key.
//
// The script is absolute (1 is always C); the song's key "1=X" changes only how a pitch
// is written. The digit is the degree above the tonic, with one fixed spelling for the
// five pitches between degrees, as songbooks write them: ♯1, ♭3, ♯4, ♭6, ♭7 (a raised
// tonic and fourth, a lowered third, sixth and seventh). The unmarked 1 is the tonic
// nearest to middle C: C4 for 1=C (so a score in C reads as it always has), F4 for 1=F,
// G3 for 1=G; ♯F, six semitones away either way, is taken below (F♯3). So the unmarked
// octave always starts within half an octave of middle C, and a melody around middle C
// needs few dots. Dots count octaves from the unmarked one.
#pragma once

namespace tunelet::notation {

struct MovableDegree {
    int digit = 1;      // 1..7
    int accidental = 0; // +1 ♯, -1 ♭, 0 none
    int octave = 0;     // dots above (+) or below (-) the unmarked octave
    bool operator==(const MovableDegree &) const = default;
};

// The MIDI key of the unmarked 1 of a key whose tonic is pitch class tonic (0 = C).
int unmarkedTonicKey(int tonic);

// A MIDI key (any, even beyond 0..127) as a degree of the key with tonic pitch class tonic.
MovableDegree movableDegree(int midiKey, int tonic);

// The same for a pitch as the script gives it: digit 1..7, sharp, and octaves above (+)
// or below (-) the script's middle octave (f, from middle C).
MovableDegree movableDegree(int scriptDigit, bool sharp, int scriptOctave, int tonic);

} // namespace tunelet::notation
