// Tests of the .TNL script file: line splitting, NUL stop, CR LF writing, round trips.
#include "score/script_file.h"

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

TEST(ScriptFile, ReadFailureNamesThePath) {
    test::TempDir dir;
    const std::string missing = dir.file("missing.TNL");
    try {
        readScriptFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const FileError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(readScriptFile(dir.path().string()), FileError) << "a folder is not a file";
}

TEST(ScriptFile, WriteFailureNamesThePathAndKeepsTheOldFile) {
    test::TempDir dir;
    const std::string blocker = dir.file("plain");
    test::writeBytes(blocker, "old");
    const std::string target = blocker + "/song.TNL"; // parent is a regular file
    try {
        writeScriptFile(target, {"1fd/"});
        FAIL() << "no error for an impossible path";
    } catch (const FileError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + target);
    }
    EXPECT_EQ(test::readBytes(blocker), "old");
}

} // namespace
} // namespace tunelet::score
