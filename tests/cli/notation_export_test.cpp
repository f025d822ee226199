// Tests of tunelet-export --pdf and --svg: the built program and its drawing module run
// in a temporary folder, the files read back with poppler's pdftotext.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "export_run.h"

namespace {

using namespace tunelet::test;

std::string textOf(const std::string &pdf) {
    std::string text;
    const std::unique_ptr<FILE, int (*)(FILE *)> pipe(
        ::popen(("pdftotext '" + pdf + "' - 2>/dev/null").c_str(), "r"), ::pclose);
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

TEST_F(TuneletExport, PdfShowsTheTimeSignatureAndSpeedAsked) {
    struct Case {
        const char *options;
        const char *time;
        const char *speed;
    };
    const Case cases[] = {{"--pdf", "1=C 4/4", "= 120"},
                          {"--pdf --time 3/4", "1=C 3/4", "= 120"},
                          {"--pdf --time=6/8 --division 96", "1=C 6/8", "= 240"},
                          {"--pdf --division 60", "1=C 4/4", "= 150"}};
    write("ode.joy.TNL", "3fd/3fd/4fd/5fd/5fd/4fd/3fd/2fd/\r\n");
    for (const Case &c : cases) {
        const Outcome r = run(std::string(c.options) + " ode.joy.TNL ode.pdf");
        ASSERT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string())) << c.options;
        const std::string text = textOf(file("ode.pdf"));
        EXPECT_NE(text.find("ode.joy"), std::string::npos) << "the file's name is the title";
        EXPECT_NE(text.find(c.time), std::string::npos) << c.options << "\n" << text;
        EXPECT_NE(text.find(c.speed), std::string::npos) << c.options << "\n" << text;
    }
    // Without --time, the script's own time signature, when a drawing can show it.
    for (const auto &[time, shown] : {std::pair{"3/4", "1=C 3/4"}, {"5/4", "1=C 4/4"}}) {
        write("ode.TNL",
              "3fd/3fd/4fd/\r\n" + std::string(1, '\0') + "tunelet-song 1\ntime=" + time + "\n");
        const Outcome r = run("--pdf ode.TNL ode.pdf");
        ASSERT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string())) << time;
        EXPECT_NE(textOf(file("ode.pdf")).find(shown), std::string::npos) << time;
    }
}

TEST_F(TuneletExport, SvgHasOutlinesOnly) {
    write("a.TNL", "@040/#100/1fd/vfe/2fe/3fc/\r\n");
    const Outcome r = run("--svg a.TNL a.svg");
    ASSERT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string()));
    const std::string svg = read("a.svg");
    EXPECT_NE(svg.find("<path"), std::string::npos);
    EXPECT_EQ(svg.find("<text"), std::string::npos);
    EXPECT_EQ(m_dir.entryCount(), 2u) << "no temporary file left";
}

TEST_F(TuneletExport, DrawingFailuresSayWhy) {
    struct Case {
        const char *arguments;
        int exitCode;
        const char *message;
    };
    const Case cases[] = {
        {"--pdf --time 5/4 a.TNL a.pdf", 2,
         "tunelet-export: --time must be 2/4, 3/4, 4/4, 3/8 or 6/8"},
        {"--pdf a.TNL no/such/a.pdf", 1,
         "有错误产生，无法导出为PDF文件！\n无法写入文件“no/such/a.pdf”：文件夹不存在\n"},
        {"--svg b.TNL b.svg", 1, "音轨有错误，无法导出为MIDI文件！"},
        {"--pdf --division 0 a.TNL a.pdf", 1,
         "有错误产生，无法导出为PDF文件！\n时间增量不能用作 MIDI 文件的时间单位"},
    };
    write("a.TNL", "1fd/\r\n");
    write("b.TNL", "1fd/1F\r\n");
    for (const Case &c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(r.err.substr(0, std::string(c.message).size()), c.message) << c.arguments;
    }
    EXPECT_EQ(m_dir.entryCount(), 2u) << "nothing written";
}

