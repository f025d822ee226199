// MIDI import: the song around the notes (the properties, names and words of a file),
// shared by the MIDI and the MusicXML import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "midi/midi_import.h"
#include "midi/song_meta.h"

namespace tunelet::midi::detail {

// Counts in the report what of the song was kept: title, key, metre, names and verses.
void noteKept(const score::SongProperties &song, ImportReport &report);

// The song's properties from the file's meta events. firstTracks[i] is the track of line
// i's first note (none for a line without notes): a track's name and words go to the line
// its notes land on first.
void takeSongProperties(const MidiSongMeta &meta,
                        const std::vector<std::optional<std::size_t>> &firstTracks,
                        ImportResult &result);

// The words of another program's file: its lyric or karaoke events given to the notes of
// the lines. lineTracks[i] are the tracks whose notes line i holds; toScript turns a file's
// tick into the script's.
void takeWords(const std::vector<ImportedTrack> &tracks, const std::vector<std::string> &lines,
               const std::vector<std::vector<std::size_t>> &lineTracks,
               const std::function<std::int64_t(std::int64_t)> &toScript, ImportResult &result);

} // namespace tunelet::midi::detail
