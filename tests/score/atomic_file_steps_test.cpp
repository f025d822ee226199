// Tests of the whole-file replacement step by step, through its system-call table: the
// order of flushes and names, a file system without unnamed files, failed writes, kills at
// the worst moments and a name that another writer creates meanwhile.
#include "score/atomic_file.h"

#include <csignal>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "score/system_calls.h"
#include "temp_dir.h"

namespace tunelet::score {
namespace {

using detail::systemCalls;

// Puts the real calls back after each test.
class AtomicFileSteps : public ::testing::Test {
protected:
    void TearDown() override { systemCalls() = detail::realSystemCalls(); }
};

std::vector<std::string> &trace() {
    static std::vector<std::string> steps;
    return steps;
}

// The calls of a writer that records its flushes, names and renames.
void traceCalls() {
    trace().clear();
    systemCalls().fsync = [](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        trace().push_back(S_ISDIR(st.st_mode) ? "flush folder" : "flush file");
        return ::fsync(fd);
    };
    systemCalls().linkat = [](int fromFolder, const char *from, int toFolder, const char *to,
                              int flags) {
        trace().push_back("name");
        return ::linkat(fromFolder, from, toFolder, to, flags);
    };
    systemCalls().rename = [](const char *from, const char *to) {
        trace().push_back("rename");
        return ::rename(from, to);
    };
}

// A file system without unnamed temporary files (FAT, some network file systems).
void withoutUnnamedFiles() {
    systemCalls().open = [](const char *path, int flags, mode_t mode) {
        if ((flags & O_TMPFILE) == O_TMPFILE) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return ::open(path, flags, mode);
    };
}

// The new bytes are flushed before they take the target's name, and the folder after, so
// a power cut leaves the old file or the whole new one.
TEST_F(AtomicFileSteps, FlushesTheFileBeforeNamingItAndTheFolderAfter) {
    const struct {
        const char *name;
        bool unnamedFiles;
        bool targetExists;
        std::vector<std::string> steps;
    } cases[] = {
        {"new file", true, false, {"flush file", "name", "flush folder"}},
        {"replaced file", true, true, {"flush file", "name", "rename", "flush folder"}},
        {"new file, no unnamed files", false, false, {"flush file", "rename", "flush folder"}},
        {"replaced file, no unnamed files", false, true, {"flush file", "rename", "flush folder"}},
    };
    for (const auto &c : cases) {
        test::TempDir dir;
        const std::string path = dir.file("song.MID");
        if (c.targetExists) {
            test::writeBytes(path, "old");
        }
        systemCalls() = detail::realSystemCalls();
        if (!c.unnamedFiles) {
            withoutUnnamedFiles();
        }
        traceCalls();
        const FileWriteResult result = replaceFileAtomically(path, "new");
        EXPECT_EQ(std::make_tuple(result.error, test::readBytes(path), dir.entryCount(), trace()),
                  std::make_tuple(0, std::string("new"), std::size_t{1}, c.steps))
            << c.name;
    }
}

// A write that fails halfway leaves each kind of target as it was: no half file anywhere.
TEST_F(AtomicFileSteps, AWriteFailingHalfwayLeavesEachTargetAsItWas) {
    const struct {
        const char *name;
        const char *oldBytes; // nullptr: absent
        bool throughDanglingLink;
    } cases[] = {{"new file", nullptr, false},
                 {"existing file", "old", false},
                 {"dangling link", nullptr, true}};
    for (const auto &c : cases) {
        test::TempDir dir;
        const std::string real = dir.file("real.MID");
        if (c.oldBytes != nullptr) {
            test::writeBytes(real, c.oldBytes);
        }
        if (c.throughDanglingLink) {
            std::filesystem::create_symlink("real.MID", dir.file("link.MID"));
        }
        systemCalls().write = [](int fd, const void *bytes, size_t size) -> ssize_t {
            static int calls = 0;
            if (++calls % 2 == 0) {
                errno = ENOSPC;
                return -1;
            }
            return ::write(fd, bytes, std::min<size_t>(size, 2));
        };
        const std::string path = c.throughDanglingLink ? dir.file("link.MID") : real;
        EXPECT_EQ(replaceFileAtomically(path, "new bytes").error, ENOSPC) << c.name;
        EXPECT_EQ(std::filesystem::exists(real) ? test::readBytes(real) : "(absent)",
                  c.oldBytes != nullptr ? c.oldBytes : "(absent)")
            << c.name;
    }
}

// Two writers of one new name: the one that finds the name taken when it publishes
// replaces what the other wrote, as it would replace any existing file.
TEST_F(AtomicFileSteps, TheLaterOfTwoWritersOfANewNameWins) {
    test::TempDir dir;
    static std::string rivalTarget;
    rivalTarget = dir.file("song.MID");
    systemCalls().linkat = [](int fromFolder, const char *from, int toFolder, const char *to,
                              int flags) {
        if (rivalTarget == to) { // the other writer gets there first
            test::writeBytes(rivalTarget, "theirs");
            rivalTarget.clear();
        }
        return ::linkat(fromFolder, from, toFolder, to, flags);
    };
    EXPECT_EQ(replaceFileAtomically(dir.file("song.MID"), "ours").error, 0);
    EXPECT_EQ(test::readBytes(dir.file("song.MID")), "ours");
    EXPECT_EQ(dir.entryCount(), 1u);
}

std::set<std::string> leftovers(const test::TempDir &dir) {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with(".tnl")) {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

// Writes target in a child killed at the rename, after the new file got its temporary name.
void killedAtRename(const std::string &target) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        systemCalls().rename = [](const char *, const char *) { return ::raise(SIGKILL); };
        replaceFileAtomically(target, "new");
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
}

std::set<std::string> oldLeftovers(const test::TempDir &dir) {
    std::set<std::string> names;
    for (const std::string &name : leftovers(dir)) {
        struct stat st {};
        if (::stat(dir.file(name).c_str(), &st) == 0 && st.st_mtime < std::time(nullptr) - 600) {
            names.insert(name);
        }
    }
    return names;
}

void makeOld(const test::TempDir &dir, const std::set<std::string> &names) {
    const struct timespec hourAgo = {std::time(nullptr) - 3600, 0};
    const struct timespec times[2] = {hourAgo, hourAgo};
    for (const std::string &name : names) {
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    }
}

// A kill at the one moment the new file has a temporary name leaves it behind; the next
// write of that target removes it when it is older than the writing process, and nothing
// else: not another target's, not one a writer may still be working on.
TEST_F(AtomicFileSteps, TheNextWriteRemovesWhatAKilledWriteLeft) {
    test::TempDir dir;
    const std::string song = dir.file("song.MID");
    const std::string other = dir.file("other.MID");
    test::writeBytes(song, "old");
    test::writeBytes(other, "old");
    killedAtRename(other);
    const std::set<std::string> leftOfOther = leftovers(dir);
    killedAtRename(song);
    ASSERT_EQ(leftovers(dir).size(), 2u) << "each kill left its new file";
    makeOld(dir, leftovers(dir));
    killedAtRename(song); // removes the old leftover of song, leaves a fresh one
    const std::set<std::string> left = leftovers(dir);
    EXPECT_EQ(std::make_pair(left.size(), oldLeftovers(dir)), std::make_pair(2ul, leftOfOther));

    ASSERT_TRUE(replaceFileAtomically(song, "newest").ok());
    EXPECT_EQ(leftovers(dir), left) << "another target's and a fresh one stay";
    EXPECT_EQ(test::readBytes(song), "newest");

    makeOld(dir, left);
    std::filesystem::remove(song);
    ASSERT_TRUE(replaceFileAtomically(song, "new file").ok());
    EXPECT_EQ(leftovers(dir), leftOfOther) << "a file made new removes its name's leftovers too";
}

// A file written in place (it has other names) keeps its old bytes in a copy beside it
// until the new ones are complete: a kill in between leaves them recoverable, and the
// copy is never overwritten by a later write.
TEST_F(AtomicFileSteps, AKillWhileWritingInPlaceLeavesTheOldBytesBeside) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    test::writeBytes(path, "old bytes");
    ASSERT_EQ(::link(path.c_str(), dir.file("other name").c_str()), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        systemCalls().write = [](int fd, const void *bytes, size_t size) -> ssize_t {
            static int calls = 0;
            if (++calls == 5) { // three for the copy, one for part of the new bytes
                ::raise(SIGKILL);
            }
            return ::write(fd, bytes, std::min<size_t>(size, 4));
        };
        replaceFileAtomically(path, "new bytes, longer");
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    ASSERT_NE(test::readBytes(path), "old bytes");
    EXPECT_EQ(test::readBytes(path + ".tnl-old"), "old bytes");
    EXPECT_EQ(replaceFileAtomically(path, "newer").error, kOldCopyExists);
    EXPECT_EQ(test::readBytes(path + ".tnl-old"), "old bytes");
}

// A write in place that fails where the program sees it (a full disk) puts the old bytes
// back and removes its copy, so the next write is not taken for one after a kill.
TEST_F(AtomicFileSteps, AFailedWriteInPlaceLeavesTheFileAndNoCopy) {
    static int failAt; // the write into the file that fails, counted from 1
    static int calls;
    systemCalls().write = [](int fd, const void *bytes, size_t size) -> ssize_t {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink > 1 && ++calls == failAt) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, bytes, std::min<size_t>(size, 4));
    };
    for (const int at : {1, 2}) { // before and after part of the new bytes is in the file
        failAt = at;
        calls = 0;
        test::TempDir dir;
        const std::string path = dir.file("song.TNL");
        test::writeBytes(path, "old bytes");
        ASSERT_EQ(::link(path.c_str(), dir.file("other name").c_str()), 0);
        EXPECT_EQ(replaceFileAtomically(path, "new bytes, longer").error, ENOSPC) << at;
        EXPECT_EQ(std::make_tuple(test::readBytes(dir.file("other name")), dir.entryCount()),
                  std::make_tuple(std::string("old bytes"), std::size_t{2}))
            << at;
        EXPECT_EQ(replaceFileAtomically(path, "newer").error, 0) << at;
    }
}

} // namespace
} // namespace tunelet::score
