// MIDI import of the words: lyric events (FF 05) and, in karaoke files, text events (FF 01)
// given to the notes of the imported lines they fall on, as verse 1 of those lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "midi/import_tokens.h"

namespace tunelet::midi::detail {

// A syllable takes the line's note starting at its time or, failing that, the nearest
// note starting at most this many script ticks (a sixteenth note) before or after it:
// karaoke files often show a syllable a moment ahead of its note.
constexpr std::int64_t kSyllableReach = 12;

struct ImportedWords {
    std::vector<std::string> words; // verse 1 of each line as typed; empty: no words
    std::size_t unplaced = 0;       // syllables that fell on no note
    std::size_t karaokeTexts = 0;   // text events read as karaoke words or '@' headers
    std::string title;              // a karaoke file's first @T header
};

// The words of the lines. lineTracks[i] are the tracks whose notes line i holds; toScript
// turns a file's tick into the script's ticks as the notes were.
ImportedWords importWords(const std::vector<ImportedTrack> &tracks,
                          const std::vector<std::string> &lines,
                          const std::vector<std::vector<std::size_t>> &lineTracks,
                          const std::function<std::int64_t(std::int64_t)> &toScript);

} // namespace tunelet::midi::detail
