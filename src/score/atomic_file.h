// Whole-file replacement that never leaves a half-written file behind, and the words for
// what went wrong with a file.
#pragma once

#include <string>
#include <string_view>

namespace tunelet::score {

// The outcome of a file write: 0, or the system's error number (errno) of the step
// that failed.
struct FileWriteResult {
    int error = 0;
    bool ok() const { return error == 0; }
};

// Writes bytes to path the way a careful save does. The file is first opened for writing
// through the name given, so the system's checks apply as for a plain save: a file the
// user may not write, or a link the kernel protects, is refused.
//
// An ordinary file is replaced whole: the bytes go to an unnamed temporary file in the
// target's folder, are flushed and then put in the target's place, so a failure or a
// crash leaves the old file whole. The new file keeps the old one's permission bits, owner
// and group. A symbolic link is followed (also one whose target does not exist yet): the
// file it points to is written and the link stays.
//
// The file is written in place (as a plain save would) where a replacement would lose
// something: a device or pipe, a file with other hard links, a file whose owner or group
// the user cannot give a new file, and a file in a folder the user may not write to.
//
// On failure path holds what it held before (or is still absent), except for a file
// written in place, and no temporary file is left behind.
FileWriteResult replaceFileAtomically(const std::string &path, std::string_view bytes);

// Whether the two paths name one existing file (same device and inode), through any
// name, link or hard link.
bool isSameFile(const std::string &first, const std::string &second);

// Why a file operation failed, in the user's words (Simplified Chinese, UTF-8). A missing
// name means a missing folder when writing and a missing file when reading.
enum class FileAccess { Read, Write };
std::string systemErrorText(int error, FileAccess access);

} // namespace tunelet::score
