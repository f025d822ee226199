// Whole-file replacement: an unnamed temporary file in the target's folder, flushed and
// put in the target's place; written in place where a replacement would lose something.
#include "score/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "score/system_calls.h"
#include "score/temporary_file.h"

namespace tunelet::score {

using detail::Fd;
using detail::folderOf;
using detail::syncFolder;
using detail::TemporaryFile;
using detail::writeAll;

namespace {

// The way a plain save writes: the same file, its new length set after the bytes.
// Space is reserved first, so a full disk is found before the old bytes are touched.
int writeWhole(Fd &fd, std::string_view bytes) {
    const auto size = static_cast<off_t>(bytes.size());
    if (size > 0 && ::fallocate(fd.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        return errno;
    }
    int error = ::lseek(fd.get(), 0, SEEK_SET) == 0 ? writeAll(fd.get(), bytes) : errno;
    if (error == 0 && ::ftruncate(fd.get(), size) != 0) {
        error = errno;
    }
    if (error == 0 && detail::systemCalls().fsync(fd.get()) != 0) {
        error = errno;
    }
    const int closeError = fd.close();
    return error != 0 ? error : closeError;
}

std::string realPathOf(const std::string &path) {
    char *real = ::realpath(path.c_str(), nullptr);
    const std::string file = real != nullptr ? real : std::string();
    std::free(real);
    return file;
}

// The name of the copy of the old bytes kept while a file is written in place.
std::string oldCopyName(const std::string &file) {
    constexpr std::string_view kSuffix = ".tnl-old";
    const std::size_t slash = file.rfind('/');
    std::string name = file.substr(slash + 1);
    name.resize(std::min<std::size_t>(name.size(), NAME_MAX - kSuffix.size()));
    return file.substr(0, slash + 1) + name + std::string(kSuffix);
}

// Copies the file's bytes to a new file named copy, flushed. 0 or the error.
int copyOldBytes(const std::string &file, const std::string &copy, Fd &out) {
    Fd in(::open(file.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!in.valid()) {
        return errno;
    }
    out = Fd(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600));
    if (!out.valid()) {
        return errno == EEXIST ? kOldCopyExists : errno;
    }
    std::string piece(1 << 16, '\0');
    for (;;) {
        const ssize_t got = ::read(in.get(), piece.data(), piece.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got < 0 ? errno : detail::systemCalls().fsync(out.get()) == 0 ? 0 : errno;
        }
        if (int error = writeAll(out.get(), std::string_view(piece.data(), std::size_t(got)))) {
            return error;
        }
    }
}

// Writes the copy's bytes back into the file after a failed write in place. The old
// bytes had their room on the disk, so this works where the new ones did not fit.
bool putBack(const std::string &file, const std::string &copy) {
    Fd in(::open(copy.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    Fd out(::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!in.valid() || !out.valid()) {
        return false;
    }
    char piece[1 << 14];
    off_t size = 0;
    for (;;) {
        const ssize_t got = ::read(in.get(), piece, sizeof piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        if (writeAll(out.get(), std::string_view(piece, std::size_t(got))) != 0) {
            return false;
        }
        size += got;
    }
    return ::ftruncate(out.get(), size) == 0 && detail::systemCalls().fsync(out.get()) == 0 &&
           out.close() == 0;
}

// Writes the file in place, keeping a copy of its old bytes beside it until the new ones
// are complete, so a kill in between leaves the old bytes recoverable. Where the folder
// takes no copy (read-only, not the user's), the file is written as a plain save would.
int writeInPlace(Fd &target, const std::string &file, std::string_view bytes) {
    const std::string copy = oldCopyName(file);
    Fd out;
    if (const int error = copyOldBytes(file, copy, out); error != 0) {
        if (error == kOldCopyExists) {
            return error;
        }
        if (out.valid()) {
            ::unlink(copy.c_str());
        }
        if (error != EACCES && error != EPERM && error != EROFS) {
            return error;
        }
        return writeWhole(target, bytes);
    }
    syncFolder(folderOf(copy));
    const int error = writeWhole(target, bytes);
    // A failure seen here is handled here: the old bytes go back from the copy, and the
    // copy goes once they are back. Only a copy that could not be put back stays, as the
    // one whole version of the file.
    if (error == 0 || putBack(file, copy)) {
        ::unlink(copy.c_str());
        syncFolder(folderOf(copy));
    }
    return error;
}

// The folder exists, but a new file cannot be made in it (/proc): not a missing folder.
int creationError(int error, const std::string &path) {
    struct stat st {};
    return error == ENOENT && ::stat(folderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)
               ? kNoNewFileHere
               : error;
}

int createNew(const std::string &path, std::string_view bytes) {
    detail::removeLeftovers(path);
    TemporaryFile temp;
    if (int error = temp.create(path, 0666); error != 0) {
        return creationError(error, path);
    }
    if (int error = writeAll(temp.fd(), bytes); error != 0) {
        return error;
    }
    return temp.publish(false);
}

// A link whose target does not exist yet: the target is created through the link, as a
// plain save would, and removed again when the write fails.
int createThroughLink(const std::string &path, std::string_view bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!fd.valid()) {
        return creationError(errno, path);
    }
    const std::string target = realPathOf(path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return kNotRegularFile; // something else took the name meanwhile
    }
    const int error = writeWhole(fd, bytes);
    if (error != 0) {
        ::unlink(target.empty() ? path.c_str() : target.c_str());
    } else {
        syncFolder(folderOf(target));
    }
    return error;
}

int replaceExisting(Fd &target, const struct stat &st, const std::string &path,
                    std::string_view bytes) {
    const std::string file = realPathOf(path);
    if (file.empty()) {
        return errno;
    }
    detail::removeLeftovers(file);
    TemporaryFile temp;
    if (int error = temp.create(file, 0600); error != 0) {
        // A folder the user may not write to: the file itself may still be writable.
        return error == EACCES || error == EPERM ? writeInPlace(target, file, bytes) : error;
    }
    struct stat made {};
    if (::fstat(temp.fd(), &made) != 0) {
        return errno;
    }
    if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
        ::fchown(temp.fd(), st.st_uid, st.st_gid) != 0) {
        // Only the owner's own save could give the new file the old owner and group.
        return writeInPlace(target, file, bytes);
    }
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0) {
        return errno;
    }
    if (int error = writeAll(temp.fd(), bytes); error != 0) {
        return error;
    }
    const int error = temp.publish(true);
    // A file mounted over the name (a bind mount) cannot be replaced, only written.
    return error == EBUSY ? writeInPlace(target, file, bytes) : error;
}

int writeOnce(const std::string &path, std::string_view bytes) {
    // Opened for writing through the name given, without changing it and without waiting:
    // the kernel refuses a read-only file or a protected link here, as for a plain save,
    // and a device, pipe or socket is refused before anything is written to it.
    OpenedFile opened = openRegularFile(path, O_WRONLY);
    Fd target(opened.fd);
    if (opened.error == ENOENT) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            return createThroughLink(path, bytes);
        }
        return createNew(path, bytes);
    }
    if (opened.error != 0) {
        return opened.error;
    }
    struct stat st {};
    if (::fstat(target.get(), &st) != 0) {
        return errno;
    }
    // A replacement would split the file from its other names.
    if (st.st_nlink > 1) {
        const std::string file = realPathOf(path);
        return file.empty() ? errno : writeInPlace(target, file, bytes);
    }
    return replaceExisting(target, st, path, bytes);
}

} // namespace

FileWriteResult replaceFileAtomically(const std::string &path, std::string_view bytes) {
    if (path.empty()) {
        return {ENOENT};
    }
    if (path.back() == '/') {
        return {EISDIR};
    }
    // Another writer may create the name between the look and the publishing: then it is
    // an existing file, replaced like any other, so the later writer wins.
    int error = EEXIST;
    for (int attempt = 0; attempt < 10 && error == EEXIST; ++attempt) {
        error = writeOnce(path, bytes);
    }
    return {error};
}

} // namespace tunelet::score
