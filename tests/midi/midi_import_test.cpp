// MIDI import tests: files written by the tests' own writer (chords, format 0, running
// status, tempo maps, more channels than lines, overlaps) import to the expected script,
// and the report counts every change.
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "midi/midi_import.h"
#include "smf_writer.h"
#include "temp_dir.h"

namespace tunelet::midi {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

// The report's counts in one comparable value.
struct Counts {
    int increment = 48;
    std::size_t dropped = 0, lengthened = 0, split = 0, unended = 0, tempos = 0, events = 0;
    bool operator==(const Counts &) const = default;
};

void PrintTo(const Counts &c, std::ostream *os) {
    *os << "increment " << c.increment << " dropped " << c.dropped << " lengthened " << c.lengthened
        << " split " << c.split << " unended " << c.unended << " tempos " << c.tempos << " events "
        << c.events;
}

Counts countsOf(const ImportReport &r) {
    return {r.timeIncrement, r.droppedNotes,  r.lengthenedNotes, r.splitNotes,
            r.unendedNotes,  r.droppedTempos, r.droppedEvents};
}

struct ImportCase {
    const char *name;
    std::string file;
    Lines lines;
    Counts counts;
};

void PrintTo(const ImportCase &c, std::ostream *os) {
    *os << c.name;
}

class MidiImportTest : public ::testing::TestWithParam<ImportCase> {};

TEST_P(MidiImportTest, ImportsToTheExpectedScript) {
    const ImportCase &c = GetParam();
    const ImportResult result = importMidi(c.file);
    ASSERT_TRUE(result.ok());
    EXPECT_FALSE(result.report.exact);
    EXPECT_EQ(result.lines, c.lines);
    EXPECT_EQ(countsOf(result.report), c.counts);
}

// 17 notes at once in one channel: lines 1 to 9 and 11 to 16 take one each, the highest
// first; line 10 is for drums; the two lowest are dropped.
std::string seventeenAtOnce() {
    std::vector<Ev> events;
    for (int key = 60; key <= 76; ++key) {
        events.push_back(on(0, 0, key));
        events.push_back(off(96, 0, key));
    }
    return smf(0, 96, {track(events)});
}

// Sixteen channels of port 1 and one more on port 2: the 17th finds no line.
std::string seventeenChannels() {
    std::vector<Ev> first;
    for (int channel = 0; channel < 16; ++channel) {
        first.push_back(on(0, channel, channel == 9 ? 36 : 60));
        first.push_back(off(96, channel, channel == 9 ? 36 : 60));
    }
    return smf(1, 96, {track(first), track({port(0, 1), on(0, 0, 72), off(96, 0, 72)})});
}

INSTANTIATE_TEST_SUITE_P(
    Files, MidiImportTest,
    ::testing::Values(
        ImportCase{"chord_on_further_lines_volume_carried",
                   smf(0, 96,
                       {track({on(0, 0, 60, 100), on(0, 0, 64, 100), on(0, 0, 67, 100),
                               off(96, 0, 60), off(96, 0, 64), off(96, 0, 67)})}),
                   {"#100/5fd/", "3fd/", "1fd/"},
                   {}},
        ImportCase{"format0_split_by_channel_drums_on_line_10",
                   smf(0, 96,
                       {track({program(0, 0, 5), on(0, 0, 60), off(96, 0, 60), program(0, 1, 40),
                               on(0, 1, 62), off(192, 1, 62), on(0, 9, 36), off(48, 9, 36)})}),
                   {"@005/1fd/", "@040/2fc/", "", "", "", "", "", "", "", "1de/"},
                   {}},
        ImportCase{"running_status_and_note_on_as_off",
                   smf(0, 96,
                       {track({on(0, 0, 60), off(96, 0, 60), on(96, 0, 62), off(192, 0, 62),
                               on(192, 0, 64), off(288, 0, 64)},
                              true)}),
                   {"1fd/2fd/3fd/"},
                   {}},
        // 97 quarter notes a minute: an increment of 38.8, rounded.
        ImportCase{"tempo_map_first_tempo_kept",
                   smf(1, 96,
                       {track({tempo(0, 618557), tempo(192, 300000), tempo(288, 300000)}),
                        track({on(0, 0, 60), off(384, 0, 60)})}),
                   {"1fa/"},
                   {.increment = 39, .tempos = 1}},
        ImportCase{"seventeen_channels",
                   seventeenChannels(),
                   {"1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1dd/",
                    "1fd/", "1fd/", "1fd/", "1fd/", "1fd/", "1fd/"},
                   {.dropped = 1}},
        ImportCase{
            "overlapping_notes_in_one_channel",
            smf(0, 96, {track({on(0, 0, 60), on(48, 0, 62), off(96, 0, 60), off(144, 0, 62)})}),
            {"1fd/", "0e/2fd/"},
            {}},
        ImportCase{
            "overlapping_notes_of_one_key_end_in_turn",
            smf(0, 96, {track({on(0, 0, 60), on(48, 0, 60), off(96, 0, 60), off(144, 0, 60)})}),
            {"1fd/", "0e/1fd/"},
            {}},
        ImportCase{"seventeen_notes_at_once",
                   seventeenAtOnce(),
                   {"3gd/", "wgd/", "2gd/", "vgd/", "1gd/", "7fd/", "zfd/", "6fd/", "yfd/", "",
                    "5fd/", "xfd/", "4fd/", "3fd/", "wfd/", "2fd/"},
                   {.dropped = 2}},
        ImportCase{"note_without_note_off_ends_at_next_onset",
                   smf(0, 96, {track({on(0, 0, 60), on(96, 0, 62), off(192, 0, 62)})}),
                   {"1fd/2fd/"},
                   {.unended = 1}},
        // Triplets of 320 ticks at 480 a quarter: onsets rounded to the grid each on its
        // own (0, 30, 66), so the line ends with the other one at 96.
        ImportCase{"triplets_rounded_without_drift",
                   smf(0, 480,
                       {track({on(0, 0, 60), off(320, 0, 60), on(320, 0, 62), off(640, 0, 62),
                               on(640, 0, 64), off(960, 0, 64), on(0, 1, 67), off(960, 1, 67)})}),
                   {"1fe/1fg/2fe/2ff/3fe/3fg/", "5fc/"},
                   {.split = 3}},
        ImportCase{"short_note_lengthened",
                   smf(0, 480, {track({on(0, 0, 60), off(10, 0, 60)})}),
                   {"1fg/"},
                   {.lengthened = 1}},
        ImportCase{"smpte_25_frames_of_40_ticks",
                   smf(0, 0xe728, {track({on(0, 0, 60), off(500, 0, 60)})}),
                   {"1fd/"},
                   {}},
        ImportCase{"controllers_and_pitch_bends_dropped",
                   smf(0, 96,
                       {track({{0, {'\xb0', 7, 100}},
                               {0, {'\xe0', 0, 0x40}},
                               on(0, 0, 60),
                               off(96, 0, 60)})}),
                   {"1fd/"},
                   {.events = 2}}),
    [](const ::testing::TestParamInfo<ImportCase> &info) { return std::string(info.param.name); });

// Each test in a folder of its own: ctest runs the tests of one fixture side by side.
class ImportFiles : public ::testing::Test {
protected:
    std::string write(const std::string &name, const std::string &bytes) const {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    tunelet::test::TempDir m_temp;
    const std::string m_dir = m_temp.path().string();
};

const std::string kOneNote = smf(0, 96, {track({on(0, 0, 60), off(96, 0, 60)})});

// What cannot be imported is said, with the file's name.
TEST_F(ImportFiles, FailuresAreToldWithTheFile) {
    const std::string big = write("big.mid", kOneNote);
    std::filesystem::resize_file(big, (64 << 20) + 1);
    const std::string absent = m_dir + "/absent.mid";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {write("a.TNL", "1fd/\r\n"), "”不是完好的标准MIDI文件，无法导入"},
        {write("cut.mid", kOneNote.substr(0, kOneNote.size() - 3)),
         "”不是完好的标准MIDI文件，无法导入"},
        {write("long.mid", smf(0, 1, {track({on(0, 0, 60), off(1 << 20, 0, 60)})})),
         "”的乐曲太长（超过约48小时），无法导入为乐谱"},
        {big, "”大于64 MB，不是本程序能导入的MIDI文件"},
        {"/dev/zero", "”不是普通文件，无法导入"},
    };
    for (const auto &[path, expected] : cases) {
        EXPECT_EQ(importFailureText(importMidiFile(path), path), "文件“" + path + expected);
    }
    EXPECT_EQ(importFailureText(importMidiFile(absent), absent),
              "无法读取文件“" + absent + "”：文件不存在");
}

TEST_F(ImportFiles, OnlyARegularFileWithTheHeaderIsAMidiFile) {
    const std::string fifo = m_dir + "/pipe.mid";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<std::string, bool>> cases = {
        {write("song.mid", kOneNote), true},    {write("song.TNL", "1fd/\r\n"), false},
        {write("MThd.TNL", "MThd\r\n"), false}, {fifo, false},
        {m_dir + "/absent.mid", false},         {m_dir, false},
    };
    for (const auto &[path, expected] : cases) {
        EXPECT_EQ(isMidiFile(path), expected) << path;
    }
}

TEST(ImportReportText, EveryChangeIsOneLine) {
    ImportReport report;
    report.timeIncrement = 40;
    report.droppedNotes = 2;
    report.lengthenedNotes = 1;
    report.splitNotes = 3;
    report.unendedNotes = 4;
    report.droppedTempos = 5;
    report.droppedEvents = 6;
    EXPECT_EQ(importReportLines(report),
              (Lines{"时间增量设为40", "2个重叠的音符因16个音轨已满（鼓只能在第10音轨）而丢弃",
                     "1个短于6个tick的音符延长为6个tick",
                     "3个音符的长度没有对应的符号，拆成了几个相连的音符（乐谱没有连音线）",
                     "4个音符没有结束事件，在下一个音符开始时结束",
                     "5个后来的速度变化被丢弃，全曲按第一个速度演奏",
                     "6个控制器、弯音、触后或系统专用事件被丢弃"}));
    const ImportReport own{.exact = true, .staccato = false, .timeIncrement = 96};
    EXPECT_EQ(importReportLines(own),
              (Lines{"这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时不断奏）",
                     "时间增量设为96", "没有丢弃或改动任何音符"}));
}

} // namespace
} // namespace tunelet::midi
