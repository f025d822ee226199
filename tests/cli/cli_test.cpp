// Tests of tunelet-export: the built program run in a temporary folder.
#include <sys/stat.h>

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "export_run.h"

namespace {

using namespace tunelet::test;

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
        {"a.TNL pipe.MID", "无法写入文件“pipe.MID”：这不是普通文件（而是设备、管道或套接字）"},
    };
    // A pipe waits for a reader unless refused at once: a wait is killed and fails the row.
    ASSERT_EQ(::mkfifo(file("pipe.MID").c_str(), 0600), 0);
    for (const auto &c : cases) {
        Outcome r = run(c.arguments, "timeout -s KILL 20 ");
        EXPECT_EQ(std::make_pair(r.exitCode, r.err),
                  std::make_pair(1, "有错误产生，无法导出为MIDI文件！\n" + c.detail + "\n"));
    }
    EXPECT_EQ(read("a.TNL"), "1fd/");
    EXPECT_EQ(m_dir.entryCount(), 2u);
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
         {"", "a.TNL", "a.TNL b c", "--bogus a.TNL b", "--division a.TNL b", "--pdf --wav a.TNL b",
          "--svg --pdf a.TNL b", "--division 385 a.TNL b", "--division -1 a.TNL b",
          "--division 4x a.TNL b", "--division= a.TNL b", "a.TNL b --division"}) {
        Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments;
        EXPECT_NE(r.err.find("usage: tunelet-export [--division N] [--no-staccato] INPUT.TNL "
                             "OUTPUT.MID"),
                  std::string::npos)
            << arguments;
    }
    EXPECT_EQ(m_dir.entryCount(), 1u) << "a usage error writes nothing";
}

// Help goes to standard output and succeeds only when it was written.
TEST_F(TuneletExport, HelpPrintsUsageAndSucceedsOnlyWhenWritten) {
    const struct {
        const char *option;
        std::string launcher;
        int exitCode;
    } cases[] = {
        {"--help", "", 0},
        {"-h", "", 0},
        {"--help", "sh -c 'exec \"$0\" \"$@\" > /dev/full'", 1},
    };
    for (const auto &c : cases) {
        Outcome r = run(c.option, c.launcher);
        EXPECT_EQ(std::make_tuple(r.exitCode, r.out.substr(0, 21), r.err),
                  std::make_tuple(c.exitCode,
                                  std::string(c.exitCode ? "" : "usage: tunelet-export"),
                                  std::string()))
            << c.option << " " << c.launcher;
    }
}

// "-" is a file name like any other, for the script and for the output (not a stream).
TEST_F(TuneletExport, DashIsAFileName) {
    write("-", "1fd/\r\n");
    EXPECT_EQ(run("- out.MID").exitCode, 0);
    EXPECT_EQ(read("out.MID"), kMiddleC);
    write("a.TNL", "1fd/\r\n");
    write("-", "old");
    EXPECT_EQ(run("a.TNL -").exitCode, 0);
    EXPECT_EQ(read("-"), kMiddleC);
}

// Every note length keeps its staccato release right after the note, also the two whose
// length takes two bytes (whole and three-beat notes).
TEST_F(TuneletExport, EveryNoteLengthIsReleased) {
    const struct {
        const char *script;
        std::string length;
    } cases[] = {
        {"2fa/", "\x81\x40"}, {"2fb/", "\x81\x10"}, {"2fc/", "\x60"}, {"2fd/", "\x30"},
        {"2fe/", "\x18"},     {"2ff/", "\x0C"},     {"2fg/", "\x06"}, {"2fh/", "\x48"},
    };
    for (const auto &c : cases) {
        write("a.TNL", c.script);
        ASSERT_EQ(run("a.TNL out.MID").exitCode, 0);
        const std::string track = std::string("\0\x90\x3E\x50", 4) + c.length +
                                  std::string("\x3C\0\0\x3E\0\0\xFF\x2F\0", 9);
        EXPECT_EQ(read("out.MID").substr(21), char(track.size()) + track) << c.script;
    }
}

