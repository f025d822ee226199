// Tests of tunelet-export --musicxml: the built program and its MusicXML module.
#include <gtest/gtest.h>

#include "export_run.h"

namespace {

using namespace tunelet::test;

TEST_F(TuneletExport, MusicXmlIsWrittenOrTheOutputLeftAlone) {
    struct Case {
        const char *arguments;
        int exitCode;
        const char *err;       // the start of what it says
        const char *fileHolds; // in the output afterwards
    };
    const Case cases[] = {
        {"--musicxml --division 96 ode.joy.TNL ode.musicxml", 0, "",
         "<work-title>ode.joy</work-title>"},
        // The song as the script file keeps it, with the command line's in its place.
        {"--musicxml --division 96 --key G ode.joy.TNL ode.musicxml", 0, "", "<fifths>1</fifths>"},
        {"--musicxml --division 96 --title 欢乐颂 song.TNL ode.musicxml", 0, "",
         "<work-title>欢乐颂</work-title>"},
        {"--musicxml --division 96 song.TNL ode.musicxml", 0, "", "<beats>3</beats>"},
        {"--musicxml bad.TNL ode.musicxml", 1, "音轨有错误，无法导出为MIDI文件！",
         "<beats>3</beats>"},
        {"--musicxml ode.joy.TNL no/such.musicxml", 1,
         "有错误产生，无法导出为MusicXML文件！\n无法写入文件“no/such.musicxml”", nullptr},
    };
    write("ode.joy.TNL", "3fd/3fd/4fd/5fd/\r\n");
    write("bad.TNL", "1fd/1F\r\n");
    write("song.TNL", std::string("3fd/3fd/4fd/5fd/\r\n") + '\0' + "tunelet-song 1\ntime=3/4\n");
    for (const Case &c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(r.err.substr(0, std::string(c.err).size()), c.err) << c.arguments;
        if (c.fileHolds != nullptr) {
            const std::string xml = read("ode.musicxml");
            EXPECT_NE(xml.find(c.fileHolds), std::string::npos) << c.arguments;
            EXPECT_NE(xml.find("<sound tempo=\"240\"/>"), std::string::npos) << c.arguments;
        }
    }
    EXPECT_EQ(m_dir.entryCount(), 4u) << "no temporary file left";
}

} // namespace
