// Numbered notation: the words under a part's notes. Each syllable stands centred under
// the note it is sung on, the verses one line under another; a note gets more room where
// its syllable needs it, so the syllables of a verse never touch.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "notation/bar_layout.h"
#include "notation/layout_steps.h"
#include "notation/system_layout.h"

namespace tunelet::notation {

// One verse given to a track's notes: what each event shows (rests: nothing), and how many
// syllables found no note.
struct VerseOnTrack {
    std::vector<score::NoteSyllable> events;
    std::size_t unplaced = 0;
};
VerseOnTrack placeVerse(const Track &track, std::string_view verse);

// The words of one part, by verse, given to its track.
PartWords partWords(const Track &track, const std::vector<std::string> &verses);

// The score's words, by track then verse (as the song keeps them). A score without any
// keeps `words` empty, and lays out exactly as without them.
void setWords(Score &score, const std::vector<std::vector<std::string>> &words);

// Lines of words under a part's digits.
std::size_t verseCount(const Score &score, std::size_t part);

namespace detail {

// The bar's columns, widened where a syllable needs more room than its note has.
BarColumns barColumns(const Score &score, std::size_t bar, const Metrics &metrics);
// The syllables of a system whose glyphs are placed.
void placeSyllables(System &system, const Score &score, const Metrics &metrics);

} // namespace detail

} // namespace tunelet::notation
