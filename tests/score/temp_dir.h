// Tests of the score module: a fresh temporary folder per test, removed afterwards.
#pragma once

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tunelet::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tunelet-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        m_path = pattern;
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string file(const std::string &name) const { return (m_path / name).string(); }
    const std::filesystem::path &path() const { return m_path; }
    std::size_t entryCount() const {
        auto it = std::filesystem::directory_iterator(m_path);
        return static_cast<std::size_t>(std::distance(it, std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

inline void writeBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline ino_t inodeOf(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

// The unprivileged user the permission tests act as.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Runs body in a child process as the user nobody and answers what body returned (0 to
// 255), so the kernel's permission checks apply although the tests run as root. Only a
// root process can give files to other users: callers skip when not root.
inline int runAsNobody(const std::function<int()> &body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(255);
        }
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return 254;
    }
    return WEXITSTATUS(status);
}

// Runs body in a child process and answers the text it returned, or nothing when it did not
// finish within ten seconds (the child is then killed): a call that would wait for ever
// fails its test instead of hanging it.
inline std::optional<std::string> outputWithin(const std::function<std::string()> &body) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string text = body();
        const ssize_t written = ::write(fds[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    bool ended = false;
    for (struct pollfd poll = {fds[0], POLLIN, 0}; ::poll(&poll, 1, 10000) > 0;) {
        char piece[4096];
        const ssize_t got = ::read(fds[0], piece, sizeof piece);
        if (got <= 0) {
            ended = got == 0;
            break;
        }
        text.append(piece, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (!ended) {
        ::kill(pid, SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
    return ended ? std::optional(text) : std::nullopt;
}

} // namespace tunelet::test
