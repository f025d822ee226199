// MIDI import tests: files written by the tests' own writer (chords, format 0, running
// status, tempo maps, more channels than lines, overlaps, lines shared over time, drums,
// keys struck again, events of one tick, meta events, RIFF wrapping) import to the
// expected script, and the report counts every change.
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
    std::size_t drums = 0, shortened = 0, restruck = 0, doubled = 0, zeroTempos = 0, patterns = 0;
    std::size_t unplaced = 0, markers = 0, keys = 0, times = 0, texts = 0, otherMeta = 0;
    bool operator==(const Counts &) const = default;
};

void PrintTo(const Counts &c, std::ostream *os) {
    *os << "increment " << c.increment << " dropped " << c.dropped << " lengthened " << c.lengthened
        << " split " << c.split << " unended " << c.unended << " tempos " << c.tempos << " events "
        << c.events << " drums " << c.drums << " shortened " << c.shortened << " restruck "
        << c.restruck << " doubled " << c.doubled << " zeroTempos " << c.zeroTempos << " patterns "
        << c.patterns << " unplaced " << c.unplaced << " markers " << c.markers << " keys "
        << c.keys << " times " << c.times << " texts " << c.texts << " otherMeta " << c.otherMeta;
}

Counts countsOf(const ImportReport &r) {
    return {
        r.timeIncrement, r.droppedNotes,   r.lengthenedNotes, r.splitNotes,        r.unendedNotes,
        r.droppedTempos, r.droppedEvents,  r.droppedDrums,    r.shortenedDrums,    r.restruckNotes,
        r.doubledNotes,  r.zeroTempos,     r.patterns,        r.unplacedSyllables, r.markers,
        r.keySignatures, r.timeSignatures, r.texts,           r.otherMeta};
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

// Eight channels play a three-note chord in turn, a beat each: never more than three
// notes at once, so every note finds a line silent for its whole length.
std::string chordsInTurn() {
    std::vector<Ev> events;
    for (int channel = 0; channel < 8; ++channel) {
        const auto start = std::uint32_t(96 * channel);
        for (const int key : {60, 64, 67}) {
            events.push_back(on(start, channel, key));
            events.push_back(off(start + 96, channel, key));
        }
    }
    return smf(0, 96, {track(events)});
}

Ev meta(std::uint32_t tick, int type, const std::string &body) {
    return {tick, std::string{'\xff', char(type)} + vlq(std::uint32_t(body.size())) + body};
}

// The file wrapped as a RIFF MIDI file ("RMID"), with a chunk before the music.
std::string riffMidi(const std::string &file) {
    const auto le = [](std::size_t n) {
        return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    };
    const std::string chunks = "LIST" + le(4) + "INFO" + "data" + le(file.size()) + file;
    return "RIFF" + le(4 + chunks.size()) + "RMID" + chunks;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MidiImportTest,
    ::testing::Values(
        ImportCase{"lines_shared_over_time",
                   chordsInTurn(),
                   {"5fd/", "0d/5fd/", "0c/5fd/", "0b/5fd/", "0a/5fd/", "0a/0d/5fd/", "0a/0c/5fd/",
                    "0a/0b/5fd/", "3fd/0c/1fd/3fd/3fd/3fd/3fd/", "", "1fd/0b/1fd/1fd/1fd/1fd/",
                    "0d/3fd/", "0d/1fd/", "0c/3fd/", "0c/1fd/", "0b/3fd/"},
                   {}},
        // Hi-hat and bass drum at once, then crash and snare: the bass drum and the snare
        // are kept, and the long bass drum ends at the snare.
        ImportCase{"drums_that_coincide_keep_the_groove",
                   smf(0, 96,
                       {track({on(0, 9, 42), on(0, 9, 36), off(24, 9, 42), off(192, 9, 36),
                               on(96, 9, 49), on(96, 9, 38), off(192, 9, 49), off(192, 9, 38)})}),
                   {"", "", "", "", "", "", "", "", "", "1dd/2dd/"},
                   {.drums = 2, .shortened = 1}},
        // Middle C struck again before its release; D struck twice in one tick.
        ImportCase{"key_struck_again_ends_the_earlier_note",
                   smf(0, 96,
                       {track({on(0, 0, 60), on(96, 0, 60), off(192, 0, 60), off(288, 0, 60),
                               on(288, 0, 62, 90), on(288, 0, 62), off(384, 0, 62)})}),
                   {"1fd/1fd/0d/2fd/"},
                   {.restruck = 1, .doubled = 1}},
        // At tick 96 the first track strikes C, then changes the program; the second
        // track's G comes after the change.
        ImportCase{"events_of_one_tick_in_file_order",
                   smf(1, 96,
                       {track({program(0, 0, 3), on(96, 0, 60), program(96, 0, 5), off(192, 0, 60),
                               on(192, 0, 62), off(288, 0, 62)}),
                        track({on(96, 0, 67), off(192, 0, 67)})}),
                   {"0d/@005/5fd/2fd/", "0d/@003/1fd/"},
                   {}},
        // 120 at tick 0, 104 a beat later where the music starts: 104 plays as 105.
        ImportCase{"tempo_in_force_when_the_music_starts",
                   smf(1, 96,
                       {track({tempo(0, 500000), tempo(96, 576923)}),
                        track({on(96, 0, 60), off(480, 0, 60)})}),
                   {"0d/1fa/"},
                   {.increment = 42}},
        // 100 for the first beat, 150 for the four after it.
        ImportCase{"tempo_that_covers_most_of_the_music",
                   smf(1, 96,
                       {track({tempo(0, 600000), tempo(96, 400000)}),
                        track({on(0, 0, 60), off(480, 0, 60)})}),
                   {"1fa/1fd/"},
                   {.increment = 60, .split = 1, .tempos = 1}},
        ImportCase{"riff_midi_file_unwrapped",
                   riffMidi(smf(0, 96, {track({on(0, 0, 60), off(96, 0, 60)})})),
                   {"1fd/"},
                   {}},
        ImportCase{"format2_patterns_and_a_tempo_of_0",
                   smf(2, 96,
                       {track({tempo(0, 0), on(0, 0, 60), off(96, 0, 60)}),
                        track({on(0, 0, 64), off(96, 0, 64)})}),
                   {"3fd/", "1fd/"},
                   {.zeroTempos = 1, .patterns = 2}},
        // The name (the title), the first signatures and their repeats are the song's; a
        // syllable half a beat after the only note falls on none.
        ImportCase{
            "words_marks_and_later_signatures_counted",
            smf(0, 96,
                {track({meta(0, 0x03, "Piano"), meta(0, 0x58, {4, 2, 24, 8}), meta(0, 0x59, {0, 0}),
                        meta(0, 0x06, "A"), meta(48, 0x05, "la"), meta(0, 0x02, "(c)"),
                        meta(0, 0x7f, {0, 0, 0x41}), meta(48, 0x58, {4, 2, 24, 8}),
                        meta(48, 0x58, {3, 2, 24, 8}), meta(48, 0x59, {2, 0}), on(0, 0, 60),
                        off(96, 0, 60)})}),
            {"1fd/"},
            {.unplaced = 1, .markers = 1, .keys = 1, .times = 1, .texts = 1, .otherMeta = 1}}),
    [](const ::testing::TestParamInfo<ImportCase> &info) { return std::string(info.param.name); });

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
            "overlapping_notes_of_one_key_end_at_the_new_strike",
            smf(0, 96, {track({on(0, 0, 60), on(48, 0, 60), off(96, 0, 60), off(144, 0, 60)})}),
            {"1fe/1fe/"},
            {.restruck = 1}},
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

