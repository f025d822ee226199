// Playback tests: the Standard MIDI File check and its length in ticks.
#include <gtest/gtest.h>
#include <string>

#include "playback/smf_reader.h"

namespace tunelet::playback {
namespace {

std::string chunk(const std::string &id, const std::string &body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    return id + std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + body;
}

std::string header(int format, int tracks, int division) {
    return chunk(
        "MThd", std::string{0, char(format), 0, char(tracks), char(division >> 8), char(division)});
}

const std::string kEnd = std::string("\x00\xff\x2f\x00", 4);
// Program change, a note of 0x81 0x40 = 192 ticks with running status for its release.
const std::string kNote = std::string("\x00\xc0\x05\x00\x90\x3c\x50\x81\x40\x3c\x00", 11);
// A tempo meta event, a system exclusive message, and the end 48 ticks later.
const std::string kMeta = std::string("\x00\xff\x51\x03\x07\xa1\x20\x00\xf0\x02\x7e\xf7", 12) +
                          std::string("\x30\xff\x2f\x00", 4);

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

} // namespace
} // namespace tunelet::playback
