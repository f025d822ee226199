// MIDI import of a song's properties: key and time signature, sequence and track names,
// and the song block of Tunelet's own export, read from a Standard MIDI File's meta events.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "score/song_block.h"

namespace tunelet::midi {

struct MidiSongMeta {
    // Tunelet's own export: everything as it was (its block read back); any other file:
    // the first time and key signature, and the first track's name as the title.
    score::SongProperties properties;
    bool fromTunelet = false;
    // Each "MTrk" chunk's first name (empty when it has none), for the part names of the
    // lines the tracks become; for Tunelet's own export they are in properties already.
    // Another file's names are read as UTF-8, or as GB18030 when one of them is not UTF-8.
    std::vector<std::string> trackNames;
    // Other files than MIDI: the words of each track (as trackNames), by verse, for the
    // line its notes land on first.
    std::vector<std::vector<std::string>> trackWords;
    std::size_t laterTimeSignatures = 0;         // changes after the first: not kept
    std::size_t laterKeySignatures = 0;          // changes after the first: not kept
    bool unsupportedTime = false;                // a first time signature no song can have (5/16)
    std::vector<score::SongBlockNotice> notices; // what of Tunelet's block was ignored
};

// Reads the meta events of a file; a file that does not read gives nothing.
MidiSongMeta readSongMeta(std::string_view bytes);

// The key of a key signature's sharps (+) or flats (-), -7..7; the major key's tonic
// also for a minor key, as numbered notation writes a minor song in its relative major.
score::Key keyOfSignature(int accidentals);

} // namespace tunelet::midi