// What cannot be imported is said, with the file's name, and for a damaged file what is
// wrong and where.
TEST_F(ImportFiles, FailuresAreToldWithTheFile) {
    const std::string big = write("big.mid", kOneNote);
    std::filesystem::resize_file(big, (64 << 20) + 1);
    const std::string absent = m_dir + "/absent.mid";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {write("a.TNL", "1fd/\r\n"), "”不是标准MIDI文件（开头没有MIDI文件头“MThd”），无法导入"},
        {write("a.wav", std::string("RIFF\4\0\0\0WAVEfmt ", 16)),
         "”不是标准MIDI文件（开头是未知的“RIFF”块，不是“MThd”），无法导入"},
        {write("cut.mid", kOneNote.substr(0, kOneNote.size() - 3)),
         "”不完整：第1音轨在第31字节处被截断，无法导入"},
        {write("cut_event.mid", smf(0, 96, {"MTrk" + be(3, 4) + std::string("\0\x90\x3c", 3)})),
         "”不完整：第1音轨在第25字节处被截断，无法导入"},
        {write("bad_event.mid", smf(0, 96, {"MTrk" + be(2, 4) + std::string("\0\xf1", 2)})),
         "”的第1音轨在第24字节处有无法读取的事件，无法导入"},
        {write("no_tracks.mid", smf(1, 96, {})), "”没有音轨（文件头中的音轨数为0），无法导入"},
        {write("unknown.mid", smf(1, 96, {track({}), "XFIH" + be(2, 4) + "ab"})),
         "”的文件头说有2个音轨，只找到1个（另有未知的“XFIH”块），无法导入"},
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
        {write("song.mid", kOneNote), true},
        {write("song.RMI", riffMidi(kOneNote)), true},
        {write("song.TNL", "1fd/\r\n"), false},
        {write("MThd.TNL", "MThd\r\n"), false},
        {fifo, false},
        {m_dir + "/absent.mid", false},
        {m_dir, false},
    };
    for (const auto &[path, expected] : cases) {
        EXPECT_EQ(isMidiFile(path), expected) << path;
    }
}

