// MusicXML export: the General MIDI drum kit as a percussion staff shows it.
#pragma once

#include <QString>

namespace tunelet::musicxml {

// Where a drum sits on a percussion staff, and whether it is drawn with a cross (cymbals
// and hi-hats).
struct DrumPlace {
    int key;
    char step;
    int octave;
    bool cross;
};

// The place of a drum of the General MIDI kit; nullptr for keys placed by their own pitch.
const DrumPlace *drumPlace(int key);

// The General MIDI percussion name of a key ("Acoustic Snare"), "Drum N" outside the kit.
QString drumName(int key);

} // namespace tunelet::musicxml
