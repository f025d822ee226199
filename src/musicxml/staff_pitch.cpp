// MusicXML export: steps, naturals and key signatures, as a staff spells a pitch.
#include "musicxml/staff_pitch.h"

#include <algorithm>
#include <cstdlib>

#include "musicxml/musicxml_writer.h"
#include "notation/movable_do.h"

namespace tunelet::musicxml {

std::array<int, 7> keySignature(int fifths) {
    constexpr std::array<int, 7> kSharpOrder = {3, 0, 4, 1, 5, 2, 6};
    std::array<int, 7> alters{};
    const int count = std::min(std::abs(fifths), 7);
    for (int i = 0; i < count; ++i) {
        const int step = fifths > 0 ? kSharpOrder[static_cast<std::size_t>(i)]
                                    : kSharpOrder[static_cast<std::size_t>(6 - i)];
        alters[static_cast<std::size_t>(step)] = fifths > 0 ? 1 : -1;
    }
    return alters;
}

StaffPitch spellPitch(int key, const SongInfo &song) {
    const auto spelled = [&](std::size_t step, int alter) {
        return StaffPitch{kSteps[step], alter, (key - kNaturals[step] - alter) / 12 - 1};
    };
    const int semitone = key % 12;
    if (song.fifths == 0) {
        // 1=C: the 简谱 writes the script's own digits, black keys as the sharps typed.
        const auto natural = std::find(kNaturals.begin(), kNaturals.end(), semitone);
        return natural != kNaturals.end()
                   ? spelled(static_cast<std::size_t>(natural - kNaturals.begin()), 0)
                   : spelled(static_cast<std::size_t>(
                                 std::find(kNaturals.begin(), kNaturals.end(), semitone - 1) -
                                 kNaturals.begin()),
                             1);
    }
    // Any other key: the degree the 简谱 writes (movable do: ♯1 ♭3 ♯4 ♭6 ♭7 for the pitches
    // between degrees), on the letter of that degree in the key's scale, altered as far as
    // the degree's sign takes it from the natural. So in 1=G ♭7 is F and ♯4 is C♯, in 1=F
    // ♭7 is E♭; ♯1 of 1=♯F is F𝄪 and ♭6 of 1=♭D is B𝄫, as the degree says.
    const int tonicStep = ((song.fifths * 4) % 7 + 7) % 7; // a fifth is four steps up
    const int tonic = ((song.fifths * 7) % 12 + 12) % 12;  // and seven semitones
    const notation::MovableDegree degree = notation::movableDegree(key, tonic);
    const auto step = static_cast<std::size_t>((tonicStep + degree.digit - 1) % 7);
    const int pitchClass =
        tonic + kNaturals[static_cast<std::size_t>(degree.digit - 1)] + degree.accidental;
    const int alter = ((pitchClass - kNaturals[step]) % 12 + 18) % 12 - 6; // -6..5
    return spelled(step, alter);
}

} // namespace tunelet::musicxml
