// Playback tests: the practice play on the real synthesiser's silent output, timed by the
// frames rendered, with scores written by the program's own MIDI export.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

#include "export/score_to_midi.h"
#include "export/token_timing.h"
#include "midi/smf_reader.h"
#include "playback/fluidsynth_sequencer.h"
#include "playback/practice_scheduler.h"
#include "render/synth_setup.h"

namespace tunelet::playback {
namespace {

constexpr int kSampleRate = 44100;
constexpr double kTicksPerMs = 0.096; // 48 ticks a beat, 120 beats a minute

class PracticeTest : public ::testing::Test {
protected:
    static FluidSynthOptions silent() {
        FluidSynthOptions options;
        options.output = FluidSynthOptions::Output::Silent;
        options.sampleRate = kSampleRate;
        return options;
    }

    void open(const std::vector<std::string> &lines, bool staccato = true) {
        ASSERT_TRUE(dir.isValid());
        const auto result = midi::compileScore(lines, {48, staccato});
        ASSERT_TRUE(result.ok());
        QFile file(dir.filePath("score.mid"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(result.bytes.data(), qint64(result.bytes.size()));
        file.close();
        ASSERT_EQ(device.open(file.fileName()), 0u);
    }

    // Renders in steps of 44 frames (just under a millisecond) until `ms` of music have
    // been rendered since the play started; returns the time reached.
    double renderTo(double ms) {
        while (m_frames * 1000.0 / kSampleRate < ms) {
            device.renderMilliseconds(1);
            m_frames += kSampleRate / 1000;
            noteNewVoices();
        }
        return m_frames * 1000.0 / kSampleRate;
    }

    // Times (ms) at which a new note of `key` on `channel` began to sound.
    std::vector<double> onsets(int channel, int key) const {
        std::vector<double> times;
        for (const auto &[time, ch, k] : m_onsets) {
            if (ch == channel && k == key && (times.empty() || time > times.back())) {
                times.push_back(time);
            }
        }
        return times;
    }

    std::set<int> heldKeys(int channel) {
        std::set<int> keys;
        for (const FluidSynthSequencer::Voice &voice : device.heldVoices()) {
            if (voice.channel == channel) {
                keys.insert(voice.key);
            }
        }
        return keys;
    }

    void noteNewVoices() {
        for (const FluidSynthSequencer::Voice &voice : device.heldVoices()) {
            if (m_seen.insert(voice.id).second) {
                m_onsets.push_back({m_frames * 1000.0 / kSampleRate, voice.channel, voice.key});
            }
        }
    }

    QTemporaryDir dir;
    FluidSynthSequencer device{silent()};
    long m_frames = 0;
    std::set<unsigned> m_seen;
    struct Onset {
        double ms;
        int channel, key;
    };
    std::vector<Onset> m_onsets;
};

// Play from a note: the programs of every track and the volume written before it are in
// force, and nothing before it sounds, nor anything of the play before.
TEST_F(PracticeTest, PlaysFromATickWithTheProgramsAndVolumeInForce) {
    const struct {
        std::int64_t from;
        int program0, key, velocity, program1;
    } rows[] = {
        {0, 40, 60, 30, 0}, {48, 73, 64, 110, 32}, {96, 73, 67, 110, 32}, {0, 40, 60, 30, 0}};
    open({"@040/#030/1fd/#110/@073/3fd/5fd/", "0d/@032/1ec/"});
    for (const auto &row : rows) {
        SCOPED_TRACE(row.from);
        ASSERT_EQ(device.playFrom(row.from), 0u);
        device.renderMilliseconds(5);
        std::vector<std::tuple<int, int, int>> track1;
        for (const auto &voice : device.heldVoices()) {
            if (voice.channel == 0) {
                track1.emplace_back(voice.key, voice.velocity, device.program(0));
            }
        }
        const std::tuple<int, int, int> expected{row.key, row.velocity, row.program0};
        EXPECT_EQ(std::set(track1.begin(), track1.end()), std::set{expected});
        EXPECT_EQ(device.program(1), row.program1);
        EXPECT_EQ(device.position(), row.from);
    }
}

// A loop of one beat repeated 20 times: every pass starts within 5 ms of its ideal start,
// counted from the first, at any speed.
TEST_F(PracticeTest, LoopPassesKeepTheirTimeOverTwentyPasses) {
    open({"1fd/3fd/5fd/1gd/"});
    for (const double speed : {0.5, 1.0, 1.5}) {
        SCOPED_TRACE(speed);
        device.setSpeed(speed);
        device.setLoop(48, 96);
        ASSERT_EQ(device.playFrom(48), 0u);
        const double start = renderTo(0) + 0.0;
        const double passMs = 48 / (kTicksPerMs * speed);
        renderTo(start + 20.5 * passMs);
        const std::vector<double> times = onsets(0, 64);
        ASSERT_GE(times.size(), 21u);
        double worst = 0;
        for (std::size_t pass = 1; pass <= 20; ++pass) {
            worst = std::max(worst, std::abs(times[pass] - times[0] - double(pass) * passMs));
        }
        EXPECT_LE(worst, 5.0);
        device.stop();
        m_onsets.clear();
    }
}

// A change of speed while playing: no jump, and the new speed from there on.
TEST_F(PracticeTest, ASpeedChangeKeepsThePosition) {
    const struct {
        double before, after;
    } rows[] = {{1.0, 0.5}, {1.0, 2.0}, {0.25, 1.5}, {2.0, 0.25}};
    open({"1fa/1fa/1fa/1fa/1fa/1fa/"});
    for (const auto &row : rows) {
        SCOPED_TRACE(row.after);
        device.setSpeed(row.before);
        ASSERT_EQ(device.playFrom(0), 0u);
        device.renderMilliseconds(1000);
        device.setSpeed(row.after);
        device.renderMilliseconds(1000);
        const double expected = 1000 * kTicksPerMs * (row.before + row.after);
        EXPECT_NEAR(double(device.position()), expected, 1.0);
    }
}

// Following the music: the note marked at a time of the play is the one sounding then.
TEST_F(PracticeTest, TheMarkedNoteIsTheOneSoundingAtThatTime) {
    const std::string line = "1fd/2fe/3fe/5fc/";
    const auto tokens = midi::timeLine(line);
    // At 150%: 144 ticks a second, the notes start at 0, 333, 500 and 667 ms.
    const struct {
        double ms;
        std::size_t note;
    } rows[] = {{100, 0}, {320, 0}, {345, 1}, {490, 1}, {510, 2}, {680, 3}, {1300, 3}};
    open({line});
    device.setSpeed(1.5);
    ASSERT_EQ(device.playFrom(0), 0u);
    for (const auto &row : rows) {
        renderTo(row.ms);
        EXPECT_EQ(midi::noteAt(tokens, device.position()), row.note) << row.ms << " ms";
    }
}

// Count-in and metronome: a bar of clicks before the music, then one on every beat, the
// first of each bar accented, on the drum channel. Off the beat, the first click waits
// for the next beat.
TEST_F(PracticeTest, CountInAndMetronomeClickOnTheBeats) {
    open({"1fb/1fb/"});
    const struct {
        const char *what;
        std::int64_t from;
        bool countIn;
        double untilMs, musicMs; // the music: the first onset of key 60
        std::vector<std::pair<double, int>> clicks;
        std::int64_t barLine = 0;
    } rows[] = {
        {"count-in",
         0,
         true,
         3200,
         1500,
         {{0, 76}, {500, 77}, {1000, 77}, {1500, 76}, {2000, 77}, {2500, 77}, {3000, 76}}},
        {"off the beat",
         24,
         false,
         2600,
         1250,
         {{250, 77}, {750, 77}, {1250, 76}, {1750, 77}, {2250, 77}}},
        // A song that starts with a beat of pickup in 3/4: the count-in counts to the
        // pickup, the accents fall where its bars begin.
        {"a pickup",
         0,
         true,
         3200,
         1500,
         {{0, 77}, {500, 76}, {1000, 77}, {1500, 77}, {2000, 76}, {2500, 77}, {3000, 77}},
         48},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        device.setClicks({row.countIn, true, 3, 48, row.barLine});
        ASSERT_EQ(device.playFrom(row.from), 0u);
        const double start = renderTo(0);
        renderTo(start + row.untilMs);
        std::vector<std::pair<double, int>> clicks;
        for (const int key : {76, 77}) {
            for (const double ms : onsets(9, key)) {
                clicks.emplace_back(ms - start, key);
            }
        }
        std::sort(clicks.begin(), clicks.end());
        ASSERT_EQ(clicks.size(), row.clicks.size());
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            EXPECT_NEAR(clicks[i].first, row.clicks[i].first, 3.0) << i;
            EXPECT_EQ(clicks[i].second, row.clicks[i].second) << i;
        }
        EXPECT_NEAR(onsets(0, 60).at(0) - start, row.musicMs, 3.0) << "the music's start";
        device.stop();
        m_onsets.clear();
    }
}

// At the loop's seam the passage starts again as it began: its last note released, the
// note after its end never heard, the program in force at its start back. The passage is
// 96 ticks, a second.
TEST_F(PracticeTest, AtTheSeamThePassageStartsAgainAsItBegan) {
    open({"@040/1fd/3fd/@073/5fd/1gd/"});
    device.setLoop(48, 144);
    ASSERT_EQ(device.playFrom(48), 0u);
    const struct {
        double ms;
        std::set<int> held;
        int program;
    } rows[] = {{200, {64}, 40}, {700, {67}, 73}, {1200, {64}, 40}, {2200, {64}, 40}};
    for (const auto &row : rows) {
        renderTo(row.ms);
        EXPECT_EQ(std::make_pair(heldKeys(0), device.program(0)),
                  std::make_pair(row.held, row.program))
            << row.ms << " ms";
    }
}

// A play that reaches the file's end leaves nothing sounding, also a file that never
// releases its notes.
TEST_F(PracticeTest, NothingSoundsOnAfterTheEnd) {
    open({"3fd/5fd/"}, false);
    ASSERT_EQ(device.playFrom(0), 0u);
    device.renderMilliseconds(1200);
    EXPECT_EQ(std::make_pair(device.mode(), heldKeys(0)),
              std::make_pair(DeviceMode::Stopped, std::set<int>{}));
}

// Following by ear: the tick heard at a time moves evenly through each rendered block, a
// latency behind the rendering, and wraps at the loop's seam. Five blocks of 250 ms (24
// ticks) rendered as if in real time, heard 100 ms later; the last four are kept.
TEST(PracticeFollowing, TheHeardTickMovesEvenlyALatencyBehindTheRendering) {
    render::FluidPtr<fluid_settings_t> settings(new_fluid_settings());
    render::FluidPtr<fluid_synth_t> synth(new_fluid_synth(settings.get()));
    const midi::SmfInfo file = midi::readSmf(midi::compileScore({"1fa/1fa/"}, {48, true}).bytes);
    PracticeScheduler practice(synth.get());
    practice.load(file.playable, file.lengthTicks);
    practice.setLoop(0, 96);
    practice.start(0);
    std::vector<float> block(2 * kSampleRate / 4);
    for (int k = 1; k <= 5; ++k) {
        fluid_synth_write_float(synth.get(), kSampleRate / 4, block.data(), 0, 2, block.data(), 1,
                                2);
        practice.noteBlock(250.0 * k, 250);
    }
    const struct {
        double nowMs;
        std::int64_t tick;
    } rows[] = {{300, 24}, {475, 36}, {825, 69}, {1075, 93}, {1225, 12}, {1400, 24}};
    for (const auto &row : rows) {
        EXPECT_NEAR(double(practice.heardTick(row.nowMs, 100)), double(row.tick), 1.0)
            << row.nowMs << " ms";
    }
}

} // namespace
} // namespace tunelet::playback
