// Tests of a song's properties read from a MIDI file: key and time signatures, names,
// and Tunelet's own export read back whole.
#include "midi/song_meta.h"

#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "smf_writer.h"

namespace tunelet::midi {
namespace {

using namespace testing;

Ev meta(std::uint32_t tick, int type, const std::string &data) {
    return {tick, std::string{'\xff', char(type)} + vlq(std::uint32_t(data.size())) + data};
}
Ev timeSig(std::uint32_t tick, int beats, int log2Unit) {
    return meta(tick, 0x58, std::string{char(beats), char(log2Unit), 24, 8});
}
Ev keySig(std::uint32_t tick, int accidentals, int minor = 0) {
    return meta(tick, 0x59, std::string{char(accidentals), char(minor)});
}

TEST(KeyOfSignature, EverySignatureNamesItsMajorTonic) {
    // From seven flats (C♭ major, the pitch class of B) to seven sharps (C♯, that of ♭D).
    const char *expected[15] = {"B", "♯F", "♭D", "♭A", "♭E", "♭B", "F", "C",
                                "G", "D",  "A",  "E",  "B",  "♯F", "♭D"};
    for (int sf = -7; sf <= 7; ++sf) {
        EXPECT_EQ(keyOfSignature(sf).name(), expected[sf + 7]) << sf;
    }
}

TEST(ReadSongMeta, TheFirstSignaturesAndTheNamesOfAnyFile) {
    const struct {
        const char *name;
        std::string file;
        std::optional<score::SongTime> time;
        std::optional<int> tonic;
        std::string title;
        std::size_t laterTimes, laterKeys;
        bool unsupportedTime;
    } cases[] = {
        {"Plain", smf(1, 96, {track({on(0, 0, 60), off(96, 0, 60)})}), std::nullopt, std::nullopt,
         "", 0, 0, false},
        {"ThreeFourInG",
         smf(1, 96,
             {track({meta(0, 0x03, "Waltz"), timeSig(0, 3, 2), keySig(0, 1)}),
              track({meta(0, 0x03, "Flute"), on(0, 0, 67), off(96, 0, 67)})}),
         score::SongTime{3, 4}, 7, "Waltz", 0, 0, false},
        {"MinorIsItsRelativeMajor", smf(0, 96, {track({keySig(0, -3, 1)})}), std::nullopt, 3, "", 0,
         0, false},
        {"LaterChangesCounted",
         smf(1, 96,
             {track({timeSig(0, 5, 2), timeSig(96, 5, 2), timeSig(192, 6, 3), keySig(0, 0),
                     keySig(384, 2), keySig(480, 2)})}),
         score::SongTime{5, 4}, 0, "", 1, 1, false},
        {"NoSongHasFiveSixteenths", smf(1, 96, {track({timeSig(0, 5, 4)})}), std::nullopt,
         std::nullopt, "", 0, 0, true},
        {"BadKeyIgnored", smf(1, 96, {track({keySig(0, 9)})}), std::nullopt, std::nullopt, "", 0, 0,
         false},
        {"TitleInGbk", smf(1, 96, {track({meta(0, 0x03, "\xB8\xE8")})}), std::nullopt, std::nullopt,
         "歌", 0, 0, false},
        {"NotMidi", "MThd", std::nullopt, std::nullopt, "", 0, 0, false},
    };
    for (const auto &c : cases) {
        const MidiSongMeta meta = readSongMeta(c.file);
        EXPECT_FALSE(meta.fromTunelet) << c.name;
        EXPECT_EQ(meta.properties.time, c.time) << c.name;
        EXPECT_EQ(meta.properties.key ? std::optional(meta.properties.key->tonic) : std::nullopt,
                  c.tonic)
            << c.name;
        EXPECT_EQ(meta.properties.title, c.title) << c.name;
        EXPECT_EQ(meta.laterTimeSignatures, c.laterTimes) << c.name;
        EXPECT_EQ(meta.laterKeySignatures, c.laterKeys) << c.name;
        EXPECT_EQ(meta.unsupportedTime, c.unsupportedTime) << c.name;
    }
    const MidiSongMeta named = readSongMeta(cases[1].file);
    EXPECT_EQ(named.trackNames, (std::vector<std::string>{"Waltz", "Flute"}));
}

TEST(ReadSongMeta, TuneletsOwnExportComesBackWithEveryProperty) {
    score::SongProperties song;
    song.title = "生日快乐";
    song.composer = "Mildred J. Hill";
    song.key = score::Key{7};
    song.time = score::SongTime{3, 4};
    song.pickupTicks = 48;
    song.beat = score::BeatNote::Eighth;
    song.partNames = {"", "贝斯"};
    const ExportResult exported = compileScore({"5fe/5fe/", "1ed/"}, {}, song);
    ASSERT_TRUE(exported.ok());
    const MidiSongMeta meta = readSongMeta(exported.bytes);
    EXPECT_TRUE(meta.fromTunelet);
    EXPECT_EQ(meta.properties, song);
    EXPECT_TRUE(meta.notices.empty());
    EXPECT_EQ(meta.trackNames, (std::vector<std::string>{"生日快乐", "", "贝斯"}))
        << "the song's own track, then one per line";
}

} // namespace
} // namespace tunelet::midi