// The drawings are written by the same file writer as every other output, on a file system
// of 8 KiB made for each row: a full disk, a pipe, a device node, a folder and /proc are
// refused with the reason in Chinese, and what was there stays as it was.
TEST_F(TuneletExport, DrawingsRefuseWhatTheOtherOutputsRefuse) {
    if (::getuid() != 0 || std::system("unshare -m true 2> /dev/null") != 0) {
        GTEST_SKIP() << "only root may make a small file system and a device node here";
    }
    const struct {
        const char *option;
        const char *prepare; // in the fresh file system "disk"
        const char *target;
        const char *why;
        const char *after; // prints what disk holds afterwards
        const char *held;
    } cases[] = {
        {"--pdf", "printf old > disk/t.pdf", "disk/t.pdf", "磁盘空间不足",
         "ls -A disk; cat disk/t.pdf", "t.pdf\nold"},
        {"--svg", "printf old > disk/t.svg", "disk/t.svg", "磁盘空间不足",
         "ls -A disk; cat disk/t.svg", "t.svg\nold"},
        {"--pdf", "mkfifo disk/t.pdf", "disk/t.pdf", "这不是普通文件（而是设备、管道或套接字）",
         "ls -A disk; test -p disk/t.pdf && echo pipe", "t.pdf\npipe\n"},
        {"--svg", "mknod disk/t.svg c 1 3", "disk/t.svg",
         "这不是普通文件（而是设备、管道或套接字）",
         "ls -A disk; test -c disk/t.svg && echo device", "t.svg\ndevice\n"},
        {"--pdf", "mkdir disk/t.pdf", "disk/t.pdf", "这是一个文件夹", "ls -A disk disk/t.pdf",
         "disk:\nt.pdf\n\ndisk/t.pdf:\n"},
        {"--svg", "true", "/proc/t.svg", "这个文件夹中不能新建文件", "ls -A disk", ""},
    };
    write("a.TNL", "1fd/2fd/3fd/4fd/5fd/6fd/7fd/1ed/\r\n");
    std::filesystem::create_directory(file("disk"));
    for (const auto &c : cases) {
        write("disk.sh", std::string("mount -t tmpfs -o size=8k none disk && ") + c.prepare +
                             " && \"$@\"; status=$?; (" + c.after + ") > .held; exit $status");
        const Outcome r = run(std::string(c.option) + " a.TNL " + c.target,
                              "timeout -s KILL 60 unshare -m sh disk.sh");
        const std::string kind = std::string(c.option) == "--pdf" ? "PDF" : "SVG";
        EXPECT_EQ(std::make_pair(r.exitCode, r.err),
                  std::make_pair(1, "有错误产生，无法导出为" + kind + "文件！\n无法写入文件“" +
                                        c.target + "”：" + c.why + "\n"))
            << c.prepare;
        EXPECT_EQ(read(".held"), c.held) << c.prepare;
    }
}

// A drawing larger than the memory allowed is refused in words, and the old file stays:
// 16 tracks of 60,000 notes (about 530 MB) in 400 MB of address space, where the layout
// fits and the drawing does not.
TEST_F(TuneletExport, ADrawingBeyondTheMemoryIsAClearRefusal) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
    std::string line = "@000/";
    for (int n = 0; n < 60000 / 9; ++n) {
        line += "1fd/2fe/3ff/4ff/5gd/0e/vec/6fh/7fe/";
    }
    std::string score;
    for (int t = 0; t < 16; ++t) {
        score += line + "\r\n";
    }
    write("big.TNL", score);
    write("big.svg", "old");
    const Outcome r = run("--svg big.TNL big.svg", "ulimit -v 400000 &&");
    EXPECT_EQ(std::make_pair(r.exitCode, r.err),
              std::make_pair(1, std::string("有错误产生，无法导出为SVG文件！\n"
                                            "生成文件“big.svg”时内存不足\n")));
    EXPECT_TRUE(read("big.svg") == "old") << "the old file is left whole";
}

// FNV-1a of the target's name: the writer's temporary files of a target begin with it.
std::string leftoverName(const std::string &target) {
    std::uint32_t hash = 2166136261u;
    for (const char c : target) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char name[32];
    std::snprintf(name, sizeof name, ".tnl%08xabcd", static_cast<unsigned>(hash));
    return name;
}

// What a careful save keeps: the other names of a hard-linked file, another user's
// ownership, a name that is not UTF-8 (two GBK names stay two files); and what a killed
// earlier write left beside the target is removed.
TEST_F(TuneletExport, DrawingsKeepLinksOwnerAndNameAndRemoveLeftovers) {
    write("a.TNL", "1fd/\r\n");
    write("b.TNL", "2fd/\r\n");
    write("t.pdf", "old");
    std::filesystem::create_hard_link(file("t.pdf"), file("u.pdf"));
    const ino_t inode = inodeOf(file("t.pdf"));
    ASSERT_EQ(run("--pdf a.TNL t.pdf").exitCode, 0);
    EXPECT_EQ(read("u.pdf").substr(0, 4), "%PDF") << "the other name sees the new file";
    EXPECT_EQ(inodeOf(file("t.pdf")), inode);

    write("w.pdf", "old");
    write(leftoverName("w.pdf"), "killed");
    ASSERT_EQ(std::system(("touch -d '1 hour ago' '" + file(leftoverName("w.pdf")) + "'").c_str()),
              0);
    ASSERT_EQ(run("--pdf a.TNL w.pdf").exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(file(leftoverName("w.pdf"))));

    const struct {
        const char *script;
        const char *name; // 你 and 好 in GBK
    } names[] = {{"a.TNL", "\xc4\xe3.svg"}, {"b.TNL", "\xba\xc3.svg"}};
    for (const auto &n : names) {
        const Outcome r = run(std::string("--svg ") + n.script + " '" + n.name + "'");
        EXPECT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string()));
    }
    EXPECT_NE(read(names[0].name), read(names[1].name));

    if (::getuid() == 0) {
        write("v.svg", "old");
        ASSERT_EQ(::chown(file("v.svg").c_str(), kNobody, kNogroup), 0);
        ASSERT_EQ(run("--svg a.TNL v.svg").exitCode, 0);
        struct stat st {};
        ASSERT_EQ(::stat(file("v.svg").c_str(), &st), 0);
        EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(kNobody, kNogroup));
        EXPECT_NE(read("v.svg"), "old");
    }
}

} // namespace
