// ScoreToMidi: the score's lines to a format-1 Standard MIDI File, one track and one
// channel per line. Shows nothing; failures come back as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/note_script.h"

namespace tunelet::midi {

// One MIDI channel per track, and a MIDI file has 16 channels.
constexpr std::size_t kMaxTracks = 16;

enum class ExportFailure {
    None,
    NoTracks,      // zero lines
    TooManyTracks, // more than 16 lines
    TokenError,    // a line does not scan, or a value does not fit a data byte
    NumberError,   // the characters after @ or # do not convert to an integer
    ZeroDivision,  // time increment 0 (or above 0x7FFF) cannot be a MIDI division
    WriteError,    // the output file could not be written
};

struct ExportResult {
    ExportFailure failure = ExportFailure::None;
    std::size_t track = 0;      // 1-based track of the fault (0 when not about a line)
    std::size_t position = 0;   // 1-based byte position of the fault in that line
    std::size_t tokenStart = 0; // 1-based byte position of the faulty token's start
    ScanFault scanFault = ScanFault::None;
    std::string bytes; // compileScore: the whole file on success

    bool ok() const { return failure == ExportFailure::None; }
    // The two failure kinds that the user is told about: a track error or any other.
    bool isTokenError() const { return failure == ExportFailure::TokenError; }
};

struct ExportOptions {
    std::uint16_t division = 48; // ticks per quarter note
    bool staccato = true;        // explicit release after every note
};

// Compiles in memory: on success result.bytes holds the whole MIDI file.
ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options);

// Compiles and writes to outputPath through a temporary file renamed over it, so a failed
// export leaves outputPath as it was (absent, or its old bytes).
ExportResult scoreToMidi(const std::vector<std::string> &lines, ExportOptions options,
                         const std::string &outputPath);

} // namespace tunelet::midi
