// Tests of tunelet-export --wav: the built program and its WAV module run in a temporary
// folder, the files it writes read back as sound.
#include <gtest/gtest.h>

#include "export_run.h"
#include "wav_file.h"

namespace {

using namespace tunelet::test;

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
    const double end = soundEnd(wav->samples);
    EXPECT_GT(end, music) << "the last note rings on after the music's end";
    EXPECT_NEAR(length, end + 0.1, 0.02) << "the file ends after 0.1 s of quiet";
    EXPECT_GT(peakOf(wav->samples), 300) << "louder than -40 dBFS";
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
                          "有错误产生，无法导出为WAV文件！\n"
                          "时间增量不能用作 MIDI 文件的时间单位（不能为0，也不能大于32767）\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TuneletExport, WavRefusesTheScriptAndSaysWhyItCannotWrite) {
    write("a.TNL", "\r\n"); // one empty track: a tenth of a second of quiet
    std::filesystem::create_symlink("a.TNL", file("link.wav"));
    const struct {
        std::string output;
        std::string message;
    } cases[] = {
        {"link.wav", "有错误产生，无法导出为WAV文件！\n"
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

} // namespace

std::string repeat(const std::string &token, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) {
        line += token;
    }
    return line;
}

// The scratch sound has no name in the temporary folder: whether the run succeeds, fails
// or is killed while it renders, the folder is empty afterwards and the output untouched.
TEST_F(TuneletExport, WavLeavesNothingInTheTemporaryFolder) {
    const struct {
        const char *name;
        std::string script; // a 30-minute song is still rendering when it is killed
        std::string launcher;
        std::string output;
        int exitCode;
    } cases[] = {
        {"Success", "1fd/\r\n", "", "song.wav", 0},
        {"Failure", "1fd/\r\n", "", "absent/song.wav", 1},
        {"Killed", repeat("1fd/", 3600), "timeout -s KILL 0.5", "song.wav", 128 + 9},
    };
    std::filesystem::create_directory(file("tmp"));
    for (const auto &c : cases) {
        write("a.TNL", c.script);
        Outcome r = run("--wav a.TNL " + c.output, "TMPDIR=tmp " + c.launcher);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(file("tmp"))) << c.name;
        EXPECT_EQ(std::filesystem::exists(file("song.wav")), c.exitCode == 0) << c.name;
        std::filesystem::remove(file("song.wav"));
    }
}

// What the rendering cannot do is refused with its reason and leaves the output alone, in
// a temporary folder of 64 KiB: music longer than a WAV file holds before any sound is
// made (not when the folder is full), a temporary folder too small for the sound.
TEST_F(TuneletExport, WavRenderFailuresSayWhyAndLeaveTheOutputAlone) {
    if (std::system("unshare -rm true 2> /dev/null") != 0) {
        GTEST_SKIP() << "no private mounts here for a small temporary folder";
    }
    const std::string smallTmp = "unshare -rm sh -c 'mount -t tmpfs -o size=64k none tmp && "
                                 "TMPDIR=tmp exec \"$0\" \"$@\"'";
    const FailureCase cases[] = {
        {"TooLong", repeat("0a/", 300), "--division 1",
         "有错误产生，无法导出为WAV文件！\n音乐太长，WAV文件容纳不下（最长约6小时）\n"},
        {"SmallTemporaryFolder", repeat("1fd/", 20), "",
         "有错误产生，无法导出为WAV文件！\nFluidSynth未能生成音频（临时文件夹“tmp”）"},
    };
    std::filesystem::create_directory(file("tmp"));
    write("old.wav", "old bytes");
    for (const FailureCase &c : cases) {
        write("a.TNL", c.script);
        Outcome r = run("--wav " + c.arguments + " a.TNL old.wav", smallTmp);
        EXPECT_EQ(std::make_pair(r.exitCode, r.err.substr(0, c.message.size())),
                  std::make_pair(1, c.message));
    }
    EXPECT_EQ(read("old.wav"), "old bytes");
    EXPECT_TRUE(std::filesystem::is_empty(file("tmp")));
}
