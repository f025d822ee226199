// The song block of a .TNL file: the song properties as UTF-8 text after the tracks.
//
// A score file is its track lines (each followed by CR LF), then, only when the score has
// properties, one NUL byte and the block. A reader that stops at the first NUL sees
// exactly the tracks; the block ends at the end of the file or at a next NUL (nothing
// after that is read). The block is lines ending in LF:
//
//   tunelet-song 1
//   title=生日快乐
//   key=G            (C G D A E B F# Db Ab Eb Bb F)
//   time=3/4         (n/2, n/4, n/8 with n from 1 to 12)
//   pickup=48        (script ticks before the first full bar, less than a bar)
//   beat=8           (a script beat written as a quarter 4, half 2 or eighth 8)
//   part1=笛子       (part1 .. part16: the name of a track)
//   words1-2=一闪一闪亮晶晶   (words<track>-<verse>: verse 1..4 of track 1..16)
//
// and subtitle=, composer=, lyricist=. Values escape a backslash as \\, a line feed as \n,
// a carriage return as \r and a NUL as \0; nothing else is escaped. A line's name is
// lower-case letters, digits and '-'. The header's number changes only when the block can
// no longer be read line by line like this: new properties come as new names, which an
// older reader keeps as unknown lines and writes back unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "score/song_properties.h"

namespace tunelet::score {

// A block larger than this is not read (the tracks still open): no song needs a megabyte
// of properties, and the limit ends a read of an endless device.
inline constexpr std::size_t kMaxSongBlockBytes = std::size_t{1} << 20;
// Part names are kept for the tracks a score can export: one per MIDI channel.
inline constexpr std::size_t kMaxPartNames = 16;

// What was ignored when a block was read, one notice per cause.
struct SongBlockNotice {
    enum class Kind {
        Oversized,      // the block is larger than kMaxSongBlockBytes: nothing of it is read
        NotASongBlock,  // the bytes after the NUL do not begin with "tunelet-song 1"
        NewerVersion,   // "tunelet-song N" with N above 1: nothing of it is read
        BadLine,        // one line ignored: not name=value, bad UTF-8 or escape, bad value
        LaterDuplicate, // a property given again: the first one counts
    };
    Kind kind{};
    std::size_t line = 0; // BadLine, LaterDuplicate: 1-based line of the block
    std::string name;     // BadLine, LaterDuplicate: the line's name, if it has one
    bool operator==(const SongBlockNotice &) const = default;
};

struct SongBlock {
    SongProperties properties;
    std::vector<SongBlockNotice> notices;
};

// The block for properties (without the NUL before it), or empty when the properties
// are empty().
std::string formatSongBlock(const SongProperties &properties);

// Reads a block; whatever cannot be read is left out and noticed, never thrown.
SongBlock parseSongBlock(std::string_view bytes);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view text);

// What the user is told about a notice (Simplified Chinese, UTF-8).
std::string songBlockNoticeText(const SongBlockNotice &notice);

} // namespace tunelet::score
