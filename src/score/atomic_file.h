// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <string>
#include <string_view>

namespace tunelet::score {

// Writes bytes to a temporary file in path's folder, flushes it and renames it over
// path. Returns false on any failure; path then holds exactly what it held before
// (or is still absent) and no temporary file is left behind. A symbolic link is followed
// (the file it points to is replaced, the link stays); a device or pipe is written into.
bool replaceFileAtomically(const std::string &path, std::string_view bytes);

} // namespace tunelet::score
