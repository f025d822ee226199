// MIDI import: a Standard MIDI File turned into the score's track lines, with a report
// of everything the note script could not keep. Bytes in, lines and report out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi/smf_reader.h"
#include "score/song_block.h"

namespace tunelet::midi {

enum class ImportFailure {
    None,
    NotMidi,   // not a Standard MIDI File, or a damaged one
    TooLong,   // music longer than a script line is allowed to grow
    TooLarge,  // a file larger than any MIDI file the program reads
    NotAFile,  // a folder, pipe or device: never read, so nothing can block or grow
    ReadError, // the file could not be read (systemError says why)
};

// What the import changed or left out; nothing is dropped without being counted here.
struct ImportReport {
    bool exact = false;                // Tunelet's own export, read back
    std::optional<bool> staccato = {}; // exact imports: whether the export released notes
    std::size_t guessedVolumes = 0;    // exact imports: volumes whose place the file does not keep
    std::uint16_t timeIncrement = 48;  // for the window's time increment
    bool incrementLimited = false;     // the tempo was beyond the increment's 1..384
    std::int64_t tempo = 0;            // microseconds a quarter note taken; 0: none (120)
    std::size_t droppedNotes = 0;      // pitched notes sounding while every pitched line sounds
    std::size_t droppedDrums = 0;      // drum hits struck with a hit that matters more
    std::size_t shortenedDrums = 0;    // drum hits ended early by the next hit
    std::size_t lengthenedNotes = 0;   // shorter than 6 ticks, now 6
    std::size_t splitNotes = 0;        // lengths no one token has: struck again in pieces
    std::size_t unendedNotes = 0;      // without a note-off: ended at the next onset
    std::size_t restruckNotes = 0;     // ended where the same key of the channel is struck again
    std::size_t doubledNotes = 0;      // struck twice in one tick: one kept
    std::size_t droppedTempos = 0;     // tempo changes during the music
    std::size_t zeroTempos = 0;        // tempo events of 0, which mean nothing
    std::size_t patterns = 0;          // a format-2 file's patterns, laid over each other
    std::size_t droppedEvents = 0;     // controllers, pitch bends, pressure, SysEx
    std::size_t unplacedSyllables = 0; // syllables of lyric or karaoke events on no note
    std::size_t markers = 0;           // markers and cue points dropped
    std::size_t keySignatures = 0;     // later key changes: the song keeps the first key
    std::size_t timeSignatures = 0;    // later time changes: the song keeps the first metre
    bool unsupportedTime = false;      // the first time signature is none a song can have
    std::size_t texts = 0;             // texts, names and copyright notices dropped
    std::size_t otherMeta = 0;         // other meta events (sequencer data, SMPTE offset...)
    bool smpte = false;                // timed in SMPTE frames: taken at 120 beats a minute
    bool noNotes = false;              // the file holds no note at all
    // What became song properties: the title, key, metre and how many part names.
    bool keptTitle = false;
    std::optional<score::Key> keptKey = {};
    std::optional<score::SongTime> keptTime = {};
    std::size_t keptPartNames = 0;
    std::size_t keptWords = 0; // lines given words from lyric or karaoke events
};

struct ImportResult {
    ImportFailure failure = ImportFailure::None;
    int systemError = 0; // ReadError: the system's error number
    SmfInfo file;        // NotMidi: what is wrong with the file, and where
    std::vector<std::string> lines;
    // The song: Tunelet's own export brings back all it had; another file its first key
    // and time signature, its first track's name as the title and the other tracks'
    // names as the part names of the lines their notes land on, and the syllables of its
    // lyric (or karaoke) events as verse 1 of the lines whose notes they fall on.
    score::SongProperties properties;
    std::vector<score::SongBlockNotice> songNotices; // what of Tunelet's song block was ignored
    ImportReport report;

    bool ok() const { return failure == ImportFailure::None; }
};

// The script's grid: every time of an imported note is a multiple of the shortest token.
constexpr int kImportGrid = 6;
// Music longer than this many script ticks (about 48 hours at 120 beats a minute) is
// refused rather than turned into lines of hundreds of megabytes.
constexpr std::int64_t kMaxImportTicks = std::int64_t{1} << 24;
// Lines a score can export: one per MIDI channel.
constexpr std::size_t kImportLines = 16;
// Channel 10 (line 10) plays General MIDI's drums, and nothing else does.
constexpr int kPercussionLine = 9;

ImportResult importMidi(std::string_view bytes);

// Reads the file (refusing one larger than kMaxMidiFileBytes before reading it whole)
// and imports it.
ImportResult importMidiFile(const std::string &path);

// Whether the file at path begins as a Standard MIDI File. Only a regular file is looked
// into (opened without waiting, so a pipe or a device cannot block); anything else, or a
// file that cannot be read, is not one.
bool isMidiFile(const std::string &path);

// What the user is told (UTF-8, Simplified Chinese): the failure, or one line per kind
// of change; empty after an import that kept everything.
std::string importFailureText(const ImportResult &result, const std::string &path);
std::vector<std::string> importReportLines(const ImportReport &report);

namespace detail {
struct ImportedTrack;
// Tunelet's own export read back token for token: the lines, or nothing when the file
// is not exactly what the export writes.
std::optional<std::vector<std::string>> readOwnExport(const std::vector<ImportedTrack> &tracks,
                                                      int format, std::uint16_t division,
                                                      ImportReport &report);
} // namespace detail

} // namespace tunelet::midi
