// Song properties: what makes a score a song (title, credits, key, metre, pickup, part
// names). Kept by the ScoreDocument beside the track lines; no Qt.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunelet::score {

// Script durations: a script beat (duration letter d) is 48 ticks.
inline constexpr int kScriptBeatTicks = 48;

// The key as numbered notation names it: "1=G" says the digit 1 is G. Twelve tonics, one
// per pitch class, each with the one spelling 简谱 headers use (♯F, never ♭G; ♭B, never
// ♯A). The script itself stays absolute: the key changes how pitches are written.
struct Key {
    int tonic = 0; // pitch class 0..11, 0 = C

    // "C", "G", ..., "♯F", "♭D", "♭A", "♭E", "♭B", "F" (UTF-8).
    std::string name() const;
    // The header: "1=G".
    std::string header() const { return "1=" + name(); }
    // The name in ASCII, as the score file and the command line write it: "F#", "Bb".
    std::string asciiName() const;
    // Sharps (positive) or flats (negative) of the major key: G 1, F -1, ♯F 6, ♭D -5.
    int signatureAccidentals() const;
    bool operator==(const Key &) const = default;
};

// A tonic as written by people: "G", "1=G", "F#", "#F", "♯F", "Bb", "bB", "♭B", and the
// other spelling of the same pitch class ("Gb" is ♯F, "A#" is ♭B). nullopt otherwise.
std::optional<Key> parseKey(std::string_view text);

// n/2, n/4 or n/8 with n from 1 to 12.
struct SongTime {
    int beats = 4;
    int unit = 4; // 2, 4 or 8

    std::string text() const { return std::to_string(beats) + "/" + std::to_string(unit); }
    bool operator==(const SongTime &) const = default;
};

// "3/4", "12/8", "2/2"; nullopt for anything else (no blanks, no leading zeros).
std::optional<SongTime> parseSongTime(std::string_view text);

// What one script beat (48 ticks) is written as: a quarter note (the default), a half or
// an eighth. Songs whose script uses c (96 ticks) as their beat are written with the
// script beat as an eighth, so that c reads as a quarter note.
enum class BeatNote { Quarter = 4, Half = 2, Eighth = 8 };

// "4", "2" or "8" (the note value's denominator); nullopt otherwise.
std::optional<BeatNote> parseBeatNote(std::string_view text);

// Every property is optional: an unset one is not stored and not exported. Texts are UTF-8.
struct SongProperties {
    std::string title;
    std::string subtitle;
    std::string composer; // 曲
    std::string lyricist; // 词
    std::optional<Key> key;
    std::optional<SongTime> time;
    int pickupTicks = 0; // script ticks before the first full bar; 0: no pickup
    std::optional<BeatNote> beat;
    std::vector<std::string> partNames; // by track; an empty name is unset
    // The words sung to each track's notes, by track then by verse (score/lyrics.h says
    // how they are typed); an empty verse is unset.
    std::vector<std::vector<std::string>> words;
    // Lines of the stored block this version does not know, kept to be written back.
    std::vector<std::string> unknownLines;

    bool empty() const;
    // The part name of track k (0-based), empty when unset.
    std::string partName(std::size_t k) const;
    // The words of track k's verse v (both 0-based), empty when unset.
    std::string verse(std::size_t k, std::size_t v) const;
    // Sets them, growing the lists as needed.
    void setVerse(std::size_t k, std::size_t v, std::string text);
    // Whether any track has words.
    bool hasWords() const;
    bool operator==(const SongProperties &) const = default;
};

// Script ticks of one bar: the time signature (4/4 when unset) with the beat as written.
int barTicks(const SongProperties &properties);

} // namespace tunelet::score
