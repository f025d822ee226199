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
#include "midi/song_meta.h"
#include "score/song_block.h"

namespace tunelet::midi {

enum class ImportFailure {
    None,
    NotMidi,     // not a Standard MIDI File, or a damaged one
    TooLong,     // music longer than a script line is allowed to grow
    TooLarge,    // a file larger than any MIDI file the program reads
    NotAFile,    // a folder, pipe or device: never read, so nothing can block or grow
    ReadError,   // the file could not be read (systemError says why)
    NotMusicXml, // not a partwise MusicXML score, or a damaged one (damage says why)
};

// Which kind of file an import read: the words of its report and refusals follow it.
enum class ImportFormat { Midi, MusicXml };

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
    std::size_t droppedSyllables = 0;  // syllables of verses past the fourth, or of words
                                       // too large for a score file
    std::size_t markers = 0;           // markers and cue points dropped
    std::size_t keySignatures = 0;     // later key changes: the song keeps the first key
    std::size_t timeSignatures = 0;    // later time changes: the song keeps the first metre
    bool unsupportedTime = false;      // the first time signature is none a song can have
    std::size_t texts = 0;             // texts, names and copyright notices dropped
    std::size_t otherMeta = 0;         // other meta events (sequencer data, SMPTE offset...)
    bool smpte = false;                // timed in SMPTE frames: taken at 120 beats a minute
    bool noNotes = false;              // the file holds no note at all
    // MusicXML only: what the note script or the song could not keep.
    std::size_t roundedNotes = 0; // times no script length gives (tuplets): rounded
    std::size_t graceNotes = 0;   // grace notes, which take no time: dropped
    std::size_t cueNotes = 0;     // cue notes, shown small and not played: dropped
    std::size_t unknownDrums = 0; // percussion notes without a General MIDI key: dropped
    std::size_t outOfRange = 0;   // pitches outside the MIDI keys 0..127: dropped
    std::size_t extraParts = 0;   // parts beyond the 16 lines: their notes took free lines
    std::size_t repeats = 0;      // repeat signs and endings: played once, as written
    std::size_t markings = 0;     // articulations, slurs, words and other marks: dropped
    bool keptPickup = false;
    bool keptSubtitle = false;
    bool keptComposer = false;
    bool keptLyricist = false;
    // What became song properties: the title, key, metre and how many part names.
    bool keptTitle = false;
    std::optional<score::Key> keptKey = {};
    std::optional<score::SongTime> keptTime = {};
    std::size_t keptPartNames = 0;
    std::size_t keptVerses = 0; // verses of words, over all lines
};

struct ImportResult {
    ImportFailure failure = ImportFailure::None;
    ImportFormat format = ImportFormat::Midi;
    int systemError = 0; // ReadError: the system's error number
    SmfInfo file;        // NotMidi: what is wrong with the file, and where
    std::string damage;  // NotMusicXml: what is wrong with the file (UTF-8), and where
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
// A MusicXML file (or the score inside an .mxl) larger than this is refused unread.
constexpr std::int64_t kMaxMusicXmlFileBytes = std::int64_t{128} << 20;
// Lines a score can export: one per MIDI channel.
constexpr std::size_t kImportLines = 16;
// Channel 10 (line 10) plays General MIDI's drums, and nothing else does.
constexpr int kPercussionLine = 9;

ImportResult importMidi(std::string_view bytes);

// A note of another kind of file, in that file's ticks, for the same layout on lines.
struct ImportNote {
    std::int64_t on = 0;
    std::int64_t off = -1; // -1 until its release is found
    int source = 0;        // 16 x port + channel: channel 9 plays drums, n < 16 likes line n
    int key = 0;
    int velocity = 0;
    int program = -1;      // the program when the note was struck; -1: none set
    std::size_t track = 0; // names the lines it lands on after meta.trackNames (0: none)
};

namespace detail {
struct ImportedTrack;
} // namespace detail

// The music of another kind of file, read: laid out on lines as a MIDI file's notes are.
struct NoteListing {
    std::vector<ImportNote> notes; // ordered by onset; notes of one onset in the file's order
    // Tempo changes in time order: file tick, microseconds a script beat.
    std::vector<std::pair<std::int64_t, std::int64_t>> tempos;
    std::int64_t scriptTicks = 48; // script ticks of...
    std::int64_t fileTicks = 48;   // ...this many file ticks
    MidiSongMeta meta;
    // The instrument and volume a line starts with written at its start, as a part of a
    // score names them before its first measure (not where its first note sounds).
    bool marksAtLineStart = false;
    // A MIDI file's tracks, whose lyric or karaoke events become the words of the lines
    // their notes land on; none for a listing that brings its words in `meta`.
    const std::vector<detail::ImportedTrack> *wordTracks = nullptr;
};

// The lines and the song of a listing; `report` holds what its reader counted already.
ImportResult importNoteListing(const NoteListing &listing, const ImportReport &report);

// Reads a regular file of at most `limit` bytes whole; nothing, and the failure in
// `result`, when it is no such file or cannot be read.
std::optional<std::string> readImportFile(const std::string &path, std::int64_t limit,
                                          ImportResult &result);
// The first `size` bytes of a regular file (empty for anything else), opened without
// waiting so that a pipe or a device cannot block.
std::string fileHead(const std::string &path, std::size_t size);

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
