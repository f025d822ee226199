// MIDI files: a reader of Standard MIDI Files that checks a file's structure, finds its
// length in ticks, and writes the plain copy that FluidSynth is given (FluidSynth's own
// reader takes only a part of what the file format allows). Shared by playback and import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunelet::midi {

enum class SmfFault {
    None,
    NoHeader,       // the file does not start with an "MThd" chunk of at least 6 bytes
    BadHeader,      // unknown format, no tracks, or a division of 0
    TruncatedChunk, // a chunk runs past the end of the file
    MissingTracks,  // fewer "MTrk" chunks than the header announces
    BadEvent,       // a track's events do not parse within its chunk
    SmpteDivision,  // legal, but timed in SMPTE frames, which FluidSynth cannot play
    TooManyTracks,  // legal, but more tracks than FluidSynth's player holds
};

// FluidSynth's player holds at most this many tracks.
constexpr int kMaxPlayableTracks = 128;

struct SmfInfo {
    SmfFault fault = SmfFault::None;
    int format = 0;
    int trackCount = 0;           // as announced by the header
    std::uint16_t division = 0;   // as stored: ticks per quarter note, or SMPTE when bit 15
    std::int64_t lengthTicks = 0; // the latest event time over all tracks
    // The same music in the form FluidSynth reads: a 6-byte header, only the announced
    // "MTrk" chunks, every event with its own status byte, no escaped (F7) messages.
    std::string playable;

    bool ok() const { return fault == SmfFault::None; }
};

// Parses the header, every chunk and every event of each track. Never reads past bytes.
SmfInfo readSmf(std::string_view bytes);

} // namespace tunelet::midi