// Another program's file: the first track's name is the title, the other tracks' names
// name the lines their notes land on; a name kept is no longer counted as dropped.
TEST(ImportSong, NamesAndSignaturesBecomeTheSongs) {
    const struct {
        const char *name;
        std::string file;
        std::string title;
        std::vector<std::string> partNames;
        std::optional<int> tonic;
        std::optional<score::SongTime> time;
        std::size_t texts;
    } cases[] = {
        {"conductor_track_then_named_parts",
         smf(1, 96,
             {track({meta(0, 0x03, "Song"), meta(0, 0x58, {3, 2, 24, 8}), meta(0, 0x59, {1, 0})}),
              track({meta(0, 0x03, "Flute"), on(0, 0, 72), off(96, 0, 72)}),
              track({meta(0, 0x03, "Bass"), on(0, 1, 48), off(96, 1, 48)})}),
         "Song",
         {"Flute", "Bass"},
         7,
         score::SongTime{3, 4},
         0},
        {"a_chord_names_every_line_it_takes",
         smf(1, 96,
             {track({}), track({meta(0, 0x03, "Piano"), on(0, 0, 60), on(0, 0, 64), off(96, 0, 60),
                                off(96, 0, 64)})}),
         "",
         {"Piano", "Piano"},
         std::nullopt,
         std::nullopt,
         0},
        {"names_of_silent_or_unnamed_tracks_dropped",
         smf(1, 96,
             {track({meta(0, 0x03, "Song")}), track({meta(0, 0x03, "Empty")}),
              track({on(0, 1, 60), off(96, 1, 60)})}),
         "Song",
         {},
         std::nullopt,
         std::nullopt,
         1},
        {"names_in_gbk",
         smf(1, 96,
             {track({meta(0, 0x03, "\xB8\xE8")}),
              track({meta(0, 0x03, "\xB5\xD1\xD7\xD3"), on(0, 0, 60), off(96, 0, 60)})}),
         "歌",
         {"笛子"},
         std::nullopt,
         std::nullopt,
         0},
        {"names_too_long_for_a_score_file_dropped",
         smf(1, 96,
             {track({meta(0, 0x03, "Song")}),
              track({meta(0, 0x03, std::string(600000, 'a')), on(0, 0, 60), off(96, 0, 60)}),
              track({meta(0, 0x03, std::string(600000, 'b')), on(0, 1, 60), off(96, 1, 60)})}),
         "Song",
         {},
         std::nullopt,
         std::nullopt,
         2},
        {"one_track_names_the_song_not_a_part",
         smf(0, 96, {track({meta(0, 0x03, "Tune"), on(0, 0, 60), off(96, 0, 60)})}),
         "Tune",
         {},
         std::nullopt,
         std::nullopt,
         0},
    };
    for (const auto &c : cases) {
        const ImportResult result = importMidi(c.file);
        ASSERT_TRUE(result.ok()) << c.name;
        EXPECT_EQ(result.properties.title, c.title) << c.name;
        EXPECT_EQ(result.properties.partNames, c.partNames) << c.name;
        EXPECT_EQ(result.properties.key ? std::optional(result.properties.key->tonic)
                                        : std::nullopt,
                  c.tonic)
            << c.name;
        EXPECT_EQ(result.properties.time, c.time) << c.name;
        EXPECT_EQ(result.report.texts, c.texts) << c.name;
        EXPECT_EQ(result.report.keptPartNames, c.partNames.size()) << c.name;
    }
}

// Notes of a beat (96 ticks) on channel 0 at the given beats, keys rising from 60.
std::vector<Ev> beats(std::initializer_list<int> at, int channel = 0) {
    std::vector<Ev> events;
    int key = 60;
    for (const int beat : at) {
        events.push_back(on(std::uint32_t(96 * beat), channel, key));
        events.push_back(off(std::uint32_t(96 * beat + 96), channel, key++));
    }
    return events;
}
std::vector<Ev> with(std::vector<Ev> events, const std::vector<Ev> &more) {
    events.insert(events.end(), more.begin(), more.end());
    return events;
}
Ev sing(std::uint32_t tick, const std::string &text, int type = 0x05) {
    return meta(tick, type, text);
}

