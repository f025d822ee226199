// MusicXML export: steps, naturals and key signatures, as a staff spells a pitch.
#pragma once

#include <array>

namespace tunelet::musicxml {

inline constexpr std::array<char, 7> kSteps = {'C', 'D', 'E', 'F', 'G', 'A', 'B'};
inline constexpr std::array<int, 7> kNaturals = {0, 2, 4, 5, 7, 9, 11};

// The alteration the key signature gives each step: sharps are added F C G D A E B,
// flats B E A D G C F.
std::array<int, 7> keySignature(int fifths);

} // namespace tunelet::musicxml
