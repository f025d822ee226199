// Tests of the whole-file replacement: a new file in the old one's place, what the old
// file's owner, mode, links and names keep, refusals, failures leaving no trace.
#include "score/atomic_file.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "score/system_calls.h"
#include "temp_dir.h"

namespace tunelet::score {
namespace {

struct stat statOf(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// A skip must be in the test's own body: from a helper it would only leave the helper.
#define SKIP_UNLESS_ROOT()                                                                         \
    if (::geteuid() != 0)                                                                          \
    GTEST_SKIP() << "only root can give files to another user"

// The process dies in the middle of writing (the file size limit kills it with SIGXFSZ):
// the old file is whole and no temporary file is left in the folder.
TEST(ReplaceFileAtomically, AWriteKilledHalfwayLeavesNothingBehind) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    test::writeBytes(path, "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        replaceFileAtomically(path, std::string(1 << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(test::readBytes(path), "old");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ReplaceFileAtomically, CreatesAndReplaces) {
    test::TempDir dir;
    const std::string path = dir.file("out.MID");
    ASSERT_TRUE(replaceFileAtomically(path, std::string("a\0b", 3)).ok());
    EXPECT_EQ(test::readBytes(path), std::string("a\0b", 3));
    ASSERT_TRUE(replaceFileAtomically(path, "").ok());
    EXPECT_EQ(test::readBytes(path), "");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ReplaceFileAtomically, PutsANewFileInTheOldOnesPlace) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    test::writeBytes(path, "old");
    const ino_t oldInode = test::inodeOf(path);
    const int reader = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(replaceFileAtomically(path, "new bytes").ok());
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 3);
    EXPECT_EQ(std::string(got), "old") << "a reader of the old file still sees it whole";
    ::close(reader);
    EXPECT_NE(test::inodeOf(path), oldInode);
    EXPECT_EQ(test::readBytes(path), "new bytes");
}

TEST(ReplaceFileAtomically, NewFileGetsTheUsualModeAndOldFileKeepsItsMode) {
    test::TempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string fresh = dir.file("fresh");
    ASSERT_TRUE(replaceFileAtomically(fresh, "x").ok());
    EXPECT_EQ(statOf(fresh).st_mode & 07777, 0644u);

    const std::string existing = dir.file("existing");
    test::writeBytes(existing, "old");
    ASSERT_EQ(::chmod(existing.c_str(), 0640), 0);
    ASSERT_TRUE(replaceFileAtomically(existing, "new").ok());
    EXPECT_EQ(statOf(existing).st_mode & 07777, 0640u);
    ::umask(oldMask);
}

TEST(ReplaceFileAtomically, ReplacedFileKeepsItsOwnerAndGroup) {
    SKIP_UNLESS_ROOT();
    const std::pair<uid_t, gid_t> owners[] = {{test::kNobody, test::kNogroup},
                                              {0, test::kNogroup}}; // the group alone differs
    for (const auto &owner : owners) {
        test::TempDir dir;
        const std::string path = dir.file("theirs.TNL");
        test::writeBytes(path, "old");
        ASSERT_EQ(::chown(path.c_str(), owner.first, owner.second), 0);
        ASSERT_TRUE(replaceFileAtomically(path, "new").ok());
        const struct stat st = statOf(path);
        EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), owner);
    }
}

TEST(ReplaceFileAtomically, WritesTheFileALinkPointsTo) {
    for (const bool targetExists : {true, false}) {
        test::TempDir dir;
        if (targetExists) {
            test::writeBytes(dir.file("real"), "old");
        }
        std::filesystem::create_symlink("real", dir.file("link"));
        ASSERT_TRUE(replaceFileAtomically(dir.file("link"), "new").ok());
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")) &&
                    test::readBytes(dir.file("real")) == "new")
            << (targetExists ? "live link" : "dangling link");
    }
}

// A pipe with a reader is refused as any other device would be, and nothing reaches it.
TEST(ReplaceFileAtomically, RefusesAPipeAndWritesNothingIntoIt) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(replaceFileAtomically(fifo, "MThd").error, kNotRegularFile);
    char got[8] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 0) << got;
    ::close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(dir.entryCount(), 1u);
}

// Where a new file would split hard links, lose the owner or need a folder the user may
// not write to, the file itself is written: same inode, new bytes.
struct InPlaceCase {
    const char *name;
    bool asNobody;                             // saved by the unprivileged user
    void (*prepare)(const test::TempDir &dir); // dir holds "song.TNL" with "old bytes"
};

void PrintTo(const InPlaceCase &c, std::ostream *os) {
    *os << c.name;
}

class ReplaceFileInPlace : public ::testing::TestWithParam<InPlaceCase> {};