// The WAV module is found beside the program (the build tree) or in lib/tunelet beside its
// bin/ folder (an install); without it --wav says so and a MIDI export still works.
TEST_F(TuneletExport, WavModuleIsFoundBesideTheProgramOrInItsInstalledFolder) {
    write("a.TNL", "\r\n");
    const struct {
        const char *moduleFolder; // relative to the program's folder bin/; null: none
        int exitCode;
        std::string err;
    } cases[] = {
        {".", 0, ""},
        {"../lib/tunelet", 0, ""},
        {nullptr, 1,
         "有错误产生，无法导出为WAV文件！\n找不到模块“tunelet-export-wav.so”（已查找：" +
             file("bin") + "，" + file("lib/tunelet") + "），请重新构建或安装 Tunelet\n"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove_all(file("bin"));
        std::filesystem::remove_all(file("lib"));
        std::filesystem::create_directories(file("bin"));
        std::filesystem::copy_file(TUNELET_EXPORT_BIN, file("bin/tunelet-export"));
        if (c.moduleFolder != nullptr) {
            const std::filesystem::path folder = file("bin") + "/" + c.moduleFolder;
            std::filesystem::create_directories(folder);
            std::filesystem::copy_file(TUNELET_EXPORT_WAV_MODULE, folder / "tunelet-export-wav.so");
        }
        std::filesystem::remove(file("a.wav"));
        Outcome r = run("--wav a.TNL a.wav", {}, file("bin/tunelet-export"));
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(c.exitCode, c.err));
        EXPECT_EQ(std::filesystem::exists(file("a.wav")), c.exitCode == 0);
        EXPECT_EQ(run("a.TNL a.MID", {}, file("bin/tunelet-export")).exitCode, 0);
    }
}

