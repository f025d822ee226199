// Tests of a song's properties in the MIDI file: the first track's meta events, the part
// names, and the bytes of a score without properties left as they were.
#include "export/score_to_midi.h"

#include <gtest/gtest.h>

#include "score/song_block.h"

namespace tunelet::midi {
namespace {

using score::SongProperties;
using Lines = std::vector<std::string>;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

std::string chunk(const std::string &events) {
    const std::string data = events + bytes({0x00, 0xFF, 0x2F, 0x00});
    const auto n = static_cast<int>(data.size());
    return "MTrk" + bytes({n >> 24, (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF}) + data;
}

// A meta event at delta 0 with a one-byte length.
std::string meta(int type, const std::string &data) {
    return bytes({0x00, 0xFF, type, static_cast<int>(data.size())}) + data;
}

// The block Tunelet reads back, as its sequencer-specific event (length under 128).
std::string blockEvent(const SongProperties &song) {
    std::string data(1, 0x7D);
    data += score::formatSongBlock(song);
    return meta(0x7F, data);
}

// "1fd/" on a channel.
std::string note(int channel = 0) {
    return bytes({0x00, 0x90 | channel, 0x3C, 0x50, 0x30, 0x3C, 0x00, 0x00, 0x3C, 0x00});
}

std::string songFile(int tracks, const std::string &firstTrackEvents) {
    return "MThd" + bytes({0, 0, 0, 6, 0, 1, 0, tracks, 0, 48}) + chunk(firstTrackEvents);
}

SongProperties song(void (*set)(SongProperties &)) {
    SongProperties p;
    set(p);
    return p;
}

TEST(SongEvents, TheFirstTrackCarriesTheSongAtTickZero) {
    const struct {
        const char *name;
        SongProperties song;
        std::string standardEvents; // before the block's own event
    } cases[] = {
        {"Title", song([](SongProperties &p) { p.title = "生日快乐"; }), meta(0x03, "生日快乐")},
        {"ThreeFour", song([](SongProperties &p) {
             p.time = score::SongTime{3, 4};
         }),
         meta(0x58, bytes({3, 2, 24, 8}))},
        {"SixEight", song([](SongProperties &p) {
             p.time = score::SongTime{6, 8};
         }),
         meta(0x58, bytes({6, 3, 12, 8}))},
        {"TwoTwo", song([](SongProperties &p) {
             p.time = score::SongTime{2, 2};
         }),
         meta(0x58, bytes({2, 1, 48, 8}))},
        {"KeyG", song([](SongProperties &p) { p.key = score::Key{7}; }), meta(0x59, bytes({1, 0}))},
        {"KeyF", song([](SongProperties &p) { p.key = score::Key{5}; }),
         meta(0x59, bytes({0xFF, 0}))},
        {"KeyDFlat", song([](SongProperties &p) { p.key = score::Key{1}; }),
         meta(0x59, bytes({0xFB, 0}))},
        {"KeyFSharp", song([](SongProperties &p) { p.key = score::Key{6}; }),
         meta(0x59, bytes({6, 0}))},
        // Only Tunelet's own event holds what MIDI has no event for.
        {"Credits", song([](SongProperties &p) { p.composer = "佚名"; }), ""},
        {"Pickup", song([](SongProperties &p) { p.pickupTicks = 48; }), ""},
        {"AllInOrder", song([](SongProperties &p) {
             p.title = "T";
             p.key = score::Key{10};
             p.time = score::SongTime{12, 8};
         }),
         meta(0x03, "T") + meta(0x58, bytes({12, 3, 12, 8})) + meta(0x59, bytes({0xFE, 0}))},
    };
    for (const auto &c : cases) {
        const ExportResult result = compileScore({"1fd/"}, {}, c.song);
        ASSERT_TRUE(result.ok()) << c.name;
        EXPECT_EQ(result.bytes, songFile(2, c.standardEvents + blockEvent(c.song)) + chunk(note()))
            << c.name;
    }
}

TEST(SongEvents, PartNamesNameTheirTracks) {
    SongProperties p;
    p.partNames = {"笛子", "", "贝斯"};
    const ExportResult result = compileScore({"1fd/", "1fd/", "", "1fd/"}, {}, p);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.bytes, songFile(5, blockEvent(p)) + chunk(meta(0x03, "笛子") + note()) +
                                chunk(note(1)) + chunk(meta(0x03, "贝斯")) + chunk(note(3)));
}

// A note of key k (1f d: a beat), with its status byte or under running status.
std::string beat(int key, bool status, int channel = 0) {
    const std::string head = status ? bytes({0x00, 0x90 | channel}) : bytes({0x00});
    return head + bytes({key, 0x50, 0x30, 0x3C, 0x00, 0x00, key, 0x00});
}
std::string rest() {
    return bytes({0x00, 0x3C, 0x00, 0x30, 0x3C, 0x00});
}
std::string lyric(const std::string &text) {
    return meta(0x05, text);
}

// Verse 1 of a part's words: a lyric event at each syllable's note, before its note-on,
// which then carries its status again; a word's end is a space, a syllable whose word goes
// on has nothing after it, a Chinese character neither; held and skipped notes get none.
TEST(SongEvents, LyricEventsAtTheirNotesOnsets) {
    const struct {
        const char *name;
        Lines lines;
        std::vector<std::vector<std::string>> words;
        std::vector<std::string> tracks; // each line's events
    } cases[] = {
        {"Chinese",
         {"1fd/1fd/5fd/"},
         {{"一闪，亮"}},
         {lyric("一") + beat(60, true) + lyric("闪，") + beat(60, true) + lyric("亮") +
          beat(67, true)}},
        {"HyphenatedLatin",
         {"1fd/1fd/5fd/"},
         {{"Twin-kle star,"}},
         {lyric("Twin") + beat(60, true) + lyric("kle ") + beat(60, true) + lyric("star, ") +
          beat(67, true)}},
        {"Melisma",
         {"1fd/2fd/3fd/"},
         {{"晶_ 星"}},
         {lyric("晶") + beat(60, true) + beat(62, false) + lyric("星") + beat(64, true)}},
        {"SkipAndRest",
         {"1fd/0d/2fd/3fd/"},
         {{"* 你好"}},
         {beat(60, true) + rest() + lyric("你") + beat(62, true) + lyric("好") + beat(64, true)}},
        {"MoreSyllablesThanNotes",
         {"1fd/2fd/"},
         {{"一二三"}},
         {lyric("一") + beat(60, true) + lyric("二") + beat(62, true)}},
        {"FewerSyllablesThanNotes",
         {"1fd/2fd/"},
         {{"一"}},
         {lyric("一") + beat(60, true) + beat(62, false)}},
        {"OnlyVerseOneIsWritten", {"1fd/"}, {{"", "二"}}, {beat(60, true)}},
        {"TwoParts",
         {"1fd/2fd/", "3fd/"},
         {{"上 下", "第二段"}, {"低"}},
         {lyric("上") + beat(60, true) + lyric("下") + beat(62, true),
          lyric("低") + beat(64, true, 1)}},
    };
    for (const auto &c : cases) {
        SongProperties p;
        p.words = c.words;
        const ExportResult result = compileScore(c.lines, {}, p);
        ASSERT_TRUE(result.ok()) << c.name;
        std::string expected = songFile(int(c.lines.size()) + 1, blockEvent(p));
        for (const std::string &events : c.tracks) {
            expected += chunk(events);
        }
        EXPECT_EQ(result.bytes, expected) << c.name;
    }
}

TEST(SongEvents, WithoutPropertiesTheBytesAreAsBefore) {
    const Lines lines = {"@005/#100/2ed/", "", "1fd/0a/"};
    EXPECT_EQ(compileScore(lines, {96, false}, SongProperties{}).bytes,
              compileScore(lines, {96, false}).bytes);
    SongProperties unnamed;
    unnamed.partNames = {"", ""};
    EXPECT_EQ(compileScore(lines, {}, unnamed).bytes, compileScore(lines, {}).bytes);
}

TEST(SongEvents, LongBlocksAndSixteenLinesStillMakeOneWellFormedFile) {
    SongProperties p;
    p.title = std::string(200, 'x');
    const ExportResult result = compileScore(Lines(16, "1fd/"), {}, p);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.bytes[11], 17) << "sixteen lines and the song's track";
    const std::string block = std::string(1, 0x7D) + score::formatSongBlock(p);
    const std::string expectedFirst =
        bytes({0x00, 0xFF, 0x03, 0x81, 0x48}) + p.title + bytes({0x00, 0xFF, 0x7F}) +
        bytes({0x80 | static_cast<int>(block.size() >> 7), static_cast<int>(block.size() & 0x7F)}) +
        block;
    EXPECT_EQ(result.bytes.substr(0, 14 + 8 + expectedFirst.size() + 4),
              songFile(17, expectedFirst));
    EXPECT_EQ(compileScore(Lines(17, "1fd/"), {}, p).failure, ExportFailure::TooManyTracks);
}

} // namespace
} // namespace tunelet::midi
