// MIDI file tests: the Standard MIDI File check and its length in ticks.
#include <gtest/gtest.h>
#include <string>

#include "midi/smf_reader.h"

namespace tunelet::midi {
namespace {

std::string chunk(const std::string &id, const std::string &body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    return id + std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + body;
}

std::string header(int format, int tracks, int division, const std::string &extra = {}) {
    return chunk("MThd", std::string{char(format >> 8), char(format), char(tracks >> 8),
                                     char(tracks), char(division >> 8), char(division)} +
                             extra);
}

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out += char(v);
    }
    return out;
}

const std::string kEnd = std::string("\x00\xff\x2f\x00", 4);
// Program change, a note of 0x81 0x40 = 192 ticks with running status for its release.
const std::string kNote = std::string("\x00\xc0\x05\x00\x90\x3c\x50\x81\x40\x3c\x00", 11);
// A tempo meta event, a system exclusive message, and the end 48 ticks later.
const std::string kMeta = std::string("\x00\xff\x51\x03\x07\xa1\x20\x00\xf0\x02\x7e\xf7", 12) +
                          std::string("\x30\xff\x2f\x00", 4);

std::string emptyTracks(int count) {
    std::string file = header(1, count, 48);
    for (int i = 0; i < count; ++i) {
        file += chunk("MTrk", kEnd);
    }
    return file;
}

// One track whose end lies `ticks` after its start, in deltas of at most 2^28 - 1.
std::string endingAt(std::int64_t ticks) {
    std::string events;
    for (; ticks > 0x0fffffff; ticks -= 0x0fffffff) {
        events += bytes({0xff, 0xff, 0xff, 0x7f, 0xff, 0x01, 0});
    }
    const auto t = static_cast<std::uint32_t>(ticks);
    events += bytes({int(0x80 | (t >> 21)), int(0x80 | ((t >> 14) & 0x7f)),
                     int(0x80 | ((t >> 7) & 0x7f)), int(t & 0x7f), 0xff, 0x2f, 0});
    return header(0, 1, 48) + chunk("MTrk", events);
}

