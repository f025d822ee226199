// Tests of the .TNL script file: line splitting, NUL stop, CR LF writing, round trips.
#include "score/script_file.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "score/score_document.h"
#include "temp_dir.h"

namespace tunelet::score {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    const char *name;
    std::string bytes;
    Lines lines;
};

void PrintTo(const SplitCase &c, std::ostream *os) {
    *os << c.name;
}

class ParseScriptText : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ParseScriptText, SplitsLines) {
    EXPECT_EQ(parseScriptText(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, ParseScriptText,
    ::testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"CrLfEverywhere", "1fd/\r\n2fd/\r\n3fd/\r\n", {"1fd/", "2fd/", "3fd/"}},
        SplitCase{"NoFinalBreak", "1fd/\r\n2fd/\r\n3fd/", {"1fd/", "2fd/", "3fd/"}},
        SplitCase{"LfOnly", "a\nb\n", {"a", "b"}}, SplitCase{"LoneCr", "a\rb\r", {"a", "b"}},
        SplitCase{"MixedBreaks", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        SplitCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
        SplitCase{"EmptyMiddleLine", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        SplitCase{"OnlyABreak", "\r\n", {""}}, SplitCase{"TwoBreaks", "\n\n", {"", ""}},
        SplitCase{"StopsAtNul", std::string("a\r\nb\0c\r\nd\r\n", 11), {"a", "b"}},
        SplitCase{"NulFirst", std::string("\0a\r\n", 4), {}},
        SplitCase{"KeepsGbkBytes", "\xD6\xD0\xCE\xC4/\r\n", {"\xD6\xD0\xCE\xC4/"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FormatScriptText, EndsEveryLineWithCrLf) {
    EXPECT_EQ(formatScriptText({"1fd/", "", "3fd/"}), "1fd/\r\n\r\n3fd/\r\n");
    EXPECT_EQ(formatScriptText({}), "");
}

TEST(ScriptFile, WriteThenReadGivesTheSameBytes) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    // GBK text, a high byte in every position, an empty track and separators of all kinds.
    const Lines lines = {"@005/#100/2ed/", "\xC4\xE3\xBA\xC3 1fd 2fd", "", "1fdX\x80\xFF\x81"};
    writeScriptFile(path, lines);
    EXPECT_EQ(test::readBytes(path), formatScriptText(lines));
    EXPECT_EQ(readScriptFile(path), lines);
    EXPECT_EQ(dir.entryCount(), 1u) << "no temporary file is left behind";
}

// Reading stops at the first NUL, so an endless or huge input ends at once.
TEST(ScriptFile, ReadsHugeAndEndlessInputsUpToTheFirstNul) {
    test::TempDir dir;
    const std::string sparse = dir.file("sparse.TNL");
    test::writeBytes(sparse, "1fd/\r\n2fd");
    ASSERT_EQ(::truncate(sparse.c_str(), std::int64_t{64} << 30), 0);
    EXPECT_EQ(readScriptFile(sparse), (Lines{"1fd/", "2fd"})) << "64 GB, holes read as NUL";
    EXPECT_EQ(readScriptFile("/dev/zero", ScriptSource::AnyFile), Lines{}) << "a filter's input";
}

// The first line is the toolkit's message, the second why, in the user's words.
TEST(ScriptFile, ReadFailureSaysWhichFileAndWhy) {
    test::TempDir dir;
    const std::string missing = dir.file("missing.TNL");
    const std::string folder = dir.path().string();
    for (const auto &[path, why] : {std::pair{missing, "文件不存在"}, {folder, "这是一个文件夹"}}) {
        try {
            readScriptFile(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const FileError &e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path + "\n" + why);
        }
    }
}

std::string readFailure(const std::string &path) {
    try {
        readScriptFile(path);
    } catch (const FileError &e) {
        return e.what();
    }
    return "no error";
}

std::string writeFailure(const std::string &path) {
    try {
        writeScriptFile(path, {"1fd/"});
    } catch (const FileError &e) {
        return e.what();
    }
    return "no error";
}

TEST(ScriptFile, WriteFailureSaysWhichFileAndWhyAndKeepsTheOldFile) {
    // /proc takes no new file; only root gets that far, others may not write there at all.
    const char *kProcWhy = ::geteuid() == 0 ? "这个文件夹中不能新建文件" : "没有权限";
    test::TempDir dir;
    const std::string blocker = dir.file("plain");
    test::writeBytes(blocker, "old");
    const std::string absent = dir.file("absent/song.TNL");
    const std::string underFile = blocker + "/song.TNL";
    for (const auto &[path, why] : {std::pair{std::string("/proc/song.TNL"), kProcWhy},
                                    {absent, "文件夹不存在"},
                                    {underFile, "路径中有一部分不是文件夹"}}) {
        EXPECT_EQ(writeFailure(path), "Cannot create file " + path + "\n" + why);
    }
    EXPECT_EQ(test::readBytes(blocker), "old");
    if (::geteuid() == 0) {
        // A file its user may not write: refused as a plain save would be.
        ASSERT_EQ(::chmod(blocker.c_str(), 0444), 0);
        ASSERT_EQ(::chown(dir.path().c_str(), test::kNobody, test::kNogroup), 0);
        EXPECT_EQ(test::runAsNobody([&] {
                      return writeFailure(blocker) ==
                             "Cannot create file " + blocker + "\n没有权限";
                  }),
                  1);
        EXPECT_EQ(test::readBytes(blocker), "old");
    }
}

// Anything but a regular file is refused at once, as a script and as a target: a pipe
// without a partner, a terminal or a socket would otherwise keep the window waiting.
TEST(ScriptFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.TNL").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.file("read-pipe.TNL").c_str(), 0600), 0);
    const int reader = ::open(dir.file("read-pipe.TNL").c_str(), O_RDONLY | O_NONBLOCK);
    std::filesystem::create_symlink("pipe.TNL", dir.file("link.TNL"));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    dir.file("socket.TNL").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    std::vector<std::string> paths = {dir.file("pipe.TNL"), dir.file("read-pipe.TNL"),
                                      dir.file("link.TNL"), dir.file("socket.TNL")};
    // A device of the test's own (a copy of /dev/null): the system's own are never risked.
    if (::mknod(dir.file("device.TNL").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        paths.push_back(dir.file("device.TNL"));
    }
    const std::string why = "\n这不是普通文件（而是设备、管道或套接字）";
    for (const std::string &path : paths) {
        EXPECT_EQ(test::outputWithin([&] { return readFailure(path) + "|" + writeFailure(path); }),
                  "Cannot open file " + path + why + "|Cannot create file " + path + why);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("pipe.TNL")));
    ::close(socket);
    ::close(reader);
}

} // namespace
} // namespace tunelet::score
