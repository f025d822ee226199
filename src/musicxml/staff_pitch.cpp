// MusicXML export: steps, naturals and key signatures, as a staff spells a pitch.
#include "musicxml/staff_pitch.h"

#include <algorithm>
#include <cstdlib>

#include "musicxml/musicxml_writer.h"

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
    const int semitone = key % 12;
    const std::array<int, 7> alters = keySignature(song.fifths);
    auto spelled = [&](std::size_t step, int alter) {
        return StaffPitch{kSteps[step], alter, (key - kNaturals[step] - alter) / 12 - 1};
    };
    // The key's own notes as its signature writes them (in 1=F, B flat; in 1=G, F sharp)...
    for (std::size_t step = 0; step < kSteps.size(); ++step) {
        if ((kNaturals[step] + alters[step] + 12) % 12 == semitone) {
            return spelled(step, alters[step]);
        }
    }
    // ...then a natural where there is one, else the black key as a sharp of the step
    // below or, in a key of flats, as a flat of the step above. A rule that spells by the
    // degree in the key belongs here.
    for (std::size_t step = 0; step < kSteps.size(); ++step) {
        if (kNaturals[step] == semitone) {
            return spelled(step, 0);
        }
    }
    for (std::size_t step = 0; step < kSteps.size(); ++step) {
        if (song.fifths >= 0 ? kNaturals[step] + 1 == semitone
                             : (kNaturals[step] + 11) % 12 == semitone) {
            return spelled(step, song.fifths >= 0 ? 1 : -1);
        }
    }
    return spelled(0, 0); // not reached: every semitone has a spelling above
}

} // namespace tunelet::musicxml
