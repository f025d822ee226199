// ScoreToMidi: the score's lines to a format-1 Standard MIDI File, one track and one
// channel per line. Shows nothing; failures come back as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/note_script.h"
#include "score/song_properties.h"

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
    TrackTooLong,  // a track's events do not fit the 32-bit length of a track chunk
    OutOfMemory,   // the file does not fit in memory
    ReadError,     // the script file could not be read (reported by the caller)
    SameFile,      // the output is the script file itself
    WriteError,    // the output file could not be written
};

struct ExportResult {
    ExportFailure failure = ExportFailure::None;
    std::size_t track = 0;      // 1-based track of the fault (0 when not about a line)
    std::size_t position = 0;   // 1-based byte position of the fault in that line
    std::size_t tokenStart = 0; // 1-based byte position of the faulty token's start
    ScanFault scanFault = ScanFault::None;
    int systemError = 0; // ReadError, WriteError: the system's error number
    std::string bytes;   // compileScore: the whole file on success

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

// The same with the song's properties. Without any (song.empty()) the bytes are exactly
// those of compileScore(lines, options). With some, a first track without notes carries
// them for every program that reads MIDI files: the title as its name, the time and key
// signature at tick 0, and the whole song block (song_block.h) as a sequencer-specific
// event (FF 7F, the non-commercial ID 7D) from which Tunelet reads them back, the pickup
// and the credits included. Each line's track follows, named with its part name when it
// has one; line k is still channel k. A line with words has verse 1's syllables as lyric
// events (FF 05, UTF-8) at their notes' onsets, each just before its note-on.
ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options,
                          const score::SongProperties &song);

// Compiles and writes to outputPath with score::replaceFileAtomically, so a failed export
// leaves outputPath as it was (absent, or its old bytes). An output that is the script
// file scriptPath itself (through any name or link) is refused and left alone.
ExportResult scoreToMidi(const std::vector<std::string> &lines, ExportOptions options,
                         const std::string &outputPath, const std::string &scriptPath = {},
                         const score::SongProperties &song = {});

// What the user is told about a failure, in the program's own words (UTF-8): the window
// shows it in a box, the command line prints it.
std::string failureMessage(ExportFailure failure);

// The line under the message for a failure that is not about a place in a line: what
// happened to which file and why. Empty for the failures about a line and for the track
// count, whose message says it all.
std::string failureDetail(const ExportResult &result, const std::string &scriptPath,
                          const std::string &outputPath);

namespace detail {
// compileScore with a smaller limit of a track chunk's length than 2^32 - 1 bytes, so the
// refusal of an overlong track can be seen without gigabytes of input.
ExportResult compileScore(const std::vector<std::string> &lines, ExportOptions options,
                          std::uint64_t maxTrackBytes, const score::SongProperties &song = {});
} // namespace detail

} // namespace tunelet::midi