// --import: the script back from its MIDI file, the report on stderr; a failure leaves
// OUTPUT as it was and says why.
TEST_F(TuneletExport, ImportWritesTheScriptAndReportsOnStderr) {
    write("a.MID", kMiddleC);
    write("old.TNL", "2fd/\r\n");
    tunelet::score::SongProperties song;
    song.title = "歌";
    song.key = tunelet::score::Key{7};
    write("song.MID", tunelet::midi::compileScore({"1fd/0d/"}, {}, song).bytes);
    write("a.musicxml", "<?xml version=\"1.0\"?>\n<score-partwise><part-list><score-part id=\"P1\">"
                        "<part-name>x</part-name></score-part></part-list><part id=\"P1\"><measure>"
                        "<attributes><divisions>1</divisions></attributes><note><pitch><step>C"
                        "</step><octave>4</octave></pitch><duration>4</duration></note></measure>"
                        "</part></score-partwise>\n");
    write("cut.xml", "<?xml version=\"1.0\"?>\n<score-partwise><part-list>");
    write("page.xml", "<html><body/></html>");
    const std::vector<std::tuple<std::string, int, std::string, std::string>> cases = {
        {"a.musicxml d.TNL", 0, std::string("1fa/\r\n") + '\0' + "tunelet-song 1\npart1=x\n",
         "时间增量设为48\n乐曲属性取自文件：1个声部名\n没有丢弃或改动任何音符\n"},
        {"cut.xml old.TNL", 1, "2fd/\r\n",
         "文件“cut.xml”不是完好的XML文件（第2行第28列：Premature end of document.），无法导入\n"},
        {"page.xml old.TNL", 1, "2fd/\r\n",
         "文件“page.xml”不是MusicXML乐谱（开头不是<score-partwise>），无法导入\n"},
        {"a.musicxml a.musicxml", 1, "",
         "输出文件“a.musicxml”就是MusicXML文件“a.musicxml”，导入会覆盖它\n"},
        {"a.MID b.TNL", 0, "1fd/\r\n",
         "这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时断奏）\n时间增量设为48\n"
         "没有丢弃或改动任何音符\n"},
        {"song.MID c.TNL", 0,
         std::string("1fd/0d/\r\n") + '\0' + "tunelet-song 1\ntitle=歌\nkey=G\n",
         "这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时断奏）\n时间增量设为48\n"
         "乐曲属性取自文件：标题、调号1=G\n没有丢弃或改动任何音符\n"},
        {"old.TNL old.TNL", 1, "2fd/\r\n",
         "输出文件“old.TNL”就是MIDI文件“old.TNL”，导入会覆盖它\n"},
        {"old.TNL b.TNL", 1, "1fd/\r\n",
         "文件“old.TNL”不是标准MIDI文件（开头没有MIDI文件头“MThd”），无法导入\n"},
        {"absent.MID old.TNL", 1, "2fd/\r\n", "无法读取文件“absent.MID”：文件不存在\n"},
        {"a.MID old.TNL/b.TNL", 1, "", "无法写入文件“old.TNL/b.TNL”：路径中有一部分不是文件夹\n"},
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

// A song's properties: the script file's own, each replaced by its option.
TEST_F(TuneletExport, SongPropertiesComeFromTheScriptAndTheOptions) {
    using tunelet::score::SongProperties;
    const std::string block = std::string("1fd/\r\n") + '\0' + "tunelet-song 1\ntitle=x\n";
    const struct {
        const char *name;
        std::string script;
        std::string options;
        void (*expected)(SongProperties &);
        std::string err;
    } cases[] = {
        {"None", "1fd/\r\n", "", [](SongProperties &) {}, ""},
        {"FromTheScript", block + "key=D\n", "",
         [](SongProperties &p) {
             p.title = "x";
             p.key = tunelet::score::Key{2};
         },
         ""},
        {"Replaced", block + "time=6/8\n", "--title y --key=#F --time 3/4 --pickup 1",
         [](SongProperties &p) {
             p.title = "y";
             p.key = tunelet::score::Key{6};
             p.time = tunelet::score::SongTime{3, 4};
             p.pickupTicks = 48;
         },
         ""},
        {"Credits", "1fd/\r\n", "--composer 佚名 --lyricist=李叔同 --subtitle s --pickup 3/2",
         [](SongProperties &p) {
             p.composer = "佚名";
             p.lyricist = "李叔同";
             p.subtitle = "s";
             p.pickupTicks = 72;
         },
         ""},
        {"BadLineSaid", block + "key=H\n", "", [](SongProperties &p) { p.title = "x"; },
         "a.TNL: 歌曲属性第3行（key）无法读取，已忽略\n"},
    };
    for (const auto &c : cases) {
        write("a.TNL", c.script);
        const Outcome r = run(c.options + " a.TNL a.MID");
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, c.err)) << c.name;
        SongProperties expected;
        c.expected(expected);
        EXPECT_EQ(read("a.MID"), tunelet::midi::compileScore({"1fd/"}, {}, expected).bytes)
            << c.name;
    }
}

TEST_F(TuneletExport, BadSongOptionsAreUsageErrors) {
    write("a.TNL", "1fd/\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"--key H", "tunelet-export: --key must be one of C G D A E B F# Db Ab Eb Bb F\n"},
        {"--time 5/5", "tunelet-export: --time must be n/2, n/4 or n/8 with n from 1 to 12\n"},
        {"--pickup x", "tunelet-export: --pickup must be a number of beats: 1, 2, 1/2, 3/2\n"},
        {"--pickup 1/0", "tunelet-export: --pickup must be a number of beats: 1, 2, 1/2, 3/2\n"},
        {"--title \"$(printf '\\377')\"", "tunelet-export: --title must be UTF-8 text\n"},
        {"--pickup 4", "tunelet-export: the pickup must be shorter than a bar\n"},
        {"--pickup 2 --time 2/8", "tunelet-export: the pickup must be shorter than a bar\n"},
        {"--key", "tunelet-export: --key needs a value\n"},
    };
    for (const auto &[options, message] : cases) {
        const Outcome r = run("a.TNL a.MID " + options);
        EXPECT_EQ(r.exitCode, 2) << options;
        EXPECT_EQ(r.err.substr(0, message.size()), message) << options;
    }
    EXPECT_EQ(m_dir.entryCount(), 1u) << "nothing written";
}

} // namespace