// Lyric events, and a karaoke file's text events, become verse 1 of the line whose notes
// they fall on: a note without a syllable holds the one before over it when it follows it
// without a rest, and is skipped otherwise; syllables on no note are counted.
TEST(ImportWords, SyllablesBecomeTheWordsOfTheirLine) {
    const struct {
        const char *name;
        std::string file;
        std::vector<std::string> words; // verse 1 of each line
        std::size_t unplaced;
        std::string title;
        std::size_t texts; // text events still counted as dropped
    } cases[] = {
        {"chinese_melisma_and_skip",
         smf(1, 96,
             {track(with(beats({0, 1, 2, 4, 5}),
                         {sing(0, "一"), sing(96, "闪，"), sing(480, "星")}))}),
         {"一闪， _ * 星"},
         0,
         "",
         0},
        {"latin_words_ended_by_spaces",
         smf(1, 96,
             {track(
                 with(beats({0, 1, 2, 3, 4}), {sing(0, "Twin"), sing(96, "kle "), sing(192, "lit"),
                                               sing(288, "tle "), sing(384, "star. ")}))}),
         {"Twin-kle lit-tle star."},
         0,
         "",
         0},
        {"hyphens_and_no_spaces",
         smf(1, 96,
             {track(with(beats({0, 1, 2}), {sing(0, "Hap-"), sing(96, "py"), sing(192, "day")}))}),
         {"Hap-py day"},
         0,
         "",
         0},
        {"a_little_ahead_of_the_note",
         smf(1, 96, {track(with(beats({0, 1}), {sing(0, "上"), sing(91, "下")}))}),
         {"上下"},
         0,
         "",
         0},
        {"gbk_text",
         smf(1, 96, {track(with(beats({0, 1}), {sing(0, "\xD2\xBB"), sing(96, "\xC9\xC1")}))}),
         {"一闪"},
         0,
         "",
         0},
        {"on_no_note_or_a_taken_one",
         smf(1, 96,
             {track(with(beats({0, 2}), {sing(0, "一"), sing(0, "二"), sing(48, "三"),
                                         sing(192, "四"), sing(1000, "五")}))}),
         {"一四"},
         3,
         "",
         0},
        {"each_part_its_own_track",
         smf(1, 96,
             {track(with(beats({0, 1}, 0), {sing(0, "高"), sing(96, "音")})),
              track(with(beats({0}, 1), {sing(0, "低")}))}),
         {"高音", "低"},
         0,
         "",
         0},
        {"a_words_track_sings_with_the_line_it_fits",
         smf(1, 96,
             {track({sing(96, "啊"), sing(192, "哈")}), track(beats({0}, 0)),
              track(beats({1, 2}, 1))}),
         {"", "啊哈"},
         0,
         "",
         0},
        {"karaoke_file",
         smf(1, 96,
             {track({sing(0, "@KMIDI KARAOKE FILE", 0x01)}),
              track({sing(0, "@LCHIN", 0x01), sing(0, "@T\xD0\xA1\xD0\xC7\xD0\xC7", 0x01),
                     sing(0, "@TTunelet", 0x01), sing(0, "\\Twin", 0x01), sing(96, "kle", 0x01),
                     sing(192, " star", 0x01), sing(288, "/\xD0\xA1", 0x01),
                     sing(384, "\xD0\xC7", 0x01)}),
              track(with(beats({0, 1, 2, 3, 4}), {sing(0, "(c) a text of its own", 0x01)}))}),
         {"Twin-kle star 小星"},
         0,
         "小星星",
         1},
        {"text_events_without_karaoke_headers_stay_texts",
         smf(1, 96, {track(with(beats({0}), {sing(0, "la", 0x01)}))}),
         {},
         0,
         "",
         1},
    };
    for (const auto &c : cases) {
        const ImportResult result = importMidi(c.file);
        ASSERT_TRUE(result.ok()) << c.name;
        std::vector<std::string> words;
        for (std::size_t k = 0; k < result.lines.size() && k < 2; ++k) {
            words.push_back(result.properties.verse(k, 0));
        }
        while (!words.empty() && words.back().empty()) {
            words.pop_back();
        }
        EXPECT_EQ(words, c.words) << c.name;
        EXPECT_EQ(result.report.unplacedSyllables, c.unplaced) << c.name;
        EXPECT_EQ(result.properties.title, c.title) << c.name;
        EXPECT_EQ(result.report.texts, c.texts) << c.name;
    }
}

