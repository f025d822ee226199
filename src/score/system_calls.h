// The file writer's system calls, behind one table so that tests can fail or watch them,
// and a file descriptor that is closed on every path.
#pragma once

#include <sys/types.h>
#include <utility>

namespace tunelet::score::detail {

// The calls whose failure or order a test must see: creating the temporary file (a file
// system without unnamed files), writing, flushing, naming and putting the new file in
// place.
struct SystemCalls {
    int (*open)(const char *path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void *bytes, size_t size);
    int (*fsync)(int fd);
    int (*linkat)(int fromFolder, const char *from, int toFolder, const char *to, int flags);
    int (*rename)(const char *from, const char *to);
};

// The table the writer calls through: the system's own calls unless a test replaced one.
SystemCalls &systemCalls();
SystemCalls realSystemCalls();

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
    ~Fd();
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and answers the close's error: a write may only fail here (NFS, quotas).
    int close();

private:
    int m_fd;
};

} // namespace tunelet::score::detail
