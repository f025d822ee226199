// The file writer's system calls: the real ones, and the table tests may change.
#include "score/system_calls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tunelet::score::detail {

SystemCalls realSystemCalls() {
    return {[](const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); },
            ::write, ::fsync, ::linkat, ::rename};
}

SystemCalls &systemCalls() {
    static SystemCalls calls = realSystemCalls();
    return calls;
}

Fd::~Fd() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int Fd::close() {
    const int fd = std::exchange(m_fd, -1);
    return ::close(fd) == 0 ? 0 : errno;
}

} // namespace tunelet::score::detail
