// Tests of tunelet-export: the built program run in a temporary folder.
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class TuneletExport : public ::testing::Test {
protected:
    // Arguments are passed to the shell as written: the tests use plain names only.
    Outcome run(const std::string &arguments) {
        const std::string command = "cd '" + m_dir.path().string() +
                                    "' && '" TUNELET_EXPORT_BIN "' " + arguments +
                                    " > .out 2> .err";
        Outcome result;
        int status = std::system(command.c_str());
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = tunelet::test::readBytes(file(".out"));
        result.err = tunelet::test::readBytes(file(".err"));
        std::filesystem::remove(file(".out"));
        std::filesystem::remove(file(".err"));
        return result;
    }
    std::string file(const std::string &name) const { return m_dir.file(name); }
    void write(const std::string &name, const std::string &bytes) const {
        tunelet::test::writeBytes(file(name), bytes);
    }
    std::string read(const std::string &name) const { return tunelet::test::readBytes(file(name)); }

    tunelet::test::TempDir m_dir;
};

const std::string kMiddleC("MThd\0\0\0\x06\0\x01\0\x01\0\x30"
                           "MTrk\0\0\0\x0E\0\x90\x3C\x50\x30\x3C\0\0\x3C\0\0\xFF\x2F\0",
                           36);

TEST_F(TuneletExport, ExportsWithoutAddingAnExtension) {
    write("a.TNL", "1fd/\r\n");
    Outcome r = run("a.TNL out");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("out"), kMiddleC);
    EXPECT_FALSE(std::filesystem::exists(file("out.MID")));
}

TEST_F(TuneletExport, OptionsReachTheExport) {
    write("a.TNL", "1fd\n");
    ASSERT_EQ(run("--division 96 --no-staccato a.TNL b.MID").exitCode, 0);
    EXPECT_EQ(read("b.MID"), std::string("MThd\0\0\0\x06\0\x01\0\x01\0\x60"
                                         "MTrk\0\0\0\x0B\0\x90\x3C\x50\x30\x3C\0\0\xFF\x2F\0",
                                         33));
    ASSERT_EQ(run("--division=384 a.TNL -- c.MID").exitCode, 0);
    EXPECT_EQ(read("c.MID").substr(12, 2), std::string("\x01\x80", 2));
}

struct FailureCase {
    const char *name;
    std::string script;
    std::string arguments;
    std::string message;
};

void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.name;
}