TEST_P(ReplaceFileInPlace, KeepsTheSameFile) {
    SKIP_UNLESS_ROOT();
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    test::writeBytes(path, "old bytes");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    GetParam().prepare(dir);
    const ino_t inode = test::inodeOf(path);
    auto save = [&] { return replaceFileAtomically(path, "new").error; };
    ASSERT_EQ(GetParam().asNobody ? test::runAsNobody(save) : save(), 0);
    EXPECT_TRUE(test::inodeOf(path) == inode && test::readBytes(path) == "new" &&
                !std::filesystem::exists(path + ".tnl-old"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceFileInPlace,
    ::testing::Values(
        InPlaceCase{"OtherHardLink", false,
                    [](const test::TempDir &dir) {
                        ASSERT_EQ(::link(dir.file("song.TNL").c_str(), dir.file("copy").c_str()),
                                  0);
                    }},
        InPlaceCase{"OwnerTheSaverCannotGive", true,
                    [](const test::TempDir &dir) {
                        // The folder is the saver's, the file another user's (writable).
                        ASSERT_EQ(::chown(dir.path().c_str(), test::kNobody, test::kNogroup), 0);
                        ASSERT_EQ(::chmod(dir.file("song.TNL").c_str(), 0666), 0);
                    }},
        InPlaceCase{"ReadOnlyFolder", true,
                    [](const test::TempDir &dir) {
                        ASSERT_EQ(::chmod(dir.file("song.TNL").c_str(), 0666), 0);
                    }}),
    [](const auto &info) { return std::string(info.param.name); });

// A file mounted over the target's name cannot be renamed over (EBUSY); it is written in
// place, as a plain save would, and keeps no copy once done.
TEST(ReplaceFileAtomically, WritesAFileMountedOverItsNameInPlace) {
    SKIP_UNLESS_ROOT();
    test::TempDir dir;
    const std::string source = dir.file("source.MID");
    const std::string target = dir.file("song.MID");
    test::writeBytes(source, "old");
    test::writeBytes(target, "under the mount");
    const std::optional<std::string> outcome = test::outputWithin([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return "no mounts here";
        }
        const int error = replaceFileAtomically(target, "new").error;
        return std::to_string(error) + " " + test::readBytes(source) + " " +
               std::to_string(dir.entryCount());
    });
    if (outcome == "no mounts here") {
        GTEST_SKIP() << "this machine lets no test mount";
    }
    EXPECT_EQ(outcome, "0 new 2");
}

TEST(ReplaceFileAtomically, RefusesAFileTheUserMayNotWrite) {
    SKIP_UNLESS_ROOT();
    for (const bool throughLink : {false, true}) {
        test::TempDir dir;
        ASSERT_EQ(::chown(dir.path().c_str(), test::kNobody, test::kNogroup), 0);
        const std::string file = dir.file("read-only.TNL");
        test::writeBytes(file, "old");
        ASSERT_EQ(::chown(file.c_str(), test::kNobody, test::kNogroup), 0);
        ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
        std::filesystem::create_symlink(file, dir.file("link"));
        const std::string path = throughLink ? dir.file("link") : file;
        EXPECT_EQ(test::runAsNobody([&] { return replaceFileAtomically(path, "new").error; }),
                  EACCES)
            << path;
        EXPECT_EQ(test::readBytes(file), "old");
    }
}

// Also a file with another name, written in place beside a copy of its old bytes: the
// copy's name is shortened to fit the folder.
TEST(ReplaceFileAtomically, SavesANameOfTheLongestLength) {
    for (const bool hardLinked : {false, true}) {
        test::TempDir dir;
        const std::string path = dir.file(std::string(255, 'n'));
        ASSERT_TRUE(replaceFileAtomically(path, "x").ok());
        if (hardLinked) {
            ASSERT_EQ(::link(path.c_str(), dir.file("other").c_str()), 0);
        }
        EXPECT_EQ(replaceFileAtomically(path, "y").error, 0) << hardLinked;
        EXPECT_EQ(test::readBytes(path), "y") << hardLinked;
    }
}

TEST(ReplaceFileAtomically, FailuresLeaveEverythingAsItWas) {
    test::TempDir dir;
    const std::string plain = dir.file("plain");
    test::writeBytes(plain, "old");
    std::filesystem::create_directory(dir.file("folder"));
    test::writeBytes(dir.file("folder/inside"), "keep");
    for (const std::string &path : {plain + "/x", dir.file("absent/x"), dir.file("folder"),
                                    std::string(), dir.file("") + "/"}) {
        EXPECT_FALSE(replaceFileAtomically(path, "new").ok()) << path;
    }
    EXPECT_EQ(test::readBytes(plain), "old");
    EXPECT_EQ(test::readBytes(dir.file("folder/inside")), "keep");
    EXPECT_EQ(dir.entryCount(), 2u) << "no temporary file is left behind";
}

TEST(IsSameFile, AnyNameOfOneFile) {
    test::TempDir dir;
    test::writeBytes(dir.file("song.TNL"), "1fd/");
    test::writeBytes(dir.file("other.TNL"), "1fd/");
    ASSERT_EQ(::link(dir.file("song.TNL").c_str(), dir.file("hard").c_str()), 0);
    std::filesystem::create_symlink("song.TNL", dir.file("soft"));
    const std::string song = dir.file("song.TNL");
    const struct {
        std::string first;
        std::string other;
        bool same;
    } cases[] = {
        {song, song, true},
        {song, dir.path().string() + "/./song.TNL", true},
        {song, dir.file("hard"), true},
        {song, dir.file("soft"), true},
        {song, dir.file("other.TNL"), false},
        {song, dir.file("absent.MID"), false},
        {"/proc", "/sys", false}, // one inode number on two file systems
    };
    for (const auto &c : cases) {
        EXPECT_EQ(isSameFile(c.first, c.other), c.same) << c.other;
    }
}

} // namespace
} // namespace tunelet::score
