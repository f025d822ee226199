// Tests of the song properties and their block after the tracks: key names, metres, bar
// lengths, the block's round trip and every damaged form, and the score file around it.
#include "score/song_block.h"

#include <gtest/gtest.h>

#include "score/score_document.h"
#include "score/script_file.h"
#include "temp_dir.h"

namespace tunelet::score {
namespace {

using Kind = SongBlockNotice::Kind;
using namespace std::string_literals;

TEST(SongKey, EveryTonicHasItsHeaderSpellingAndSignature) {
    const struct {
        int tonic;
        const char *header;
        const char *ascii;
        int accidentals;
    } cases[] = {
        {0, "1=C", "C", 0},    {7, "1=G", "G", 1},    {2, "1=D", "D", 2},     {9, "1=A", "A", 3},
        {4, "1=E", "E", 4},    {11, "1=B", "B", 5},   {6, "1=♯F", "F#", 6},   {1, "1=♭D", "Db", -5},
        {8, "1=♭A", "Ab", -4}, {3, "1=♭E", "Eb", -3}, {10, "1=♭B", "Bb", -2}, {5, "1=F", "F", -1},
    };
    for (const auto &c : cases) {
        const Key key{c.tonic};
        EXPECT_EQ(key.header(), c.header);
        EXPECT_EQ(key.asciiName(), c.ascii);
        EXPECT_EQ(key.signatureAccidentals(), c.accidentals) << c.header;
        EXPECT_EQ(parseKey(c.ascii), key) << c.ascii;
        EXPECT_EQ(parseKey(c.header), key) << c.header;
    }
}

TEST(SongKey, ParsesWhatPeopleWriteAndNothingElse) {
    const struct {
        const char *text;
        std::optional<int> tonic;
    } cases[] = {
        {"#F", 6},
        {"bB", 10},
        {"♭B", 10},
        {"F♯", 6},
        {"Gb", 6},
        {"A#", 10},
        {"Cb", 11},
        {"B#", 0},
        {"1=bE", 3},
        {"", std::nullopt},
        {"g", std::nullopt},
        {"H", std::nullopt},
        {"G#b", std::nullopt},
        {"##G", std::nullopt},
        {"1=", std::nullopt},
        {"G ", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<Key> key = parseKey(c.text);
        EXPECT_EQ(key ? std::optional<int>(key->tonic) : std::nullopt, c.tonic) << c.text;
    }
}

TEST(SongTime, EveryMetreFromOneToTwelveOverTwoFourAndEight) {
    for (int unit = 1; unit <= 16; ++unit) {
        for (int beats = 0; beats <= 13; ++beats) {
            const std::string text = std::to_string(beats) + "/" + std::to_string(unit);
            const bool valid = beats >= 1 && beats <= 12 && (unit == 2 || unit == 4 || unit == 8);
            EXPECT_EQ(parseSongTime(text),
                      valid ? std::optional(SongTime{beats, unit}) : std::nullopt)
                << text;
        }
    }
    for (const char *text : {"3/04", "03/4", "3 /4", "3/4 ", "3", "/4", "3/", "-3/4", "3/4/4"}) {
        EXPECT_EQ(parseSongTime(text), std::nullopt) << text;
    }
}

TEST(SongTime, ABarLastsTheMetreWithTheBeatAsWritten) {
    const struct {
        const char *time; // empty: unset (4/4)
        std::optional<BeatNote> beat;
        int ticks;
    } cases[] = {
        {"", std::nullopt, 192},          {"3/4", std::nullopt, 144},  {"6/8", std::nullopt, 144},
        {"2/2", std::nullopt, 192},       {"12/8", std::nullopt, 288}, {"1/8", std::nullopt, 24},
        {"3/4", BeatNote::Eighth, 288},   {"3/4", BeatNote::Half, 72}, {"1/8", BeatNote::Half, 12},
        {"12/2", BeatNote::Eighth, 2304},
    };
    for (const auto &c : cases) {
        SongProperties properties;
        properties.time = *c.time ? parseSongTime(c.time) : std::nullopt;
        properties.beat = c.beat;
        EXPECT_EQ(barTicks(properties), c.ticks) << c.time;
    }
}

SongProperties titled(std::string title) {
    SongProperties p;
    p.title = std::move(title);
    return p;
}

SongProperties everyProperty() {
    SongProperties p;
    p.title = "生日快乐";
    p.subtitle = "两行\n标题\\与\r回车\0空"s;
    p.composer = "Mildred J. Hill";
    p.lyricist = "Patty Hill";
    p.key = Key{7};
    p.time = SongTime{3, 4};
    p.pickupTicks = 48;
    p.beat = BeatNote::Eighth;
    p.partNames = {"笛子", "", "贝斯"};
    p.words = {{"祝你生日快乐", "", "Hap-py birth-day"}, {}, {"_ *"}};
    p.unknownLines = {"chords1=G D", "future-thing=x\\ny"};
    return p;
}

TEST(SongBlock, WritesOneLinePerSetPropertyAndReadsItBack) {
    const SongProperties p = everyProperty();
    const std::string block = formatSongBlock(p);
    EXPECT_EQ(block, "tunelet-song 1\n"
                     "title=生日快乐\n"
                     "subtitle=两行\\n标题\\\\与\\r回车\\0空\n"
                     "composer=Mildred J. Hill\n"
                     "lyricist=Patty Hill\n"
                     "key=G\n"
                     "time=3/4\n"
                     "pickup=48\n"
                     "beat=8\n"
                     "part1=笛子\n"
                     "part3=贝斯\n"
                     "words1-1=祝你生日快乐\n"
                     "words1-3=Hap-py birth-day\n"
                     "words3-1=_ *\n"
                     "chords1=G D\n"
                     "future-thing=x\\ny\n");
    const SongBlock read = parseSongBlock(block);
    EXPECT_EQ(read.properties, p);
    EXPECT_TRUE(read.notices.empty());
    EXPECT_EQ(formatSongBlock(SongProperties{}), "");
    SongProperties unnamed;
    unnamed.partNames = {"", ""};
    EXPECT_EQ(formatSongBlock(unnamed), "") << "no name is set";
    unnamed.words = {{"", ""}};
    EXPECT_EQ(formatSongBlock(unnamed), "") << "no verse is set";
}

// Whatever is wrong with a block, the rest of it is read and the fault is a notice.
TEST(SongBlock, DamagedFormsAreIgnoredWithANotice) {
    const std::string header = "tunelet-song 1\n";
    const struct {
        const char *name;
        std::string block;
        std::vector<SongBlockNotice> notices;
        std::string title; // what was still read
    } cases[] = {
        {"NoHeader", "title=x\n", {{Kind::NotASongBlock, 0, ""}}, ""},
        {"ForeignBytes", "\x01\x02garbage", {{Kind::NotASongBlock, 0, ""}}, ""},
        {"VersionZero", "tunelet-song 0\ntitle=x\n", {{Kind::NotASongBlock, 0, ""}}, ""},
        {"HeaderTail", "tunelet-song 1 x\ntitle=x\n", {{Kind::NotASongBlock, 0, ""}}, ""},
        {"NewerVersion", "tunelet-song 2\ntitle=x\n", {{Kind::NewerVersion, 0, ""}}, ""},
        {"CrLfLines", "tunelet-song 1\r\ntitle=x\r\n", {}, "x"},
        {"NoFinalLf", header + "title=x", {}, "x"},
        {"EmptyLinesSkipped", header + "\n\ntitle=x\n", {}, "x"},
        {"NoEquals", header + "title\ntitle=x\n", {{Kind::BadLine, 2, "title"}}, "x"},
        {"BadName", header + "Title=y\ntitle=x\n", {{Kind::BadLine, 2, ""}}, "x"},
        {"EmptyName", header + "=y\ntitle=x\n", {{Kind::BadLine, 2, ""}}, "x"},
        {"BadUtf8", header + "title=\xC0\xAF\ntitle=x\n", {{Kind::BadLine, 2, "title"}}, "x"},
        {"Surrogate", header + "title=\xED\xA0\x80\n", {{Kind::BadLine, 2, "title"}}, ""},
        {"CutUtf8", header + "title=\xE4\xB8", {{Kind::BadLine, 2, "title"}}, ""},
        {"RawNul", header + "title=a\0b\n"s, {{Kind::BadLine, 2, "title"}}, ""},
        {"RawCr", header + "later=a\r\r\n", {{Kind::BadLine, 2, "later"}}, ""},
        {"BadEscape", header + "title=a\\t\n", {{Kind::BadLine, 2, "title"}}, ""},
        {"EscapeAtEnd", header + "title=a\\\n", {{Kind::BadLine, 2, "title"}}, ""},
        {"BadUnknownLineToo", header + "later=\\q\n", {{Kind::BadLine, 2, "later"}}, ""},
        {"Duplicate", header + "title=x\ntitle=y\n", {{Kind::LaterDuplicate, 3, "title"}}, "x"},
        {"BadKey", header + "key=H\ntitle=x\n", {{Kind::BadLine, 2, "key"}}, "x"},
        {"BadTime", header + "time=5/5\n", {{Kind::BadLine, 2, "time"}}, ""},
        {"BadBeat", header + "beat=16\n", {{Kind::BadLine, 2, "beat"}}, ""},
        {"NegativePickup", header + "pickup=-48\n", {{Kind::BadLine, 2, "pickup"}}, ""},
        {"WholeBarPickup", header + "pickup=144\ntime=3/4\n", {{Kind::BadLine, 2, "pickup"}}, ""},
        {"PartZero", header + "part0=x\n", {{Kind::BadLine, 2, "part0"}}, ""},
        {"PartSeventeen", header + "part17=x\n", {{Kind::BadLine, 2, "part17"}}, ""},
        {"PartLeadingZero", header + "part01=x\n", {{Kind::BadLine, 2, "part01"}}, ""},
        {"WordsNoVerse", header + "words1=x\n", {{Kind::BadLine, 2, "words1"}}, ""},
        {"WordsVerseFive", header + "words1-5=x\n", {{Kind::BadLine, 2, "words1-5"}}, ""},
        {"WordsPart17", header + "words17-1=x\n", {{Kind::BadLine, 2, "words17-1"}}, ""},
        {"WordsTwice",
         header + "words1-1=x\nwords1-1=y\ntitle=x\n",
         {{Kind::LaterDuplicate, 3, "words1-1"}},
         "x"},
    };
    for (const auto &c : cases) {
        const SongBlock read = parseSongBlock(c.block);
        EXPECT_EQ(read.notices, c.notices) << c.name;
        EXPECT_EQ(read.properties.title, c.title) << c.name;
        EXPECT_EQ(read.properties.pickupTicks, 0) << c.name;
        EXPECT_TRUE(read.properties.unknownLines.empty()) << c.name;
        EXPECT_FALSE(read.notices.empty() && c.title.empty()) << c.name << ": reads nothing";
    }
    const std::string oversized = header + "title=" + std::string(kMaxSongBlockBytes, 'x');
    EXPECT_EQ(parseSongBlock(oversized).notices,
              (std::vector<SongBlockNotice>{{Kind::Oversized, 0, ""}}));
    EXPECT_EQ(parseSongBlock(oversized).properties, SongProperties{});
}

TEST(SongBlock, NoticesAreWordedForTheUser) {
    const struct {
        SongBlockNotice notice;
        const char *text;
    } cases[] = {
        {{Kind::Oversized, 0, ""}, "音轨后的歌曲属性超过1 MB，已忽略"},
        {{Kind::NotASongBlock, 0, ""}, "音轨后的内容不是歌曲属性，已忽略"},
        {{Kind::NewerVersion, 0, ""}, "音轨后的歌曲属性来自较新的版本，无法读取，已忽略"},
        {{Kind::BadLine, 3, "key"}, "歌曲属性第3行（key）无法读取，已忽略"},
        {{Kind::BadLine, 2, ""}, "歌曲属性第2行无法读取，已忽略"},
        {{Kind::LaterDuplicate, 4, "title"}, "歌曲属性第4行（title）重复出现，已忽略"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(songBlockNoticeText(c.notice), c.text);
    }
}

TEST(ScoreText, WithoutPropertiesTheBytesAreThoseOfTheTracksAlone) {
    const std::vector<std::string> lines = {"1fd/2fd/", "", "\xB8\xE8 0a/"};
    EXPECT_EQ(formatScoreText(lines, SongProperties{}), formatScriptText(lines));
    EXPECT_EQ(formatScoreText({}, SongProperties{}), "");
}

TEST(ScoreText, TheBlockFollowsOneNulAndAReaderStoppingThereSeesTheTracks) {
    const std::vector<std::string> lines = {"1fd/2fd/", ""};
    const SongProperties p = everyProperty();
    const std::string bytes = formatScoreText(lines, p);
    EXPECT_EQ(bytes, formatScriptText(lines) + '\0' + formatSongBlock(p));
    EXPECT_EQ(parseScriptText(bytes), lines);
    const ScoreText read = parseScoreText(bytes);
    EXPECT_EQ(read.lines, lines);
    EXPECT_EQ(read.properties, p);
    EXPECT_EQ(parseScoreText(formatScriptText(lines) + '\0').notices,
              std::vector<SongBlockNotice>{})
        << "a NUL with nothing after it is no block";
    EXPECT_EQ(parseScoreText(bytes + '\0' + "junk").properties, p) << "a next NUL ends the block";
    EXPECT_EQ(parseScoreText("a\r\n"s + '\0' + '\0' + "tunelet-song 1\ntitle=x\n").properties,
              SongProperties{})
        << "two NULs: an empty block";
    const SongProperties huge = titled(std::string(kMaxSongBlockBytes, 'x'));
    EXPECT_THROW(formatScoreText(lines, huge), std::length_error) << "it would not be read back";
}

TEST(ScoreFile, ABadBlockNeverStopsTheTracksFromOpening) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    const std::string tracks = "1fd/\r\n2fd/\r\n";
    const std::vector<std::string> lines = {"1fd/", "2fd/"};
    // More than the block's limit after the NUL (read only that far), and a sparse file
    // of 64 GB whose holes read as NUL.
    test::writeBytes(path, tracks + '\0' + std::string(kMaxSongBlockBytes + 1, 'x'));
    ScoreText read = readScoreFile(path);
    EXPECT_EQ(read.lines, lines);
    EXPECT_EQ(read.notices, (std::vector<SongBlockNotice>{{Kind::Oversized, 0, ""}}));
    ASSERT_EQ(::truncate(path.c_str(), std::int64_t{64} << 30), 0);
    EXPECT_EQ(readScoreFile(path).lines, lines);
    const ScoreText zeros = readScoreFile("/dev/zero", ScriptSource::AnyFile);
    EXPECT_TRUE(zeros.lines.empty() && zeros.notices.empty()) << "ends at the second NUL";
    test::writeBytes(path, tracks + '\0' + "tunelet-song 1\ntitle=x\n" + '\0');
    ASSERT_EQ(::truncate(path.c_str(), std::int64_t{64} << 30), 0);
    EXPECT_EQ(readScoreFile(path).properties, titled("x")) << "64 GB after a block";
}

TEST(ScoreFile, SaveAndLoadKeepTheProperties) {
    test::TempDir dir;
    const std::string path = dir.file("song.TNL");
    ScoreDocument doc;
    doc.appendLine("5ed/5ee/6ed/");
    doc.setProperties(everyProperty());
    doc.saveTo(path);
    EXPECT_EQ(test::readBytes(path), "5ed/5ee/6ed/\r\n"s + '\0' + formatSongBlock(everyProperty()));

    ScoreDocument other;
    other.appendLine("old");
    other.setProperties(titled("old"));
    EXPECT_TRUE(other.load(path).empty());
    EXPECT_EQ(other.properties(), everyProperty());
    EXPECT_EQ(other.lines(), doc.lines());
    other.setSaved(true);
    other.setProperties(everyProperty());
    EXPECT_TRUE(other.isSaved()) << "the same properties again are no change";
    other.clear();
    EXPECT_EQ(other.properties(), SongProperties{}) << "a new score has no properties";

    doc.setProperties(titled(std::string(kMaxSongBlockBytes, 'x')));
    EXPECT_THROW(doc.saveTo(path), FileError);
    EXPECT_EQ(test::readBytes(path), "5ed/5ee/6ed/\r\n"s + '\0' + formatSongBlock(everyProperty()))
        << "a refused save leaves the old file whole";
    EXPECT_EQ(dir.entryCount(), 1u);
}

} // namespace
} // namespace tunelet::score
