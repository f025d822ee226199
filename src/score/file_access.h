// Opening a file only when it is a regular one, telling two names of one file apart, and
// the words for what went wrong with a file.
#pragma once

#include <string>

namespace tunelet::score {

// Failures the system has no error number of its own for; negative, so that they never
// meet one.
constexpr int kNotRegularFile = -1; // a device, pipe or socket where a file was expected
constexpr int kNoNewFileHere = -2;  // the folder exists but takes no new file (/proc)
constexpr int kOldCopyExists = -3;  // an interrupted write's copy of the old bytes is there

// A descriptor of a regular file (or of the file a link points to), or why there is none.
struct OpenedFile {
    int fd = -1;
    int error = 0; // 0, an errno value, or kNotRegularFile
};

// Opens path with flags (O_RDONLY or O_WRONLY) without waiting: a pipe without a partner,
// a terminal or a socket is refused at once with kNotRegularFile, a folder with EISDIR.
// The caller closes fd.
OpenedFile openRegularFile(const std::string &path, int flags);

// Whether the two paths name one existing file (same device and inode), through any
// name, link or hard link.
bool isSameFile(const std::string &first, const std::string &second);

// Why a file operation failed, in the user's words (Simplified Chinese, UTF-8). A missing
// name means a missing folder when writing and a missing file when reading.
enum class FileAccess { Read, Write };
std::string systemErrorText(int error, FileAccess access);

} // namespace tunelet::score
