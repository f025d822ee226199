// Playback tests: files at the edges of what FluidSynth's player plays, on the silent
// output. Each one either sounds and ends, or is refused at Open with its reason.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

#include "midi/smf_reader.h"
#include "playback/fluidsynth_sequencer.h"

namespace tunelet::playback {
namespace {

std::string be(std::uint32_t value, int count) {
    std::string out;
    for (int i = count - 1; i >= 0; --i) {
        out += char(value >> (8 * i));
    }
    return out;
}

std::string quantity(std::uint32_t value) {
    std::string out(1, char(value & 0x7f));
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), char(0x80 | (value & 0x7f)));
    }
    return out;
}

std::string track(const std::string &events) {
    return "MTrk" + be(std::uint32_t(events.size()), 4) + events;
}

std::string file(int tracks, int division, const std::string &body) {
    return "MThd" + be(6, 4) + be(1, 2) + be(std::uint32_t(tracks), 2) + be(division, 2) + body;
}

const std::string kEnd("\x00\xff\x2f\x00", 4);

// `count` tracks, the last one a loud organ note of one second at 120 quarters a minute.
std::string tracksWithTheLastSounding(int count) {
    std::string body;
    for (int i = 1; i < count; ++i) {
        body += track(kEnd);
    }
    return file(count, 48,
                body +
                    track(std::string("\x00\xc0\x13\x00\x90\x3c\x7f\x60\x80\x3c\x00", 11) + kEnd));
}

// A note, then the end `ticks` later, at the fastest tempo (1 microsecond a quarter).
std::string fastestEndingAt(std::uint32_t ticks) {
    std::string events = std::string("\x00\xff\x51\x03\x00\x00\x01\x00\x90\x3c\x7f", 11);
    for (; ticks > 0x0fffffff; ticks -= 0x0fffffff) {
        events += quantity(0x0fffffff) + std::string("\xff\x01\x00", 3);
    }
    return file(1, 0x7fff, track(events + quantity(ticks) + std::string("\x80\x3c\x00", 3) + kEnd));
}

struct LimitCase {
    const char *name;
    std::string bytes;
    ErrorCode open;
};

void PrintTo(const LimitCase &c, std::ostream *os) {
    *os << c.name;
}

// One device for every file, so the SoundFont is loaded once.
class PlayerLimitsTest : public ::testing::TestWithParam<LimitCase> {
protected:
    static void SetUpTestSuite() {
        FluidSynthOptions options;
        options.output = FluidSynthOptions::Output::Silent;
        s_device = new FluidSynthSequencer(options);
    }
    static void TearDownTestSuite() {
        delete s_device;
        s_device = nullptr;
    }

    QTemporaryDir dir;
    FluidSynthSequencer &device = *s_device;
    static inline FluidSynthSequencer *s_device = nullptr;
};

TEST_P(PlayerLimitsTest, SoundsAndEndsOrIsRefusedAtOpen) {
    const LimitCase &c = GetParam();
    const QString path = dir.filePath("limit.mid");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(c.bytes.data(), qint64(c.bytes.size()));
    out.close();

    ASSERT_EQ(device.open(path), c.open) << device.errorText(device.open(path)).toStdString();
    if (c.open != 0) {
        EXPECT_FALSE(device.isOpen());
        return;
    }
    QSignalSpy notices(&device, &Sequencer::completed);
    ASSERT_EQ(device.play(), 0u);
    float loudest = 0.0f;
    for (int ms = 0; notices.isEmpty() && ms < 5000; ms += 20) {
        device.renderMilliseconds(20);
        for (float v : device.lastBlock()) {
            loudest = std::max(loudest, std::abs(v));
        }
        QCoreApplication::processEvents();
    }
    EXPECT_GT(loudest, 0.01f) << "heard";
    ASSERT_EQ(notices.count(), 1) << "ended";
    EXPECT_EQ(notices.at(0).at(0).value<NotifyResult>(), NotifyResult::Successful);
    EXPECT_EQ(device.position(), device.length());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlayerLimitsTest,
    ::testing::Values(
        LimitCase{"tracks_127", tracksWithTheLastSounding(127), 0},
        LimitCase{"tracks_128", tracksWithTheLastSounding(128), kErrTooManyTracks},
        LimitCase{"ticks_2_to_30", fastestEndingAt(1u << 30), 0},
        LimitCase{"ticks_2_to_31", fastestEndingAt(1u << 31), kErrTooLong},
        LimitCase{"tempo_zero",
                  file(1, 48, track(std::string("\x00\xff\x51\x03\x00\x00\x00", 7) + kEnd)),
                  kErrZeroTempo},
        LimitCase{"larger_than_any_midi_file",
                  tracksWithTheLastSounding(1) + std::string(midi::kMaxMidiFileBytes, '\0'),
                  kErrFileTooLarge}),
    [](const ::testing::TestParamInfo<LimitCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tunelet::playback
