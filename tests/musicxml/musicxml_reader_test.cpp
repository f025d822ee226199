// Tests of the MusicXML import: files of other programs' kinds, each rule one table.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <zip.h>

#include <gtest/gtest.h>

#include "musicxml/musicxml_reader.h"
#include "score/song_block.h"
#include "temp_dir.h"

namespace tunelet::musicxml {
namespace {

using Lines = std::vector<std::string>;

// A one-part score (part P1, no instrument) of the given measures' contents, after a
// header (work, credits) and an attributes element opening the first measure.
std::string score(const std::string &measures, const std::string &attributes = "",
                  const std::string &header = "", const std::string &part = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">" + header +
           "<part-list><score-part id=\"P1\"><part-name>P</part-name>" + part +
           "</score-part></part-list><part id=\"P1\"><measure number=\"1\"><attributes>"
           "<divisions>2</divisions>" +
           attributes + "</attributes>" + measures + "</measure></part></score-partwise>";
}

// A note: `before` its pitch (grace, chord, cue), `after` its duration (tie, lyric...).
std::string note(const char *step, int octave, int duration, const std::string &before = "",
                 const std::string &after = "", int alter = 0) {
    return "<note>" + before + "<pitch><step>" + step + "</step>" +
           (alter != 0 ? "<alter>" + std::to_string(alter) + "</alter>" : "") + "<octave>" +
           std::to_string(octave) + "</octave></pitch><duration>" + std::to_string(duration) +
           "</duration>" + after + "</note>";
}

midi::ImportResult import(const std::string &xml) {
    return importMusicXml(xml);
}

// Time: a part's position moves by each note, not by a chord's further notes; backup and
// forward move it too; ties join; times the script has not are rounded and counted.
TEST(MusicXmlReader, NotesAreTimedAsThePartPlaysThem) {
    const std::string chord = note("C", 4, 2) + note("E", 4, 2, "<chord/>") + note("G", 4, 2);
    const std::string voices = note("C", 4, 4) + "<backup><duration>4</duration></backup>" +
                               note("E", 3, 2) + note("E", 3, 2);
    const std::string tied =
        note("C", 4, 2, "", "<tie type=\"start\"/>") + note("C", 4, 2, "", "<tie type=\"stop\"/>");
    const struct {
        const char *name;
        std::string measures;
        Lines lines;
        std::size_t rounded;
    } cases[] = {
        {"chord spread over lines, top voice first", chord, {"3fd/5fd/", "1fd/"}, 0},
        {"voices after backup", voices, {"1fc/", "3ed/3ed/"}, 0},
        {"forward rests",
         "<forward><duration>2</duration></forward>" + note("C", 4, 2),
         {"0d/1fd/"},
         0},
        {"tied notes joined", tied, {"1fc/"}, 0},
        {"tie to another key stays two notes",
         note("C", 4, 2, "", "<tie type=\"start\"/>") + note("D", 4, 2, "", "<tie type=\"stop\"/>"),
         {"1fd/2fd/"},
         0},
        {"alter", note("F", 4, 1, "", "", 1), {"xfe/"}, 0},
        {"transposition to the sounding pitch",
         "<attributes><transpose><chromatic>-2</chromatic><octave-change>1</octave-change>"
         "</transpose></attributes>" +
             note("D", 4, 2),
         {"1gd/"},
         0},
        {"triplet eighths rounded to the grid",
         "<attributes><divisions>6</divisions></attributes>" + note("C", 4, 2) + note("D", 4, 2) +
             note("E", 4, 2),
         {"1ff/1fg/2ff/3ff/3fg/"},
         3},
        {"a finer divisions later rounded",
         note("C", 4, 2) + "<attributes><divisions>6</divisions></attributes>" + note("D", 4, 1),
         {"1fd/2fg/"},
         1},
    };
    for (const auto &c : cases) {
        const midi::ImportResult result = import(score(c.measures));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.damage;
        EXPECT_EQ(result.lines, c.lines) << c.name;
        EXPECT_EQ(result.report.roundedNotes, c.rounded) << c.name;
    }
}

// What the script cannot hold is left out and counted, each kind by its own count.
TEST(MusicXmlReader, WhatIsLeftOutIsCounted) {
    using Count = std::size_t midi::ImportReport::*;
    const std::string drums = "<score-instrument id=\"D\"/><midi-instrument id=\"D\">"
                              "<midi-channel>10</midi-channel></midi-instrument>";
    const struct {
        const char *name;
        std::string measures;
        Count count;
        Lines lines;
        std::string part = "";
    } cases[] = {
        {"grace note",
         note("D", 4, 0, "<grace/>") + note("C", 4, 2),
         &midi::ImportReport::graceNotes,
         {"1fd/"}},
        {"cue note",
         note("D", 4, 2, "<cue/>") + note("C", 4, 2),
         &midi::ImportReport::cueNotes,
         {"0d/1fd/"}},
        {"pitch above key 127",
         note("C", 10, 2) + note("C", 4, 2),
         &midi::ImportReport::outOfRange,
         {"0d/1fd/"}},
        {"drum without a key",
         "<note><unpitched><display-step>C</display-step><display-octave>5</display-octave>"
         "</unpitched><duration>2</duration><instrument id=\"D\"/></note>" +
             note("C", 4, 2),
         &midi::ImportReport::unknownDrums,
         {"", "", "", "", "", "", "", "", "", "0d/1fd/"},
         drums},
        {"repeat sign",
         note("C", 4, 2) + "<barline><repeat direction=\"backward\"/></barline>",
         &midi::ImportReport::repeats,
         {"1fd/"}},
        {"articulation and slur",
         note("C", 4, 2, "",
              "<notations><articulations><staccato/></articulations><slur/>"
              "<tied type=\"start\"/></notations>"),
         &midi::ImportReport::markings,
         {"1fd/"}},
        {"a fifth verse",
         note("C", 4, 2, "",
              "<lyric number=\"1\"><text>a</text></lyric><lyric number=\"2\"><text>b</text>"
              "</lyric><lyric number=\"3\"><text>c</text></lyric><lyric number=\"4\"><text>d"
              "</text></lyric><lyric number=\"5\"><text>e</text></lyric>"),
         &midi::ImportReport::droppedSyllables,
         {"1fd/"}},
        {"key change",
         note("C", 4, 2) + "<attributes><key><fifths>2</fifths></key></attributes>" +
             note("C", 4, 2),
         &midi::ImportReport::keySignatures,
         {"1fd/1fd/"}},
    };
    for (const auto &c : cases) {
        const midi::ImportResult result = import(score(
            c.measures,
            c.count == &midi::ImportReport::keySignatures ? "<key><fifths>0</fifths></key>" : "",
            "", c.part));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.damage;
        EXPECT_EQ(result.report.*c.count, c.count == &midi::ImportReport::markings ? 2u : 1u)
            << c.name;
        EXPECT_EQ(result.lines, c.lines) << c.name;
    }
}

// The song: titles and credits, key, metre, pickup, the tempo mark's beat and tempo.
TEST(MusicXmlReader, TheSongComesFromItsHeaderAndFirstMeasure) {
    const std::string credits =
        "<work><work-title>茉莉花</work-title></work><movement-title>第一段</movement-title>"
        "<identification><creator type=\"composer\">江苏民歌</creator></identification>"
        "<credit page=\"1\"><credit-type>lyricist</credit-type><credit-words>佚名"
        "</credit-words></credit>";
    const struct {
        const char *name;
        std::string header, attributes, measures;
        std::string block;
        int increment;
    } cases[] = {
        {"nothing said", "", "", note("C", 4, 8), "", 48},
        {"titles and credits", credits, "", note("C", 4, 8),
         "title=茉莉花\nsubtitle=第一段\ncomposer=江苏民歌\nlyricist=佚名\n", 48},
        {"untyped credits by their place on the page",
         "<defaults><page-layout><page-height>1000</page-height></page-layout></defaults>"
         "<credit><credit-words default-y=\"50\" justify=\"center\" font-size=\"30\">© x"
         "</credit-words></credit><credit><credit-words default-y=\"900\" justify=\"center\" "
         "font-size=\"14\">副</credit-words></credit><credit><credit-words default-y=\"950\" "
         "justify=\"center\" font-size=\"22\">歌</credit-words></credit><credit>"
         "<credit-words default-y=\"880\" justify=\"right\">曲者</credit-words></credit>",
         "", note("C", 4, 8), "title=歌\nsubtitle=副\ncomposer=曲者\n", 48},
        {"credit title alone",
         "<credit><credit-type>title</credit-type><credit-words>歌</credit-words></credit>", "",
         note("C", 4, 8), "title=歌\n", 48},
        {"minor key as its relative major, metre, pickup", "",
         "<key><fifths>-3</fifths><mode>minor</mode></key><time><beats>3</beats>"
         "<beat-type>4</beat-type></time>",
         note("C", 4, 2), "key=Eb\ntime=3/4\npickup=48\n", 48},
        {"metre no song has", "", "<time><beats>3+2</beats><beat-type>8</beat-type></time>",
         note("C", 4, 8), "", 48},
        {"sound tempo", "", "",
         "<direction><direction-type><words>Adagio</words></direction-type><sound tempo=\"60\"/>"
         "</direction>" +
             note("C", 4, 8),
         "", 24},
        {"metronome in eighths is the script beat", "", "",
         "<direction><direction-type><metronome><beat-unit>eighth</beat-unit>"
         "<per-minute>120</per-minute></metronome></direction-type></direction>" +
             note("C", 4, 8),
         "beat=8\n", 48},
    };
    for (const auto &c : cases) {
        const midi::ImportResult result = import(score(c.measures, c.attributes, c.header));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.damage;
        const std::string block = score::formatSongBlock(result.properties);
        EXPECT_EQ(block, c.block.empty() && result.properties.partNames.empty()
                             ? ""
                             : "tunelet-song 1\n" + c.block + "part1=P\n")
            << c.name;
        EXPECT_EQ(result.report.timeIncrement, c.increment) << c.name;
    }
}

// Words: syllables by verse number, a hyphen inside a word, an extend holding the syllable
// over the notes after it (with a type, or untyped until the next syllable, as MuseScore
// writes it), notes without a syllable skipped.
TEST(MusicXmlReader, LyricsBecomeTheLinesWords) {
    const auto sung = [](const char *text, const char *syllabic = "single", const char *extend = "",
                         const char *number = "1") {
        return note("C", 4, 1, "",
                    std::string("<lyric number=\"") + number + "\"><syllabic>" + syllabic +
                        "</syllabic><text>" + text + "</text>" + extend + "</lyric>");
    };
    const struct {
        const char *name;
        std::string measures;
        std::vector<std::string> verses;
    } cases[] = {
        {"one syllable a note", sung("一") + sung("闪"), {"一闪"}},
        {"a word over two notes",
         sung("Twin", "begin") + sung("kle", "end") + sung("star"),
         {"Twin-kle star"}},
        {"untyped extend holds until the next syllable",
         sung("星", "single", "<extend/>") + note("C", 4, 1) + sung("星"),
         {"星 _ 星"}},
        {"extend stopped, then a note without a syllable",
         sung("a", "single", "<extend type=\"start\"/>") +
             note("C", 4, 1, "", "<lyric number=\"1\"><extend type=\"stop\"/></lyric>") +
             note("C", 4, 1) + sung("b"),
         {"a _ * b"}},
        {"second verse", sung("a") + sung("b", "single", "", "2"), {"a", "* b"}},
    };
    for (const auto &c : cases) {
        const midi::ImportResult result = import(score(c.measures));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.damage;
        ASSERT_EQ(result.properties.words.size(), 1u) << c.name;
        EXPECT_EQ(result.properties.words[0], c.verses) << c.name;
    }
}

// Write a ZIP archive of the given entries with libzip (the reader under test reads it).
std::string zipOf(const std::vector<std::pair<std::string, std::string>> &entries,
                  const std::string &path) {
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto &[name, bytes] : entries) {
        zip_source_t *source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    EXPECT_EQ(zip_close(archive), 0);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A compressed score opens as the plain one; anything else is refused with its reason.
TEST(MusicXmlReader, ArchivesAndRefusals) {
    const test::TempDir folder;
    const std::string plain = score(note("C", 4, 8));
    const std::string container = "<container><rootfiles><rootfile full-path=\"s/score.xml\" "
                                  "media-type=\"application/vnd.recordare.musicxml+xml\"/>"
                                  "</rootfiles></container>";
    const std::string mxl = (folder.path() / "a.mxl").string();
    const struct {
        const char *name;
        std::string bytes;
        std::string damage; // empty: imported as the plain score
    } cases[] = {
        {"mxl", zipOf({{"META-INF/container.xml", container}, {"s/score.xml", plain}}, mxl), ""},
        {"timewise", "<score-timewise/>",
         "是按小节组织的MusicXML乐谱（score-timewise），本程序只读按声部组织的乐谱（score-"
         "partwise）"},
        {"other XML", "<html/>", "不是MusicXML乐谱（开头不是<score-partwise>）"},
        {"cut short", plain.substr(0, plain.size() - 20),
         "不是完好的XML文件（第2行第" + std::to_string(plain.size() - 20 - plain.find('\n')) +
             "列：Premature end of document.）"},
        {"no divisions",
         "<score-partwise><part id=\"P1\"><measure>" + note("C", 4, 2) +
             "</measure></part></score-partwise>",
         "的第1行有音符时值，但此前没有<divisions>"},
        {"zip without container", zipOf({{"score.xml", plain}}, mxl),
         "是ZIP文件，但其中没有META-INF/container.xml，不是压缩MusicXML文件（.mxl）"},
        {"container without rootfile", zipOf({{"META-INF/container.xml", "<container/>"}}, mxl),
         "的META-INF/container.xml没有指明乐谱文件（<rootfile full-path>）"},
        {"rootfile missing", zipOf({{"META-INF/container.xml", container}}, mxl),
         "缺少META-INF/container.xml所指的乐谱文件“s/score.xml”"},
        {"damaged zip", std::string("PK\x03\x04", 4) + "broken",
         "是损坏的压缩MusicXML文件（.mxl）：Not a zip archive"},
    };
    const Lines expected = import(plain).lines;
    for (const auto &c : cases) {
        const midi::ImportResult result = importMusicXml(c.bytes);
        EXPECT_EQ(result.damage, c.damage) << c.name;
        EXPECT_EQ(result.ok(), c.damage.empty()) << c.name;
        if (result.ok()) {
            EXPECT_EQ(result.lines, expected) << c.name;
        }
    }
}

// Open knows a score by its contents: XML whose root is a score (after a declaration, a
// byte order mark, comments), or a ZIP archive with META-INF/container.xml.
TEST(MusicXmlReader, ScoresAreKnownByTheirContents) {
    const test::TempDir folder;
    const std::string zipped = (folder.path() / "z").string();
    const struct {
        const char *name;
        std::string bytes;
        bool score;
    } cases[] = {
        {"partwise", score(note("C", 4, 8)), true},
        {"after a byte order mark and a comment",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- x -->\n<score-partwise/>", true},
        {"timewise, refused when imported", "<score-timewise/>", true},
        {"mxl", zipOf({{"META-INF/container.xml", "<container/>"}}, zipped), true},
        {"other XML", "<html/>", false},
        {"other ZIP", zipOf({{"a.txt", "a"}}, zipped), false},
        {"a script", "1fd/\r\n", false},
        {"empty", "", false},
    };
    for (const auto &c : cases) {
        const std::string path = (folder.path() / "file").string();
        std::ofstream(path, std::ios::binary) << c.bytes;
        EXPECT_EQ(isMusicXmlFile(path), c.score) << c.name;
    }
    EXPECT_FALSE(isMusicXmlFile(folder.path().string())) << "a folder";
}

} // namespace
} // namespace tunelet::musicxml
