// Whole-file replacement: an unnamed temporary file in the target's folder, flushed and
// put in the target's place; written in place where a replacement would lose something.
#include "score/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tunelet::score {

namespace {

// A file descriptor that is closed on every path.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and answers the close's error: a write may only fail here (NFS, quotas).
    int close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string folderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// So that the new name survives a power cut as well as the new content.
void syncFolder(const std::string &folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

// Short on purpose: the temporary name must fit where the target's own name just fits.
std::string temporaryName(const std::string &folder) {
    static thread_local std::mt19937 engine{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folder + "/.tnl";
    for (int i = 0; i < 8; ++i) {
        name.push_back(kLetters[engine() % (sizeof kLetters - 1)]);
    }
    return name;
}

// The temporary file that will take the target's place. It is created without a name
// where the system allows (so a crash leaves nothing behind) and named only when it is
// complete; elsewhere it has a short hidden name from the start.
class TemporaryFile {
public:
    // Answers 0 or the error; mode is filtered by the umask as for any new file.
    int create(const std::string &folder, mode_t mode) {
        m_folder = folder;
        m_fd = Fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (m_fd.valid()) {
            return 0;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return errno;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_name = temporaryName(folder);
            m_fd = Fd(::open(m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (m_fd.valid() || errno != EEXIST) {
                break;
            }
        }
        if (!m_fd.valid()) {
            m_name.clear();
            return errno;
        }
        return 0;
    }
    ~TemporaryFile() {
        if (!m_name.empty()) {
            ::unlink(m_name.c_str());
        }
    }

    int fd() const { return m_fd.get(); }

    // Flushes and closes the file and puts it at target. With replace false an existing
    // target is not overwritten (EEXIST).
    int publish(const std::string &target, bool replace) {
        if (::fsync(m_fd.get()) != 0) {
            return errno;
        }
        if (m_name.empty() && !replace) {
            if (!linkAt(target)) {
                return errno;
            }
            syncFolder(m_folder);
            return m_fd.close();
        }
        if (m_name.empty()) {
            int error = EEXIST;
            for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
                m_name = temporaryName(m_folder);
                error = linkAt(m_name) ? 0 : errno;
            }
            if (error != 0) {
                m_name.clear();
                return error;
            }
        }
        if (int error = m_fd.close(); error != 0) {
            return error;
        }
        if (::rename(m_name.c_str(), target.c_str()) != 0) {
            return errno;
        }
        m_name.clear();
        syncFolder(m_folder);
        return 0;
    }

private:
    // Gives the unnamed file a name; the /proc path works without privileges.
    bool linkAt(const std::string &name) {
        if (::linkat(m_fd.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            return false;
        }
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd.get());
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    std::string m_folder;
    std::string m_name; // empty while the file has no name
    Fd m_fd;
};

// A device or pipe takes the bytes as they come.
int writeStream(Fd &fd, std::string_view bytes) {
    const int error = writeAll(fd.get(), bytes);
    const int closeError = fd.close();
    return error != 0 ? error : closeError;
}

// The way a plain save writes: the same file, its new length set after the bytes.
// Space is reserved first, so a full disk is found before the old bytes are touched.
int writeInPlace(Fd &fd, std::string_view bytes) {
    const auto size = static_cast<off_t>(bytes.size());
    if (size > 0 && ::fallocate(fd.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        return errno;
    }
    int error = ::lseek(fd.get(), 0, SEEK_SET) == 0 ? writeAll(fd.get(), bytes) : errno;
    if (error == 0 && ::ftruncate(fd.get(), size) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd.get()) != 0) {
        error = errno;
    }
    const int closeError = fd.close();
    return error != 0 ? error : closeError;
}

int createNew(const std::string &path, std::string_view bytes) {
    TemporaryFile temp;
    if (int error = temp.create(folderOf(path), 0666); error != 0) {
        return error;
    }
    if (int error = writeAll(temp.fd(), bytes); error != 0) {
        return error;
    }
    return temp.publish(path, false);
}

// A link whose target does not exist yet: the target is created through the link, as a
// plain save would, and removed again when the write fails.
int createThroughLink(const std::string &path, std::string_view bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666));
    if (!fd.valid()) {
        return errno;
    }
    char *real = ::realpath(path.c_str(), nullptr);
    const std::string target = real != nullptr ? real : path;
    std::free(real);
    const int error = writeInPlace(fd, bytes);
    if (error != 0) {
        ::unlink(target.c_str());
    } else {
        syncFolder(folderOf(target));
    }
    return error;
}

int replaceExisting(Fd &target, const struct stat &st, const std::string &path,
                    std::string_view bytes) {
    char *real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return errno;
    }
    const std::string file(real);
    std::free(real);

    TemporaryFile temp;
    if (int error = temp.create(folderOf(file), 0600); error != 0) {
        // A folder the user may not write to: the file itself may still be writable.
        return error == EACCES || error == EPERM ? writeInPlace(target, bytes) : error;
    }
    struct stat made {};
    if (::fstat(temp.fd(), &made) != 0) {
        return errno;
    }
    if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
        ::fchown(temp.fd(), st.st_uid, st.st_gid) != 0) {
        // Only the owner's own save could give the new file the old owner and group.
        return writeInPlace(target, bytes);
    }
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0) {
        return errno;
    }
    if (int error = writeAll(temp.fd(), bytes); error != 0) {
        return error;
    }
    return temp.publish(file, true);
}

} // namespace

FileWriteResult replaceFileAtomically(const std::string &path, std::string_view bytes) {
    if (path.empty()) {
        return {ENOENT};
    }
    if (path.back() == '/') {
        return {EISDIR};
    }
    // Opened for writing through the name given, without changing it: the kernel refuses
    // a read-only file or a protected link here, as for a plain save.
    Fd target(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!target.valid()) {
        if (errno != ENOENT) {
            return {errno};
        }
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            return {createThroughLink(path, bytes)};
        }
        return {createNew(path, bytes)};
    }
    struct stat st {};
    if (::fstat(target.get(), &st) != 0) {
        return {errno};
    }
    // A device or pipe (/dev/stdout, a FIFO) is written into: renaming a file over it
    // would replace the node itself.
    if (!S_ISREG(st.st_mode)) {
        return {writeStream(target, bytes)};
    }
    // A replacement would split the file from its other names.
    if (st.st_nlink > 1) {
        return {writeInPlace(target, bytes)};
    }
    return {replaceExisting(target, st, path, bytes)};
}

bool isSameFile(const std::string &first, const std::string &second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string systemErrorText(int error, FileAccess access) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "磁盘空间不足";
    case EACCES:
    case EPERM:
        return "没有权限";
    case ENOENT:
        return access == FileAccess::Write ? "文件夹不存在" : "文件不存在";
    case ENOTDIR:
        return "路径中有一部分不是文件夹";
    case EISDIR:
        return "这是一个文件夹";
    case EROFS:
        return "磁盘是只读的";
    case ENAMETOOLONG:
        return "文件名太长";
    case ELOOP:
        return "符号链接过多";
    case EFBIG:
        return "文件太大";
    case ENOMEM:
        return "内存不足";
    case EIO:
        return "读写磁盘时出错";
    case EEXIST:
        return "文件已存在";
    default:
        return "系统错误 " + std::to_string(error);
    }
}

} // namespace tunelet::score