TEST(ImportReportText, EveryChangeIsOneLine) {
    const ImportReport report{.timeIncrement = 42,
                              .tempo = 576923,
                              .droppedNotes = 2,
                              .droppedDrums = 7,
                              .shortenedDrums = 8,
                              .lengthenedNotes = 1,
                              .splitNotes = 3,
                              .unendedNotes = 4,
                              .restruckNotes = 9,
                              .doubledNotes = 10,
                              .droppedTempos = 5,
                              .zeroTempos = 11,
                              .patterns = 3,
                              .droppedEvents = 6,
                              .unplacedSyllables = 12,
                              .droppedSyllables = 18,
                              .markers = 13,
                              .keySignatures = 14,
                              .timeSignatures = 15,
                              .unsupportedTime = true,
                              .texts = 16,
                              .otherMeta = 17,
                              .keptTitle = true,
                              .keptKey = score::Key{7},
                              .keptTime = score::SongTime{3, 4},
                              .keptPartNames = 2,
                              .keptVerses = 1};
    EXPECT_EQ(importReportLines(report),
              (Lines{"这是格式2的文件：3个独立的乐段被叠在一起，从头同时演奏",
                     "时间增量设为42",
                     "乐曲属性取自文件：标题、调号1=G、拍号3/4、2个声部名、1段歌词",
                     "乐曲的速度是每分钟104拍，时间增量42按每分钟105拍演奏（快1%）",
                     "2个音符因其余15个音轨都在发声（第10音轨只奏鼓）而丢弃",
                     "7个鼓音与更要紧的鼓音同时敲击而丢弃（第10音轨一次只奏一个鼓音：依次保留大鼓"
                     "、军鼓、通通鼓、镲和踩镲、其他打击乐器）",
                     "8个鼓音在下一击处提前结束",
                     "1个短于6个tick的音符延长为6个tick",
                     "3个音符的长度没有对应的符号，拆成了几个相连的音符（乐谱没有连音线）",
                     "4个音符没有结束事件，在下一个音符开始时结束",
                     "9个音符在同一声道再次按下同一个键时结束（合成器也这样演奏）",
                     "10个在同一时刻重复按下的音符只保留了一个",
                     "5个速度变化被丢弃，全曲按每分钟104拍演奏",
                     "11个速度为0的速度事件没有意义，已忽略",
                     "6个控制器、弯音、触后或系统专用事件被丢弃",
                     "12个歌词音节没有落在任何音符上，已丢弃",
                     "18个歌词音节因超出4段或歌词过长而丢弃",
                     "13个标记被丢弃",
                     "14个后来的调号变化未保留（乐谱全曲用开头的调号）",
                     "15个后来的拍号变化未保留（乐谱全曲用开头的拍号）",
                     "16个文字事件（音轨名、乐器名、版权、说明）被丢弃",
                     "17个其他元事件（音序器数据等）被丢弃",
                     "文件开头的拍号不是乐谱能用的拍号（n/2、n/4、n/8，n为1至12），已丢弃"}));
    EXPECT_EQ(importReportLines({.timeIncrement = 48, .keptKey = score::Key{5}}),
              (Lines{"时间增量设为48", "乐曲属性取自文件：调号1=F", "没有丢弃或改动任何音符"}));
    // A tempo the increment plays exactly, and one it plays slower by a little.
    EXPECT_EQ(importReportLines({.timeIncrement = 40, .tempo = 600000}),
              (Lines{"时间增量设为40", "没有丢弃或改动任何音符"}));
    EXPECT_EQ(importReportLines({.timeIncrement = 56, .tempo = 428400}),
              (Lines{"时间增量设为56",
                     "乐曲的速度是每分钟140.06拍，时间增量56按每分钟140拍演奏（慢0.04%）"}));
    const ImportReport own{.exact = true, .staccato = false, .timeIncrement = 96};
    EXPECT_EQ(importReportLines(own),
              (Lines{"这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时不断奏）",
                     "时间增量设为96", "没有丢弃或改动任何音符"}));
    const ImportReport guessed{.exact = true, .staccato = true, .guessedVolumes = 2};
    EXPECT_EQ(importReportLines(guessed),
              (Lines{"这是Tunelet导出的MIDI文件，已逐个还原为原来的符号（导出时断奏）",
                     "2个音量符号在MIDI文件中只留下其后音符的力度，原来的位置无从得知："
                     "已放在该音符前最近的音符或乐器符号之后（或行首），演奏不变",
                     "时间增量设为48"}));
}

} // namespace
} // namespace tunelet::midi
