// The temporary file that takes a target's place, the names it may have, and the removal
// of what a killed writer left behind.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

#include "score/system_calls.h"

namespace tunelet::score::detail {

// 0, or the errno of the write that failed.
int writeAll(int fd, std::string_view bytes);

std::string folderOf(const std::string &path);

// So that a new name survives a power cut as well as the new content.
void syncFolder(const std::string &folder);

// Removes the temporary files that a writer of target killed between naming its new file
// and putting it in place has left beside target. Only names of the pattern this program
// gives a temporary file of target, and only files older than this process: a writer
// still at work is never disturbed.
void removeLeftovers(const std::string &target);

// The new file. It is created without a name where the file system allows (so a crash
// leaves nothing behind) and named only when it is complete; elsewhere it has a short
// hidden name from the start. Whatever is left unpublished is removed.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile();

    // In target's folder; answers 0 or the error. mode is filtered by the umask.
    int create(const std::string &target, mode_t mode);
    int fd() const { return m_fd.get(); }
    // Flushes the file and puts it at target. With replace false an existing target is
    // not overwritten (EEXIST) where the file system can tell.
    int publish(bool replace);

private:
    bool linkAt(const std::string &name);

    std::string m_target;
    std::string m_folder;
    std::string m_name; // empty while the file has no name
    Fd m_fd;
};

} // namespace tunelet::score::detail