struct Case {
    const char *name;
    std::string bytes;
    SmfFault fault;
    std::int64_t length;
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

class SmfReaderTest : public ::testing::TestWithParam<Case> {};

TEST_P(SmfReaderTest, ReadsOrRefuses) {
    const Case &c = GetParam();
    const SmfInfo info = readSmf(c.bytes);
    EXPECT_EQ(info.fault, c.fault);
    if (c.fault == SmfFault::None) {
        EXPECT_EQ(info.lengthTicks, c.length);
    }
}

const std::string kTwoTracks =
    header(1, 2, 48) + chunk("MTrk", kMeta) + chunk("MTrk", kNote + kEnd);

INSTANTIATE_TEST_SUITE_P(
    Files, SmfReaderTest,
    ::testing::Values(
        Case{"format1_longest_track", kTwoTracks, SmfFault::None, 192},
        Case{"format0", header(0, 1, 96) + chunk("MTrk", kNote + kEnd), SmfFault::None, 192},
        Case{"unknown_chunk_skipped",
             header(0, 1, 96) + chunk("XFIH", "abc") + chunk("MTrk", kMeta), SmfFault::None, 48},
        Case{"track_without_end_marker", header(0, 1, 96) + chunk("MTrk", kNote), SmfFault::None,
             192},
        Case{"empty", "", SmfFault::NoHeader, 0},
        Case{"text_file", "1fd/2fd/3fd/4fd/5fd/6fd/7fd/\r\n", SmfFault::NoHeader, 0},
        Case{"header_too_short", chunk("MThd", std::string(4, '\0')), SmfFault::NoHeader, 0},
        Case{"header_of_five_bytes",
             chunk("MThd", header(0, 1, 48).substr(8, 5)) + chunk("MTrk", kNote + kEnd),
             SmfFault::NoHeader, 0},
        Case{"header_of_eight_bytes", header(0, 1, 48, "xy") + chunk("MTrk", kNote + kEnd),
             SmfFault::None, 192},
        Case{"running_status_after_sysex",
             header(0, 1, 48) +
                 chunk("MTrk", bytes({0, 0x90, 60, 99, 0, 0xf0, 1, 0xf7, 0x30, 60, 0}) + kEnd),
             SmfFault::None, 48},
        Case{"smpte_division", header(0, 1, 0xe728) + chunk("MTrk", kEnd), SmfFault::SmpteDivision,
             0},
        Case{"as_many_tracks_as_fluidsynth_plays", emptyTracks(127), SmfFault::None, 0},
        Case{"more_tracks_than_fluidsynth_plays", emptyTracks(128), SmfFault::TooManyTracks, 0},
        Case{"as_long_as_fluidsynth_counts", endingAt(1 << 30), SmfFault::None, 1 << 30},
        Case{"longer_than_fluidsynth_counts", endingAt((1 << 30) + 1), SmfFault::TooLong, 0},
        Case{"tempo_zero",
             header(0, 1, 48) + chunk("MTrk", bytes({0, 0xff, 0x51, 3, 0, 0, 0}) + kEnd),
             SmfFault::ZeroTempo, 0},
        Case{"tempo_of_two_bytes",
             header(0, 1, 48) + chunk("MTrk", bytes({0, 0xff, 0x51, 2, 7, 0xa1}) + kEnd),
             SmfFault::BadEvent, 0},
        Case{"division_zero", header(1, 1, 0) + chunk("MTrk", kEnd), SmfFault::BadHeader, 0},
        Case{"format_three", header(3, 1, 48) + chunk("MTrk", kEnd), SmfFault::BadHeader, 0},
        Case{"no_tracks", header(1, 0, 48), SmfFault::BadHeader, 0},
        Case{"truncated_track", kTwoTracks.substr(0, kTwoTracks.size() - 5),
             SmfFault::TruncatedChunk, 0},
        Case{"track_missing", header(1, 2, 48) + chunk("MTrk", kNote + kEnd),
             SmfFault::MissingTracks, 0},
        Case{"running_status_without_status",
             header(0, 1, 48) + chunk("MTrk", std::string("\x00\x3c\x50", 3)), SmfFault::BadEvent,
             0},
        Case{"event_past_chunk", header(0, 1, 48) + chunk("MTrk", std::string("\x00\x90\x3c", 3)),
             SmfFault::BadEvent, 0},
        Case{"meta_longer_than_chunk",
             header(0, 1, 48) + chunk("MTrk", std::string("\x00\xff\x01\x7f", 4) + "abc"),
             SmfFault::BadEvent, 0},
        Case{"delta_of_five_bytes",
             header(0, 1, 48) + chunk("MTrk", std::string("\xff\xff\xff\xff\x7f", 5) + kEnd),
             SmfFault::BadEvent, 0},
        Case{"system_common_in_track",
             header(0, 1, 48) + chunk("MTrk", std::string("\x00\xf1\x00", 3) + kEnd),
             SmfFault::BadEvent, 0}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

struct EventCase {
    const char *kind;
    std::string event; // delta time 0, status byte, the bytes that belong to it
};

// Each kind of status byte takes its own number of bytes: a reader that takes one byte
// too many or too few loses the following end of track 48 ticks later.
TEST(SmfReaderEvents, EveryStatusKindTakesItsOwnLength) {
    const std::vector<EventCase> cases = {
        {"note off", bytes({0, 0x80, 60, 0})},
        {"note on", bytes({0, 0x91, 60, 99})},
        {"key pressure", bytes({0, 0xa2, 60, 10})},
        {"control change", bytes({0, 0xb3, 7, 100})},
        {"program change", bytes({0, 0xc4, 5})},
        {"channel pressure", bytes({0, 0xd5, 10})},
        {"pitch bend", bytes({0, 0xe6, 0, 0x40})},
        {"system exclusive", bytes({0, 0xf0, 3, 0x7e, 0x7f, 0xf7})},
        {"escaped message", bytes({0, 0xf7, 2, 0xf8, 0xfa})},
        {"meta event", bytes({0, 0xff, 0x03, 2}) + "ab"},
    };
    for (const EventCase &c : cases) {
        const SmfInfo info =
            readSmf(header(0, 1, 48) + chunk("MTrk", c.event + bytes({0x30, 0xff, 0x2f, 0})));
        EXPECT_EQ(info.lengthTicks, info.ok() ? 48 : -1) << c.kind;
    }
}

// FluidSynth is given a 6-byte header, only the track chunks, an explicit status byte
// where the file relied on running status after a SysEx, no escaped messages (their time
// goes to the next event), and an end marker on every track, at the track's length.
TEST(SmfReaderEvents, ThePlayableCopyIsWhatFluidSynthReads) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {header(0, 1, 48, "xy") + chunk("XFIH", "abc") +
             chunk("MTrk",
                   bytes({0, 0x90, 60, 99, 0, 0xf0, 1, 0xf7, 0x10, 0xf7, 1, 0xf8, 0x20, 60, 0}) +
                       kEnd),
         header(0, 1, 48) +
             chunk("MTrk", bytes({0, 0x90, 60, 99, 0, 0xf0, 1, 0xf7, 0x30, 0x90, 60, 0}) + kEnd)},
        {header(0, 1, 48) + chunk("MTrk", bytes({0, 0x90, 60, 99, 0x30, 0xf7, 1, 0xf8})),
         header(0, 1, 48) + chunk("MTrk", bytes({0, 0x90, 60, 99, 0x30, 0xff, 0x2f, 0}))},
    };
    for (const auto &[file, expected] : cases) {
        EXPECT_EQ(readSmf(file).playable, expected);
    }
}

// A RIFF MIDI file gives its "data" chunk; a chunk running to the file's end (an odd one
// without its pad byte too) ends the search within the bytes given.
TEST(UnwrapRiffMidi, TheDataChunkOrTheBytesAsTheyAre) {
    const std::string riff = "RIFF" + bytes({0, 0, 0, 0}) + "RMID";
    // What follows the bytes given in memory is never looked at.
    const std::string oddLast =
        riff + "LIST" + bytes({1, 0, 0, 0}) + "x" + "?data" + bytes({1, 0, 0, 0}) + "M";
    const std::string withData =
        riff + "LIST" + bytes({2, 0, 0, 0}) + "ab" + "data" + bytes({3, 0, 0, 0}) + "MTh";
    const struct {
        const char *name;
        std::string_view given;
        std::string_view expected;
    } cases[] = {
        {"data_after_a_list", withData, "MTh"},
        {"odd_chunk_ending_the_file", std::string_view(oddLast).substr(0, 21),
         std::string_view(oddLast).substr(0, 21)},
        {"not_riff", "MThd", "MThd"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(unwrapRiffMidi(c.given), c.expected) << c.name;
    }
}

} // namespace
} // namespace tunelet::midi
