// Transposition: every note token of a line moved by a number of semitones, written back
// in the script's own letters (sharps as v w x y z), everything else kept byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/note_script.h"
#include "score/song_properties.h"

namespace tunelet::midi {

enum class TransposeFailure {
    None,
    ScanError,  // the line does not scan: its tokens cannot be found past the fault
    OutOfRange, // a note would leave the keys a MIDI file can hold (0..127)
};

struct TransposeResult {
    TransposeFailure failure = TransposeFailure::None;
    std::size_t track = 0;      // transposeLines: 1-based track of the failure
    std::size_t position = 0;   // 1-based byte position: the note's first character, or the fault
    std::size_t tokenStart = 0; // ScanError: where the faulty token starts
    int key = 0;                // OutOfRange: the key the note would have had
    ScanFault scanFault = ScanFault::None;
    std::vector<std::string> lines; // on success: the lines, moved

    bool ok() const { return failure == TransposeFailure::None; }
};

// The line with every note moved by semitones; on failure nothing is moved (lines empty).
TransposeResult transposeLine(std::string_view line, int semitones);

// Line 10 plays on MIDI channel 10, the drums: its keys name drums, not pitches.
inline constexpr std::size_t kDrumTrack = 9;

// Every line but the drum track's, or only line onlyTrack (0-based) when given; all or
// nothing.
TransposeResult transposeLines(const std::vector<std::string> &lines, int semitones,
                               std::optional<std::size_t> onlyTrack = std::nullopt);

// The tracks (0-based) a transposition would move notes of: pitched tracks holding a note.
std::vector<std::size_t> tracksWithNotes(const std::vector<std::string> &lines);

// The key after the whole song moved by semitones. An unset key reads as 1=C (the 简谱
// heads it so) and moves as 1=C does; it stays unset where the move brings it back to C.
std::optional<score::Key> transposedKey(std::optional<score::Key> key, int semitones);

// The move from one key to another that keeps the digits: the shorter way, from a fifth
// down to a tritone up (-5..6).
int keyChangeInterval(score::Key from, score::Key to);

} // namespace tunelet::midi
