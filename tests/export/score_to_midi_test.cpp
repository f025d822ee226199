// Tests of ScoreToMidi: exact bytes of whole files, the failure kinds, the atomic output.
#include "export/score_to_midi.h"
#include "score/file_access.h"

#include <cerrno>
#include <tuple>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tunelet::midi {
namespace {

using Lines = std::vector<std::string>;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

std::string header(int tracks, int division) {
    return "MThd" + bytes({0, 0, 0, 6, 0, 1, 0, tracks, division >> 8, division & 0xFF});
}

std::string chunk(const std::string &events) {
    const std::string data = events + bytes({0x00, 0xFF, 0x2F, 0x00});
    const auto n = static_cast<int>(data.size());
    return "MTrk" + bytes({n >> 24, (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF}) + data;
}

std::string compile(const Lines &lines, std::uint16_t division = 48, bool staccato = true) {
    ExportResult result = compileScore(lines, {division, staccato});
    EXPECT_TRUE(result.ok()) << static_cast<int>(result.failure);
    return result.bytes;
}

TEST(CompileScore, OneQuarterNoteMiddleC) {
    const std::string expected =
        bytes({0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x01,
               0x00, 0x30, 0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x90,
               0x3C, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(compile({"1fd/"}), expected);
    EXPECT_EQ(compile({"1fd"}), expected) << "the last separator may be missing";
}

TEST(CompileScore, ProgramVolumeAndNote) {
    EXPECT_EQ(compile({"@005/#100/2ed/"}),
              header(1, 48) + chunk(bytes({0x00, 0xC0, 0x05, 0x00, 0x90, 0x32, 0x64, 0x30, 0x3C,
                                           0x00, 0x00, 0x32, 0x00})));
}

TEST(CompileScore, TokenBytesInContext) {
    struct Case {
        const char *line;
        bool staccato;
        std::string events;
    };
    const Case cases[] = {
        {"", true, ""},
        {"0a/", true, bytes({0x00, 0x90, 0x3C, 0x00, 0x81, 0x40, 0x3C, 0x00})},
        {"2fd/3fd/", false,
         bytes({0x00, 0x90, 0x3E, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x40, 0x50, 0x30, 0x3C, 0x00})},
        {"2fd/3fd/", true,
         bytes({0x00, 0x90, 0x3E, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x3E, 0x00, 0x00, 0x40, 0x50, 0x30,
                0x3C, 0x00, 0x00, 0x40, 0x00})},
        // A program change ends running status: the next note repeats the status byte.
        {"1ah/@127/0b/", false,
         bytes({0x00, 0x90, 0x00, 0x50, 0x48, 0x3C, 0x00, 0x00, 0xC0, 0x7F, 0x00, 0x90, 0x3C, 0x00,
                0x81, 0x10, 0x3C, 0x00})},
        {"#127/5kg/#080/1ae", false,
         bytes({0x00, 0x90, 0x7F, 0x7F, 0x06, 0x3C, 0x00, 0x00, 0x00, 0x50, 0x18, 0x3C, 0x00})},
        // Volumes the dialog offers above the MIDI range play at the loudest velocity.
        {"#255/1fc #$FF 1ff", false,
         bytes({0x00, 0x90, 0x3C, 0x7F, 0x60, 0x3C, 0x00, 0x00, 0x3C, 0x7F, 0x0C, 0x3C, 0x00})},
        {"#000/1fd/#12", false, bytes({0x00, 0x90, 0x3C, 0x00, 0x30, 0x3C, 0x00})},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(compile({c.line}, 48, c.staccato), header(1, 48) + chunk(c.events)) << c.line;
    }
}

TEST(CompileScore, ChannelsFollowTheTrackIndex) {
    Lines lines(16, "");
    lines[9] = "1fd";
    lines[15] = "@000/1fd";
    const std::string file = compile(lines);
    std::string expected = header(16, 48);
    for (int t = 0; t < 16; ++t) {
        std::string events;
        if (t == 9) {
            events = bytes({0x00, 0x99, 0x3C, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x3C, 0x00});
        } else if (t == 15) {
            events = bytes(
                {0x00, 0xCF, 0x00, 0x00, 0x9F, 0x3C, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x3C, 0x00});
        }
        expected += chunk(events);
    }
    EXPECT_EQ(file, expected);
}

TEST(CompileScore, VelocityCarriesAcrossTracksButNotExports) {
    const std::string file = compile({"#100/", "1fd", "#020 0d"}, 48, false);
    const std::string note100 = bytes({0x00, 0x90 + 1, 0x3C, 0x64, 0x30, 0x3C, 0x00});
    EXPECT_EQ(file, header(3, 48) + chunk("") + chunk(note100) +
                        chunk(bytes({0x00, 0x92, 0x3C, 0x00, 0x30, 0x3C, 0x00})));
    EXPECT_EQ(compile({"1fd"}, 48, false),
              header(1, 48) + chunk(bytes({0x00, 0x90, 0x3C, 0x50, 0x30, 0x3C, 0x00})));
}

TEST(CompileScore, DivisionOnlyChangesTheHeader) {
    const Lines lines = {"@005/1fd/0e/", "2ga"};
    const std::string at48 = compile(lines, 48);
    const std::string at384 = compile(lines, 384);
    EXPECT_EQ(at384.substr(0, 14), header(2, 384));
    EXPECT_EQ(at48.substr(14), at384.substr(14));
}

struct FailureCase {
    Lines lines;
    std::uint16_t division;
    ExportFailure failure;
    ScanFault scanFault;
    std::size_t track;
    std::size_t position;
};

void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.lines.size() << " lines, division " << c.division;
}

class CompileScoreFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CompileScoreFailure, ReportsKindTrackAndPosition) {
    const FailureCase &c = GetParam();
    ExportResult result = compileScore(c.lines, {c.division, true});
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_EQ(result.scanFault, c.scanFault);
    EXPECT_EQ(result.track, c.track);
    EXPECT_EQ(result.position, c.position);
    EXPECT_TRUE(result.bytes.empty()) << "a failed export yields nothing";
}

using EF = ExportFailure;
using SF = ScanFault;
INSTANTIATE_TEST_SUITE_P(
    Failures, CompileScoreFailure,
    ::testing::Values(
        FailureCase{{}, 48, EF::NoTracks, SF::None, 0, 0},
        FailureCase{Lines(17, "1fd"), 48, EF::TooManyTracks, SF::None, 0, 0},
        FailureCase{{"1fd"}, 0, EF::ZeroDivision, SF::None, 0, 0},
        FailureCase{{"1fd"}, 0x8000, EF::ZeroDivision, SF::None, 0, 0},
        FailureCase{{"1fd/", "1fd2fd"}, 48, EF::TokenError, SF::BadTokenStart, 2, 5},
        FailureCase{{"1F"}, 48, EF::TokenError, SF::BadOctave, 1, 2},
        FailureCase{{"0a/0i"}, 48, EF::TokenError, SF::BadDuration, 1, 5},
        FailureCase{{"1fd/5"}, 48, EF::TokenError, SF::TruncatedToken, 1, 6},
        FailureCase{{"@1x2/1fd"}, 48, EF::NumberError, SF::BadNumber, 1, 2},
        FailureCase{{"1fd", "#"}, 48, EF::NumberError, SF::BadNumber, 2, 2},
        FailureCase{{"5kd/yka"}, 48, EF::TokenError, SF::KeyOutOfRange, 1, 5},
        FailureCase{{"7kd"}, 48, EF::TokenError, SF::KeyOutOfRange, 1, 1},
        FailureCase{{"@128"}, 48, EF::TokenError, SF::ProgramOutOfRange, 1, 1},
        FailureCase{{"@-01"}, 48, EF::TokenError, SF::ProgramOutOfRange, 1, 1},
        FailureCase{{"1fd #-01"}, 48, EF::TokenError, SF::NegativeVolume, 1, 5},
        // The first fault in scan order wins: the range fault comes before the bad letter.
        FailureCase{{"zkd/1fX"}, 48, EF::TokenError, SF::KeyOutOfRange, 1, 1},
        FailureCase{{"1fd", "@$G1/7kd"}, 48, EF::NumberError, SF::BadNumber, 2, 2}));

TEST(ScoreToMidi, WritesTheFileAndReplacesAnOldOne) {
    test::TempDir dir;
    const std::string path = dir.file("song.MID");
    test::writeBytes(path, std::string(100, 'x'));
    ExportResult result = scoreToMidi({"1fd/"}, {}, path);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(test::readBytes(path), compile({"1fd/"}));
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ScoreToMidi, FailedExportKeepsTheOldFileOrNone) {
    test::TempDir dir;
    const std::string old = dir.file("old.MID");
    test::writeBytes(old, "old bytes");
    const std::string absent = dir.file("absent.MID");
    for (const std::string &path : {old, absent}) {
        EXPECT_EQ(scoreToMidi({"1fd/", "1fd2fd"}, {}, path).failure, ExportFailure::TokenError);
        EXPECT_EQ(scoreToMidi({"@x"}, {}, path).failure, ExportFailure::NumberError);
        EXPECT_EQ(scoreToMidi({"1fd"}, {0, true}, path).failure, ExportFailure::ZeroDivision);
    }
    EXPECT_EQ(test::readBytes(old), "old bytes");
    EXPECT_FALSE(std::filesystem::exists(absent));
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ScoreToMidi, UnwritableTargetIsAWriteErrorWithTheSystemsReason) {
    test::TempDir dir;
    const std::string plain = dir.file("plain");
    test::writeBytes(plain, "old");
    ExportResult result = scoreToMidi({"1fd/"}, {}, plain + "/song.MID");
    EXPECT_EQ(std::make_pair(result.failure, result.systemError),
              std::make_pair(ExportFailure::WriteError, ENOTDIR));
    EXPECT_EQ(test::readBytes(plain), "old");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(ScoreToMidi, RefusesToWriteOverTheScript) {
    test::TempDir dir;
    const std::string script = dir.file("song.TNL");
    test::writeBytes(script, "1fd/\r\n");
    std::filesystem::create_symlink(script, dir.file("link.MID"));
    for (const std::string &output : {script, dir.file("link.MID")}) {
        EXPECT_EQ(scoreToMidi({"1fd/"}, {}, output, script).failure, ExportFailure::SameFile);
    }
    EXPECT_EQ(test::readBytes(script), "1fd/\r\n");
    EXPECT_TRUE(scoreToMidi({"1fd/"}, {}, dir.file("song.MID"), script).ok());
}

// A chunk's length has 32 bits; a longer track is refused, not written with a cut length.
// The limit is lowered here so the rule shows on a small track (its data is 14 bytes).
TEST(CompileScore, RefusesATrackLongerThanAChunkCanSay) {
    for (const auto &[limit, failure] :
         {std::pair{14u, ExportFailure::None}, {13u, ExportFailure::TrackTooLong}}) {
        const ExportResult result = detail::compileScore({"", "1fd/"}, {}, limit);
        EXPECT_EQ(std::make_tuple(result.failure, result.track, result.bytes.empty()),
                  std::make_tuple(failure, failure == ExportFailure::None ? 0u : 2u,
                                  failure != ExportFailure::None))
            << limit;
    }
}

// The one wording of each failure, shared by the window and the command line.
TEST(FailureMessage, TrackErrorsAndCountsHaveTheirOwnTextAllElseTheGeneralOne) {
    const std::string general = "有错误产生，无法导出为MIDI文件！";
    const std::pair<ExportFailure, std::string> cases[] = {
        {ExportFailure::NoTracks, "当前没有任何音轨存在！"},
        {ExportFailure::TooManyTracks, "不允许有超过16个的音轨存在！"},
        {ExportFailure::TokenError, "音轨有错误，无法导出为MIDI文件！"},
        {ExportFailure::NumberError, general},
        {ExportFailure::ZeroDivision, general},
        {ExportFailure::TrackTooLong, general},
        {ExportFailure::OutOfMemory, general},
        {ExportFailure::ReadError, general},
        {ExportFailure::SameFile, general},
        {ExportFailure::WriteError, general},
    };
    for (const auto &[failure, message] : cases) {
        EXPECT_EQ(failureMessage(failure), message) << static_cast<int>(failure);
    }
}

// Under the message: what was being done with which file, and why.
TEST(FailureDetail, SaysWhatWasBeingDoneAndWhy) {
    const struct {
        ExportFailure failure;
        int systemError;
        std::string detail;
    } cases[] = {
        {ExportFailure::OutOfMemory, ENOMEM, "生成文件“out.MID”时内存不足"},
        {ExportFailure::ReadError, ENOMEM, "无法读取文件“in.TNL”：内存不足"},
        {ExportFailure::WriteError, score::kNotRegularFile,
         "无法写入文件“out.MID”：这不是普通文件（而是设备、管道或套接字）"},
    };
    for (const auto &c : cases) {
        ExportResult result;
        result.failure = c.failure;
        result.systemError = c.systemError;
        EXPECT_EQ(failureDetail(result, "in.TNL", "out.MID"), c.detail);
    }
}

} // namespace
} // namespace tunelet::midi
