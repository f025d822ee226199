// Words under the notes: a part's words as the user types them, split into syllables, and
// the syllables given to the part's notes in order. No Qt.
//
// How words are typed (one verse of one part):
//   - every Chinese character (and kana, hangul) is one syllable: 一闪一闪亮晶晶
//   - other words are split at spaces; a hyphen joins the syllables of one word and is
//     printed between them: Twin-kle twin-kle
//   - `_` holds the syllable before over one more note (a melisma, drawn as a line)
//   - `*` skips a note: it gets no syllable
//   - `~` joins what stands on either side into one syllable on one note: 你~好
//   - punctuation stays with its syllable: a closing mark (，。！ , . !) with the one before,
//     an opening mark (“《（ ( ") with the one after
//   - a backslash takes the next character as it is, mark or not: \_ \* \~ \- \\ and "\ "
//     for a space inside a syllable
// Rests take no syllable; a note the layout ties over a bar line takes one, on its first
// glyph.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tunelet::score {

// Verses a part can have words for: 第1段 .. 第4段.
inline constexpr std::size_t kMaxVerses = 4;

struct Syllable {
    enum class Kind {
        Text,   // a syllable sung on one note
        Extend, // the note before's syllable held over one more note
        Skip,   // a note without a syllable
    };
    Kind kind = Kind::Text;
    std::string text;         // Text: as shown, its punctuation included (UTF-8)
    bool hyphenAfter = false; // Text: the word goes on in the next syllable

    bool operator==(const Syllable &) const = default;
};

// The syllables of a verse, in order. Invalid UTF-8 is taken byte by byte as other text.
std::vector<Syllable> splitSyllables(std::string_view words);

// Words that split back into exactly these syllables, written as a person would type them
// where that is possible (一闪一闪, Twin-kle). Used for words read from a file.
std::string joinSyllables(const std::vector<Syllable> &syllables);

// Whether the first or last character of UTF-8 text belongs to a script written without
// spaces between words: Chinese characters, kana, hangul and their wide punctuation.
// Lyric events of a MIDI file set such syllables side by side, other words apart.
bool startsWide(std::string_view text);
bool endsWide(std::string_view text);

// What one note of the part shows.
struct NoteSyllable {
    std::string text;         // the syllable starting on this note; empty for none
    bool hyphenAfter = false; // a hyphen goes between this syllable and the next
    bool extends = false;     // the note holds the syllable of a note before it (melisma)

    bool operator==(const NoteSyllable &) const = default;
};

struct PlacedSyllables {
    std::vector<NoteSyllable> notes; // one per note of the part, in order
    std::size_t unplaced = 0;        // syllables left over when the notes ran out
};

// The syllables given to noteCount notes. An extend with no syllable before it to hold,
// or after a skipped note, acts as a skip.
PlacedSyllables placeSyllables(const std::vector<Syllable> &syllables, std::size_t noteCount);

} // namespace tunelet::score
