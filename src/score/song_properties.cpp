// Song properties: key names, time signatures, the written beat and the length of a bar.
#include "score/song_properties.h"

#include <algorithm>
#include <charconv>

namespace tunelet::score {

namespace {

struct TonicSpelling {
    const char *name;
    const char *ascii;
    int accidentals;
};

// By pitch class from C: the spellings of 简谱 headers, and the major key's signature.
constexpr std::array<TonicSpelling, 12> kTonics = {{
    {"C", "C", 0},
    {"♭D", "Db", -5},
    {"D", "D", 2},
    {"♭E", "Eb", -3},
    {"E", "E", 4},
    {"F", "F", -1},
    {"♯F", "F#", 6},
    {"G", "G", 1},
    {"♭A", "Ab", -4},
    {"A", "A", 3},
    {"♭B", "Bb", -2},
    {"B", "B", 5},
}};

constexpr std::string_view kSharp = "♯";
constexpr std::string_view kFlat = "♭";

// Takes a sharp or flat sign off the front of text: +1, -1, or 0 when there is none.
int takeAccidental(std::string_view &text, bool lowercaseFlat) {
    if (text.starts_with('#') || text.starts_with(kSharp)) {
        text.remove_prefix(text.starts_with('#') ? 1 : kSharp.size());
        return 1;
    }
    if ((lowercaseFlat && text.starts_with('b')) || text.starts_with(kFlat)) {
        text.remove_prefix(text.starts_with('b') ? 1 : kFlat.size());
        return -1;
    }
    return 0;
}

std::optional<int> parseSmallNumber(std::string_view text) {
    int value = 0;
    if (text.empty() || text.size() > 2 || text[0] < '1' || text[0] > '9') {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string Key::name() const {
    return kTonics.at(static_cast<std::size_t>(tonic)).name;
}

std::string Key::asciiName() const {
    return kTonics.at(static_cast<std::size_t>(tonic)).ascii;
}

int Key::signatureAccidentals() const {
    return kTonics.at(static_cast<std::size_t>(tonic)).accidentals;
}

std::optional<Key> parseKey(std::string_view text) {
    if (text.starts_with("1=")) {
        text.remove_prefix(2);
    }
    int shift = takeAccidental(text, true);
    if (text.empty() || text[0] < 'A' || text[0] > 'G') {
        return std::nullopt;
    }
    constexpr std::array<int, 7> kLetters = {9, 11, 0, 2, 4, 5, 7}; // A..G
    const int natural = kLetters[static_cast<std::size_t>(text[0] - 'A')];
    text.remove_prefix(1);
    if (shift == 0) {
        shift = takeAccidental(text, true);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return Key{(natural + shift + 12) % 12};
}

std::optional<SongTime> parseSongTime(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> beats = parseSmallNumber(text.substr(0, slash));
    const std::optional<int> unit = parseSmallNumber(text.substr(slash + 1));
    if (!beats || !unit || *beats > 12 || (*unit != 2 && *unit != 4 && *unit != 8)) {
        return std::nullopt;
    }
    return SongTime{*beats, *unit};
}

std::optional<BeatNote> parseBeatNote(std::string_view text) {
    if (text == "4") {
        return BeatNote::Quarter;
    }
    if (text == "2") {
        return BeatNote::Half;
    }
    if (text == "8") {
        return BeatNote::Eighth;
    }
    return std::nullopt;
}

bool SongProperties::empty() const {
    const bool noPartName = std::all_of(partNames.begin(), partNames.end(),
                                        [](const std::string &name) { return name.empty(); });
    return title.empty() && subtitle.empty() && composer.empty() && lyricist.empty() && !key &&
           !time && pickupTicks == 0 && !beat && noPartName && !hasWords() && unknownLines.empty();
}

std::string SongProperties::partName(std::size_t k) const {
    return k < partNames.size() ? partNames[k] : std::string();
}

std::string SongProperties::verse(std::size_t k, std::size_t v) const {
    return k < words.size() && v < words[k].size() ? words[k][v] : std::string();
}

void SongProperties::setVerse(std::size_t k, std::size_t v, std::string text) {
    if (text.empty() && verse(k, v).empty()) {
        return;
    }
    if (words.size() <= k) {
        words.resize(k + 1);
    }
    if (words[k].size() <= v) {
        words[k].resize(v + 1);
    }
    words[k][v] = std::move(text);
}

bool SongProperties::hasWords() const {
    return std::any_of(words.begin(), words.end(), [](const std::vector<std::string> &verses) {
        return std::any_of(verses.begin(), verses.end(),
                           [](const std::string &text) { return !text.empty(); });
    });
}

int barTicks(const SongProperties &properties) {
    const SongTime time = properties.time.value_or(SongTime{});
    const int beat = static_cast<int>(properties.beat.value_or(BeatNote::Quarter));
    // A written 1/unit note lasts 48 * beat / unit script ticks: with the script beat
    // written as an eighth (beat 8), a written quarter is 96 ticks.
    return time.beats * kScriptBeatTicks * beat / time.unit;
}

} // namespace tunelet::score
