// The .TNL script file: plain text, one track line per line, CR LF after every line, and
// after one NUL byte the song block when the score has song properties (song_block.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "score/song_block.h"

namespace tunelet::score {

// Splits file content into lines at CR LF, lone CR and lone LF; a final break gives no
// extra line, an empty middle line is an empty track; reading stops at the first NUL.
std::vector<std::string> parseScriptText(std::string_view bytes);

// Every line, the last included, followed by CR LF.
std::string formatScriptText(const std::vector<std::string> &lines);

// A score file's content: the tracks, and the song properties with what of them could
// not be read. The tracks never depend on the block.
struct ScoreText {
    std::vector<std::string> lines;
    SongProperties properties;
    std::vector<SongBlockNotice> notices;
};

// The lines as parseScriptText gives them, and the block between the first NUL and the
// next one (or the end).
ScoreText parseScoreText(std::string_view bytes);

// formatScriptText, then, when the properties are not empty, a NUL and their block:
// a score without properties gives exactly the bytes of formatScriptText. Throws
// std::length_error when the block would be larger than a reader reads.
std::string formatScoreText(const std::vector<std::string> &lines,
                            const SongProperties &properties);

// What a script may be read from: the window takes regular files only (a pipe or terminal
// would keep it waiting), the command line also a pipe or device, as a filter would.
enum class ScriptSource { RegularFile, AnyFile };

// Reads up to the first NUL byte, so an endless device ends at its first NUL. Throws
// FileError("Cannot open file <path>" and the reason), also when memory runs out.
std::vector<std::string> readScriptFile(const std::string &path,
                                        ScriptSource source = ScriptSource::RegularFile);

// Reads the tracks and the song block after them, up to the next NUL and at most
// kMaxSongBlockBytes of it, so an endless device still ends. Throws as readScriptFile; a bad block
// only gives notices.
ScoreText readScoreFile(const std::string &path, ScriptSource source = ScriptSource::RegularFile);

// Writes through replaceFileAtomically, so a failed write leaves any old file whole.
// Throws FileError("Cannot create file <path>" and the reason).
void writeScriptFile(const std::string &path, const std::vector<std::string> &lines);

// writeScriptFile with the song block after the tracks; a block too large to be read
// back is refused as a file too big ("Cannot create file <path>"), the old file whole.
void writeScoreFile(const std::string &path, const std::vector<std::string> &lines,
                    const SongProperties &properties);

} // namespace tunelet::score
