// Whole-file replacement: temporary file in the same folder, flushed, renamed over the target.
#include "score/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunelet::score {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// What a plain create would give a new file.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A link is followed, so saving through it updates the file it points to and keeps the link.
std::string resolveLink(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char *real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return path;
}

bool writeInPlace(const std::string &path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes);
    return (::close(fd) == 0) && ok;
}

} // namespace

bool replaceFileAtomically(const std::string &target, std::string_view bytes) {
    if (target.empty() || target.back() == '/') {
        return false;
    }
    const std::string path = resolveLink(target);
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    // A device or pipe (/dev/stdout, a FIFO) is written in place: renaming a file over it
    // would replace the device node itself.
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return writeInPlace(path, bytes);
    }
    // An existing file keeps its permission bits.
    const mode_t mode = exists && S_ISREG(st.st_mode) ? st.st_mode & 07777 : newFileMode();
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + (slash == std::string::npos ? "/." : ".") + base + ".XXXXXX";

    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

} // namespace tunelet::score
