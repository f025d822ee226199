// MusicXML export: the General MIDI drum kit as a percussion staff shows it.
#include "musicxml/percussion_kit.h"

#include <array>

namespace tunelet::musicxml {

namespace {

// Where the drums of the kit sit; other keys are placed by their own pitch.
constexpr std::array<DrumPlace, 19> kDrumPlaces = {{
    {35, 'E', 4, false}, {36, 'F', 4, false}, {37, 'C', 5, true},  {38, 'C', 5, false},
    {40, 'C', 5, false}, {41, 'A', 4, false}, {42, 'G', 5, true},  {43, 'A', 4, false},
    {44, 'D', 4, true},  {45, 'B', 4, false}, {46, 'G', 5, true},  {47, 'B', 4, false},
    {48, 'D', 5, false}, {49, 'A', 5, true},  {50, 'E', 5, false}, {51, 'F', 5, true},
    {52, 'A', 5, true},  {55, 'A', 5, true},  {57, 'A', 5, true},
}};

// The General MIDI percussion names of keys 35..81, for the drum part's instruments.
constexpr std::array<const char *, 47> kDrumNames = {"Acoustic Bass Drum",
                                                     "Bass Drum 1",
                                                     "Side Stick",
                                                     "Acoustic Snare",
                                                     "Hand Clap",
                                                     "Electric Snare",
                                                     "Low Floor Tom",
                                                     "Closed Hi-Hat",
                                                     "High Floor Tom",
                                                     "Pedal Hi-Hat",
                                                     "Low Tom",
                                                     "Open Hi-Hat",
                                                     "Low-Mid Tom",
                                                     "Hi-Mid Tom",
                                                     "Crash Cymbal 1",
                                                     "High Tom",
                                                     "Ride Cymbal 1",
                                                     "Chinese Cymbal",
                                                     "Ride Bell",
                                                     "Tambourine",
                                                     "Splash Cymbal",
                                                     "Cowbell",
                                                     "Crash Cymbal 2",
                                                     "Vibraslap",
                                                     "Ride Cymbal 2",
                                                     "Hi Bongo",
                                                     "Low Bongo",
                                                     "Mute Hi Conga",
                                                     "Open Hi Conga",
                                                     "Low Conga",
                                                     "High Timbale",
                                                     "Low Timbale",
                                                     "High Agogo",
                                                     "Low Agogo",
                                                     "Cabasa",
                                                     "Maracas",
                                                     "Short Whistle",
                                                     "Long Whistle",
                                                     "Short Guiro",
                                                     "Long Guiro",
                                                     "Claves",
                                                     "Hi Wood Block",
                                                     "Low Wood Block",
                                                     "Mute Cuica",
                                                     "Open Cuica",
                                                     "Mute Triangle",
                                                     "Open Triangle"};
constexpr int kFirstDrumName = 35;

} // namespace

const DrumPlace *drumPlace(int key) {
    for (const DrumPlace &place : kDrumPlaces) {
        if (place.key == key) {
            return &place;
        }
    }
    return nullptr;
}

QString drumName(int key) {
    const int index = key - kFirstDrumName;
    if (index >= 0 && index < static_cast<int>(kDrumNames.size())) {
        return QLatin1String(kDrumNames[static_cast<std::size_t>(index)]);
    }
    return QStringLiteral("Drum %1").arg(key);
}

} // namespace tunelet::musicxml
