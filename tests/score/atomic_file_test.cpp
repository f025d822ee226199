// Tests of the whole-file replacement: contents, permissions, failures leaving no trace.
#include "score/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tunelet::score {
namespace {

mode_t modeOf(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST(ReplaceFileAtomically, CreatesAndReplaces) {
    test::TempDir dir;
    const std::string path = dir.file("out.MID");
    ASSERT_TRUE(replaceFileAtomically(path, std::string("a\0b", 3)));
    EXPECT_EQ(test::readBytes(path), std::string("a\0b", 3));
    ASSERT_TRUE(replaceFileAtomically(path, ""));
    EXPECT_EQ(test::readBytes(path), "");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ReplaceFileAtomically, NewFileGetsTheUsualModeAndOldFileKeepsItsMode) {
    test::TempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string fresh = dir.file("fresh");
    ASSERT_TRUE(replaceFileAtomically(fresh, "x"));
    EXPECT_EQ(modeOf(fresh), 0644u);

    const std::string existing = dir.file("existing");
    test::writeBytes(existing, "old");
    ASSERT_EQ(::chmod(existing.c_str(), 0640), 0);
    ASSERT_TRUE(replaceFileAtomically(existing, "new"));
    EXPECT_EQ(modeOf(existing), 0640u);
    ::umask(oldMask);
}

TEST(ReplaceFileAtomically, WritesThroughASymbolicLink) {
    test::TempDir dir;
    test::writeBytes(dir.file("real"), "old");
    std::filesystem::create_symlink("real", dir.file("link"));
    ASSERT_TRUE(replaceFileAtomically(dir.file("link"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(test::readBytes(dir.file("real")), "new");
}

TEST(ReplaceFileAtomically, WritesIntoAPipeInsteadOfReplacingIt) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(replaceFileAtomically(fifo, "MThd"));
    char got[8] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    EXPECT_EQ(std::string(got), "MThd");
    ::close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ReplaceFileAtomically, FailuresLeaveEverythingAsItWas) {
    test::TempDir dir;
    const std::string plain = dir.file("plain");
    test::writeBytes(plain, "old");
    std::filesystem::create_directory(dir.file("folder"));
    test::writeBytes(dir.file("folder/inside"), "keep");
    for (const std::string &path : {plain + "/x", dir.file("absent/x"), dir.file("folder"),
                                    std::string(), dir.file("") + "/"}) {
        EXPECT_FALSE(replaceFileAtomically(path, "new")) << path;
    }
    EXPECT_EQ(test::readBytes(plain), "old");
    EXPECT_EQ(test::readBytes(dir.file("folder/inside")), "keep");
    EXPECT_EQ(dir.entryCount(), 2u) << "no temporary file is left behind";
}

} // namespace
} // namespace tunelet::score
