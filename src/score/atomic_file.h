// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <string>
#include <string_view>

#include "score/file_access.h"

namespace tunelet::score {

// The outcome of a file write: 0, or the system's error number (errno) of the step
// that failed, or one of the codes of file_access.h.
struct FileWriteResult {
    int error = 0;
    bool ok() const { return error == 0; }
};

// Writes bytes to path the way a careful save does. The file is first opened for writing
// through the name given, so the system's checks apply as for a plain save: a file the
// user may not write, or a link the kernel protects, is refused. So is anything but a
// regular file (a device, pipe or socket), at once and without writing to it.
//
// An ordinary file is replaced whole: the bytes go to an unnamed temporary file in the
// target's folder, are flushed and then put in the target's place, so a failure or a
// crash leaves the old file whole. The new file keeps the old one's permission bits, owner
// and group. A symbolic link is followed (also one whose target does not exist yet): the
// file it points to is written and the link stays. Two writers of one new name: the later
// one wins, as for an existing file.
//
// The file is written in place (as a plain save would) where a replacement would lose
// something or cannot be done: a file with other hard links, a file whose owner or group
// the user cannot give a new file, a file in a folder the user may not write to, and a
// file mounted over its name. Its old bytes are kept in "<name>.tnl-old" beside it until
// the new ones are complete, where the folder allows; an earlier such copy is never
// overwritten (kOldCopyExists). When the write in place fails (a full disk), the old bytes
// are put back from the copy and the copy is removed; it stays only after a kill, or when
// the old bytes could not be put back.
//
// On failure path holds what it held before (or is still absent), except for a file
// written in place, and no temporary file is left behind. A kill at the one moment the new
// file has a temporary name leaves it; the next write of the same target removes it.
FileWriteResult replaceFileAtomically(const std::string &path, std::string_view bytes);

} // namespace tunelet::score
