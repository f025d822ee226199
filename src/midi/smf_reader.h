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
    // Legal files that FluidSynth cannot play; the import still reads them.
    SmpteDivision, // timed in SMPTE frames
    TooManyTracks, // more tracks than FluidSynth's player holds
    TooLong,       // longer than FluidSynth's player counts ticks
    ZeroTempo,     // a tempo of 0 microseconds a quarter note: time would stand still
};

// FluidSynth 2.3's player plays 127 tracks; from 128 on it reads none and stays silent.
constexpr int kMaxPlayableTracks = 127;
// FluidSynth's player counts ticks in an int and moves on by a whole block's worth at a
// time (up to 65 million ticks at the fastest tempo), so a play must end well before the
// count could overflow: half its range leaves that room many times over.
constexpr std::int64_t kMaxPlayableTicks = std::int64_t{1} << 30;
// No file larger than this is read: FluidSynth's player keeps every event of a file as a
// record of about 40 bytes beside the file itself, so 64 MiB of events (some 20 million)
// already take about a gigabyte, and reading them stalls Open for seconds.
constexpr std::int64_t kMaxMidiFileBytes = std::int64_t{64} << 20;

// One event of a track as the reader found it, running status resolved.
struct SmfEvent {
    std::int64_t tick = 0;      // from the start of its track
    unsigned char status = 0;   // a channel status byte, 0xF0 or 0xF7 (SysEx), 0xFF (meta)
    unsigned char data1 = 0;    // channel messages: first data byte; meta events: the type
    unsigned char data2 = 0;    // channel messages: second data byte, if any
    std::string_view body = {}; // meta events and SysEx: their bytes
};

// Told every event of every track, in file order, while a file is read.
class SmfEventSink {
public:
    virtual ~SmfEventSink() = default;
    virtual void trackStart(int track) = 0; // 0-based among the "MTrk" chunks
    virtual void event(const SmfEvent &event) = 0;
};

struct SmfInfo {
    SmfFault fault = SmfFault::None;
    int format = 0;
    int trackCount = 0;           // as announced by the header
    std::uint16_t division = 0;   // as stored: ticks per quarter note, or SMPTE when bit 15
    std::int64_t lengthTicks = 0; // the latest event time over all tracks
    // Where a fault was found: the byte from the file's start, the track (0-based among
    // the "MTrk" chunks; -1 outside any), whether that track's data ended inside an event,
    // how many tracks were read, and the type of the first chunk that is not a track.
    std::size_t faultByte = 0;
    int faultTrack = -1;
    bool cutShort = false;
    int tracksFound = 0;
    std::string otherChunk;
    // The same music in the form FluidSynth reads: a 6-byte header, only the announced
    // "MTrk" chunks, every event with its own status byte, no escaped (F7) messages.
    std::string playable;

    bool ok() const { return fault == SmfFault::None; }
    // Whole and well formed, though perhaps beyond what the player plays.
    bool readable() const { return fault == SmfFault::None || fault >= SmfFault::SmpteDivision; }
};

// Parses the header, every chunk and every event of each track. Never reads past bytes.
// With a sink, tells it the events; the playable copy is then not written.
SmfInfo readSmf(std::string_view bytes, SmfEventSink *sink = nullptr);

// The Standard MIDI File inside a RIFF "RMID" file (the "data" chunk), or bytes as they are.
std::string_view unwrapRiffMidi(std::string_view bytes);

// Whether bytes begin as a Standard MIDI File does (an "MThd" chunk of 6 bytes or more).
bool hasSmfHeader(std::string_view bytes);

} // namespace tunelet::midi
