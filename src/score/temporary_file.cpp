// The temporary file of a whole-file replacement, its names, and removing leftovers.
#include "score/temporary_file.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tunelet::score::detail {

namespace {

// A leftover must be older than this process by a margin, as file times are coarse.
const std::time_t kProcessStart = std::time(nullptr);
constexpr std::time_t kLeftoverMargin = 2;

std::string baseNameOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".tnl", eight hex digits naming the target, then four random letters: short, so it fits
// where the target's own name just fits, and tied to the target, so its leftovers are
// found again.
constexpr std::size_t kNameLength = 16;

std::string namePrefix(const std::string &target) {
    std::uint32_t hash = 2166136261u; // FNV-1a of the target's own name
    for (const char c : baseNameOf(target)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string prefix = ".tnl";
    for (int shift = 28; shift >= 0; shift -= 4) {
        prefix.push_back(kHex[(hash >> shift) & 0xF]);
    }
    return prefix;
}

std::string temporaryName(const std::string &target) {
    static thread_local std::mt19937 engine{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folderOf(target) + "/" + namePrefix(target);
    while (name.size() < folderOf(target).size() + 1 + kNameLength) {
        name.push_back(kLetters[engine() % (sizeof kLetters - 1)]);
    }
    return name;
}

} // namespace

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = systemCalls().write(fd, bytes.data(), bytes.size());
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

void syncFolder(const std::string &folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        systemCalls().fsync(fd.get());
    }
}

void removeLeftovers(const std::string &target) {
    const std::string folder = folderOf(target);
    const std::string prefix = namePrefix(target);
    DIR *dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        struct stat st {};
        if (name.size() == kNameLength && name.starts_with(prefix) &&
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_mtime < kProcessStart - kLeftoverMargin) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

TemporaryFile::~TemporaryFile() {
    if (!m_name.empty()) {
        ::unlink(m_name.c_str());
    }
}

int TemporaryFile::create(const std::string &target, mode_t mode) {
    m_target = target;
    m_folder = folderOf(target);
    SystemCalls &calls = systemCalls();
    m_fd = Fd(calls.open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (m_fd.valid()) {
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return errno;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_name = temporaryName(target);
        m_fd = Fd(calls.open(m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
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

int TemporaryFile::publish(bool replace) {
    SystemCalls &calls = systemCalls();
    if (calls.fsync(m_fd.get()) != 0) {
        return errno;
    }
    if (m_name.empty() && !replace) {
        if (!linkAt(m_target)) {
            return errno;
        }
        syncFolder(m_folder);
        return m_fd.close();
    }
    if (m_name.empty()) {
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            m_name = temporaryName(m_target);
            error = linkAt(m_name) ? 0 : errno;
        }
        if (error != 0) {
            m_name.clear();
            return error;
        }
    }
    // Named from the link to the rename, with nothing in between: a kill there leaves a
    // leftover, which the next write of the target removes.
    if (calls.rename(m_name.c_str(), m_target.c_str()) != 0) {
        return errno;
    }
    m_name.clear();
    syncFolder(m_folder);
    return m_fd.close();
}

// Gives the unnamed file a name; the /proc path works without privileges.
bool TemporaryFile::linkAt(const std::string &name) {
    SystemCalls &calls = systemCalls();
    if (calls.linkat(m_fd.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd.get());
    return calls.linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace tunelet::score::detail
