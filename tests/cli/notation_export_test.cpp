// Tests of tunelet-export --pdf and --svg: the built program and its drawing module run
// in a temporary folder, the files read back with poppler's pdftotext.
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
    write("ode.TNL", "3fd/3fd/4fd/5fd/5fd/4fd/3fd/2fd/\r\n");
    for (const Case &c : cases) {
        const Outcome r = run(std::string(c.options) + " ode.TNL ode.pdf");
        ASSERT_EQ(std::make_pair(r.exitCode, r.err), std::make_pair(0, std::string())) << c.options;
        const std::string text = textOf(file("ode.pdf"));
        EXPECT_NE(text.find("ode"), std::string::npos) << "the file's name is the title";
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
         "有错误产生，无法导出为PDF文件！\n无法写入文件：no/such/a.pdf"},
        {"--svg b.TNL b.svg", 1, "音轨有错误，无法导出为MIDI文件！"},
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

} // namespace