class TuneletExportFailure : public TuneletExport,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TuneletExportFailure, ExitsOneAndLeavesTheOutputAlone) {
    const FailureCase &c = GetParam();
    write("in.TNL", c.script);
    write("old.MID", "old bytes");
    for (const char *output : {"old.MID", "new.MID"}) {
        Outcome r = run(c.arguments + " in.TNL " + output);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(read("old.MID"), "old bytes");
    EXPECT_FALSE(std::filesystem::exists(file("new.MID")));
    EXPECT_EQ(m_dir.entryCount(), 2u) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TuneletExportFailure,
    ::testing::Values(
        FailureCase{"BadTokenStart", "1fd/\r\n1fd2fd\r\n", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第2音轨，第5字节：“f”不是音符、休止符、@ 或 # 的开头\n"},
        FailureCase{"ChineseByte", "1fd\xB2\xE2", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第5字节：“0xE2”不是音符、休止符、@ 或 # 的开头\n"},
        FailureCase{"DeleteByte", "1fd/\x7F", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第5字节：“0x7F”不是音符、休止符、@ 或 # 的开头\n"},
        FailureCase{"BadOctave", "1F", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第2字节：“F”不是八度字母（应为 a 到 k）\n"},
        FailureCase{"BadDuration", "0a/0i", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第5字节：“i”不是时值字母（应为 a 到 h）\n"},
        FailureCase{"TruncatedNote", "1fd/1f", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第7字节：“1f”在行尾被截断（缺少时值字母）\n"},
        FailureCase{"TruncatedOctave", "\n1", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第2音轨，第2字节：“1”在行尾被截断（缺少八度字母）\n"},
        FailureCase{"KeyOutOfRange", "ykc", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第1字节：音符“yk”的音高超出 MIDI 范围（最高为 5k）\n"},
        FailureCase{"ProgramOutOfRange", "@200/", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第1字节：乐器号“@200”超出范围（应为 0 到 127）\n"},
        FailureCase{"HighByteInNumber", "#1\xB2", "",
                    "有错误产生，无法导出为MIDI文件！\n"
                    "第1音轨，第2字节：“#”后的“1 0xB2”不是整数（应为三位数字，如 #080）\n"},
        FailureCase{"BlankAtStart", " 1fd", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第1字节：“0x20”不是音符、休止符、@ 或 # 的开头\n"},
        FailureCase{"NegativeVolume", "#-01", "",
                    "音轨有错误，无法导出为MIDI文件！\n"
                    "第1音轨，第1字节：音量“#-01”不能为负数（应为 0 到 255）\n"},
        FailureCase{"BadNumber", "@1 2/", "",
                    "有错误产生，无法导出为MIDI文件！\n"
                    "第1音轨，第2字节：“@”后的“1 2”不是整数（应为三位数字，如 @080）\n"},
        FailureCase{"ZeroDivision", "1fd", "--division 0",
                    "有错误产生，无法导出为MIDI文件！\n"
                    "时间增量不能用作 MIDI 文件的时间单位（不能为0，也不能大于32767）\n"},
        FailureCase{"NoTracks", "", "", "当前没有任何音轨存在！\n文件“in.TNL”中没有音轨\n"},
        FailureCase{"TooManyTracks", std::string(17 * 2, '\n'), "",
                    "不允许有超过16个的音轨存在！\n文件“in.TNL”有34个音轨，最多允许16个\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TuneletExport, UnreadableInputOrUnwritableOutputSaysWhy) {
    write("a.TNL", "1fd/");
    const struct {
        std::string arguments;
        std::string detail;
    } cases[] = {
        {"absent.TNL out.MID", "无法读取文件“absent.TNL”：文件不存在"},
        {". out.MID", "无法读取文件“.”：这是一个文件夹"},
        {"a.TNL a.TNL/out.MID", "无法写入文件“a.TNL/out.MID”：路径中有一部分不是文件夹"},
        {"a.TNL absent/out.MID", "无法写入文件“absent/out.MID”：文件夹不存在"},
        {"a.TNL /dev/full", "无法写入文件“/dev/full”：磁盘空间不足"},
    };
    for (const auto &c : cases) {
        Outcome r = run(c.arguments);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err),
                  std::make_pair(1, "有错误产生，无法导出为MIDI文件！\n" + c.detail + "\n"));
    }
    EXPECT_EQ(read("a.TNL"), "1fd/");
    EXPECT_EQ(m_dir.entryCount(), 1u);
}

// Any name of the script itself, through a link or a hard link, would overwrite it.
TEST_F(TuneletExport, RefusesToWriteOverTheScript) {
    write("a.TNL", "1fd/\r\n");
    std::filesystem::create_symlink("a.TNL", file("link.MID"));
    std::filesystem::create_hard_link(file("a.TNL"), file("hard.MID"));
    for (const char *output : {"a.TNL", "./a.TNL", "link.MID", "hard.MID"}) {
        Outcome r = run(std::string("a.TNL ") + output);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err),
                  std::make_pair(1, std::string("有错误产生，无法导出为MIDI文件！\n输出文件“") +
                                        output + "”就是脚本文件“a.TNL”，导出会覆盖乐谱\n"));
    }
    EXPECT_EQ(read("a.TNL"), "1fd/\r\n");
}

TEST_F(TuneletExport, EndlessInputEndsAtItsFirstNul) {
    Outcome r = run("/dev/zero out.MID");
    EXPECT_EQ(
        std::make_pair(r.exitCode, r.err),
        std::make_pair(1, std::string("当前没有任何音轨存在！\n文件“/dev/zero”中没有音轨\n")));
}

// An input without end and without NUL fills the memory: a clear error, not an abort.
TEST_F(TuneletExport, InputBeyondTheMemoryIsAClearError) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
    const std::string command = "cd '" + m_dir.path().string() +
                                "' && ulimit -v 262144 && yes 1fd/ | '" TUNELET_EXPORT_BIN
                                "' /dev/stdin out.MID 2> .err";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_EQ(read(".err"),
              "有错误产生，无法导出为MIDI文件！\n无法读取文件“/dev/stdin”：内存不足\n");
    EXPECT_FALSE(std::filesystem::exists(file("out.MID")));
}

TEST_F(TuneletExport, UsageErrorsExitTwo) {
    write("a.TNL", "1fd/");
    for (const char *arguments :
         {"", "a.TNL", "a.TNL b c", "--bogus a.TNL b", "--division a.TNL b",
          "--division 385 a.TNL b", "--division -1 a.TNL b", "--division 4x a.TNL b",
          "--division= a.TNL b", "a.TNL b --division"}) {
        Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments;
        EXPECT_NE(r.err.find("usage: tunelet-export [--division N] [--no-staccato] INPUT.TNL "
                             "OUTPUT.MID"),
                  std::string::npos)
            << arguments;
    }
    EXPECT_EQ(m_dir.entryCount(), 1u) << "a usage error writes nothing";
}

TEST_F(TuneletExport, HelpPrintsUsageAndSucceeds) {
    Outcome r = run("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("usage: tunelet-export", 0), 0u);
    EXPECT_EQ(r.err, "");
}

// A WAV file's format and samples, read by walking its chunks.
struct Wav {
    int format = 0, channels = 0, sampleRate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::uint32_t riffSize = 0;
    std::vector<std::int16_t> samples; // interleaved left, right
};

std::uint32_t littleEndian(const std::string &bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
    }
    return value;
}

std::optional<Wav> parseWav(const std::string &bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        return std::nullopt;
    }
    Wav wav;
    wav.riffSize = littleEndian(bytes, 4, 4);
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = littleEndian(bytes, at + 4, 4);
        if (at + 8 + size > bytes.size()) {
            return std::nullopt;
        }
        if (id == "fmt ") {
            wav.format = int(littleEndian(bytes, at + 8, 2));
            wav.channels = int(littleEndian(bytes, at + 10, 2));
            wav.sampleRate = int(littleEndian(bytes, at + 12, 4));
            wav.byteRate = int(littleEndian(bytes, at + 16, 4));
            wav.blockAlign = int(littleEndian(bytes, at + 20, 2));
            wav.bits = int(littleEndian(bytes, at + 22, 2));
        } else if (id == "data") {
            for (std::size_t i = 0; i + 1 < size; i += 2) {
                wav.samples.push_back(std::int16_t(littleEndian(bytes, at + 8 + i, 2)));
            }
        }
        at += 8 + size + size % 2;
    }
    return wav;
}

// Seconds from the start to just after the last sample above -80 dBFS (|sample| > 3).
double soundEnd(const Wav &wav) {
    for (std::size_t i = wav.samples.size(); i > 0; --i) {
        if (std::abs(int(wav.samples[i - 1])) > 3) {
            return double(i / 2) / 44100;
        }
    }
    return 0;
}

// Five quarter notes at division 96: 240 ticks of 96 per half second, 1.25 s of music.
TEST_F(TuneletExport, WavIsTheMusicThenItsReleaseAsStereoSixteenBit) {
    write("a.TNL", "1fd/2fd/3fd/4fd/5fd/\r\n");
    Outcome r = run("--wav --division 96 a.TNL song.wav");
    ASSERT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string()));
    EXPECT_EQ(m_dir.entryCount(), 2u) << "written as named, no temporary file left";
    const std::string bytes = read("song.wav");
    const std::optional<Wav> wav = parseWav(bytes);
    ASSERT_TRUE(wav) << "not a RIFF WAVE file";
    EXPECT_EQ(wav->riffSize, bytes.size() - 8);
    EXPECT_EQ(std::vector({wav->format, wav->channels, wav->sampleRate, wav->byteRate,
                           wav->blockAlign, wav->bits}),
              std::vector({1, 2, 44100, 176400, 4, 16}));

    const double music = 240.0 / 96 * 0.5;
    const double length = double(wav->samples.size() / 2) / 44100;
    const double end = soundEnd(*wav);
    EXPECT_GT(end, music) << "the last note rings on after the music's end";
    EXPECT_NEAR(length, end + 0.1, 0.02) << "the file ends after 0.1 s of quiet";
    const int peak = std::abs(int(*std::max_element(
        wav->samples.begin(), wav->samples.end(),
        [](std::int16_t a, std::int16_t b) { return std::abs(int(a)) < std::abs(int(b)); })));
    EXPECT_GT(peak, 300) << "louder than -40 dBFS";
}

class TuneletExportWavFailure : public TuneletExport,
                                public ::testing::WithParamInterface<FailureCase> {};

// Nothing is rendered when the score does not export; the output stays as it was.
TEST_P(TuneletExportWavFailure, ExitsOneAndLeavesTheOutputAlone) {
    const FailureCase &c = GetParam();
    write("in.TNL", c.script);
    write("old.wav", "old bytes");
    for (const char *output : {"old.wav", "new.wav"}) {
        Outcome r = run("--wav " + c.arguments + " in.TNL " + output);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(1, c.message));
    }
    EXPECT_EQ(read("old.wav"), "old bytes");
    EXPECT_EQ(m_dir.entryCount(), 2u) << "no new or temporary file";
}

INSTANTIATE_TEST_SUITE_P(
    Wav, TuneletExportWavFailure,
    ::testing::Values(FailureCase{"TokenError", "1fd/\r\n1fd2fd\r\n", "",
                                  "音轨有错误，无法导出为MIDI文件！\n"
                                  "第2音轨，第5字节：“f”不是音符、休止符、@ 或 # 的开头\n"},
                      FailureCase{
                          "ZeroDivision", "1fd", "--division 0",
                          "有错误产生，无法导出为MIDI文件！\n"
                          "时间增量不能用作 MIDI 文件的时间单位（不能为0，也不能大于32767）\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TuneletExport, WavRefusesTheScriptAndSaysWhyItCannotWrite) {
    write("a.TNL", "\r\n"); // one empty track: a tenth of a second of quiet
    std::filesystem::create_symlink("a.TNL", file("link.wav"));
    const struct {
        std::string output;
        std::string message;
    } cases[] = {
        {"link.wav", "有错误产生，无法导出为MIDI文件！\n"
                     "输出文件“link.wav”就是脚本文件“a.TNL”，导出会覆盖乐谱\n"},
        {"absent/a.wav", "有错误产生，无法导出为WAV文件！\n"
                         "无法写入文件“absent/a.wav”：文件夹不存在\n"},
    };
    for (const auto &c : cases) {
        Outcome r = run("--wav a.TNL " + c.output);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(1, c.message));
    }
    EXPECT_EQ(read("a.TNL"), "\r\n");
    EXPECT_EQ(m_dir.entryCount(), 2u);
}

TEST_F(TuneletExport, WavUsageErrorsExitTwo) {
    write("a.TNL", "1fd/");
    Outcome r = run("--wav a.TNL");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("tunelet-export --wav [--division N] [--no-staccato] INPUT.TNL "
                         "OUTPUT.wav"),
              std::string::npos);
}

// --import: the script back from its MIDI file, the report on stderr; a failure leaves
// OUTPUT as it was and says why.
TEST_F(TuneletExport, ImportWritesTheScriptAndReportsOnStderr) {
    write("a.MID", kMiddleC);
    write("old.TNL", "2fd/\r\n");
    const std::vector<std::tuple<std::string, int, std::string, std::string>> cases = {
        {"a.MID b.TNL", 0, "1fd/\r\n",
         "这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时断奏）\n时间增量设为48\n"
         "没有丢弃或改动任何音符\n"},
        {"old.TNL old.TNL", 1, "2fd/\r\n",
         "输出文件“old.TNL”就是MIDI文件“old.TNL”，导入会覆盖它\n"},
        {"old.TNL b.TNL", 1, "1fd/\r\n", "文件“old.TNL”不是完好的标准MIDI文件，无法导入\n"},
        {"absent.MID old.TNL", 1, "2fd/\r\n", "无法读取文件“absent.MID”：文件不存在\n"},
        {"a.MID", 2, "", "tunelet-export: --import expects INPUT.MID and OUTPUT.TNL\n"},
    };
    for (const auto &[arguments, exitCode, written, message] : cases) {
        Outcome r = run("--import " + arguments);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(exitCode, message));
        if (!written.empty()) {
            EXPECT_EQ(read(arguments.substr(arguments.find(' ') + 1)), written) << arguments;
        }
    }
}

} // namespace
