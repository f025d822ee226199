// Tests of the WAV renderer's failures before any sound: the SoundFont is missing or is
// no SoundFont. The output stays as it was and FluidSynth prints nothing.
#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "render/wav_renderer.h"
#include "temp_dir.h"
#include "wav_file.h"

namespace {

using tunelet::render::RenderFailure;

struct SoundFontCase {
    const char *name;
    std::string soundFontBytes; // empty: no file at all
    bool folder;                // a folder of that name instead
    RenderFailure failure;
    std::string text; // with the SoundFont's path for %
};

void PrintTo(const SoundFontCase &c, std::ostream *os) {
    *os << c.name;
}

class WavRendererSoundFont : public ::testing::TestWithParam<SoundFontCase> {};

TEST_P(WavRendererSoundFont, FailsWithoutTouchingTheOutput) {
    const SoundFontCase &c = GetParam();
    tunelet::test::TempDir dir;
    const std::string font = dir.file("font.sf2");
    if (!c.soundFontBytes.empty()) {
        tunelet::test::writeBytes(font, c.soundFontBytes);
    } else if (c.folder) {
        std::filesystem::create_directory(font);
    }
    tunelet::test::writeBytes(dir.file("out.wav"), "old bytes");
    const std::string midi = tunelet::midi::compileScore({"1fd/"}, {}).bytes;

    ::testing::internal::CaptureStderr();
    const tunelet::render::RenderResult result =
        tunelet::render::renderWav(midi, dir.file("out.wav"), {.soundFonts = {font}});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(result.failure, c.failure);
    std::string text = c.text;
    if (const std::size_t at = text.find('%'); at != std::string::npos) {
        text.replace(at, 1, font);
    }
    EXPECT_EQ(
        tunelet::render::renderFailureText(result, dir.file("out.wav")).substr(0, text.size()),
        text);
    EXPECT_EQ(tunelet::test::readBytes(dir.file("out.wav")), "old bytes");
    EXPECT_EQ(dir.entryCount(), c.soundFontBytes.empty() && !c.folder ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Render, WavRendererSoundFont,
    ::testing::Values(SoundFontCase{"Missing", "", false, RenderFailure::NoSoundFont,
                                    "找不到General MIDI音色库（default-GM.sf2 或 TimGM6mb.sf2），"
                                    "请安装软件包 timgm6mb-soundfont"},
                      SoundFontCase{"FolderNamedLikeASoundFont", "", true,
                                    RenderFailure::NoSoundFont, "找不到General MIDI音色库"},
                      SoundFontCase{"NotASoundFont", "RIFF\4\0\0\0sfbk", false,
                                    RenderFailure::SoundFontLoad,
                                    "无法载入音色库“%”（FluidSynth："}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

using tunelet::render::FluidPtr;

// FluidSynth's own rendering of one piano note (middle C, channel 0) with the program's
// synthesiser settings and SoundFont: held for heldSeconds, then released and rendered for
// as long as the program lets notes ring out. Interleaved left, right.
std::vector<std::int16_t> referenceNote(const std::string &soundFont, int velocity,
                                        double heldSeconds) {
    FluidPtr<fluid_settings_t> settings(new_fluid_settings());
    tunelet::render::applySynthSettings(settings.get(), tunelet::render::kWavSampleRate);
    FluidPtr<fluid_synth_t> synth(new_fluid_synth(settings.get()));
    EXPECT_NE(fluid_synth_sfload(synth.get(), soundFont.c_str(), 1), FLUID_FAILED);
    std::vector<std::int16_t> samples;
    const auto render = [&](double seconds) {
        const auto frames = int(seconds * tunelet::render::kWavSampleRate);
        const std::size_t at = samples.size();
        samples.resize(at + 2 * std::size_t(frames));
        fluid_synth_write_s16(synth.get(), frames, samples.data() + at, 0, 2, samples.data() + at,
                              1, 2);
    };
    fluid_synth_noteon(synth.get(), 0, 60, velocity);
    render(heldSeconds);
    fluid_synth_noteoff(synth.get(), 0, 60);
    render(tunelet::render::WavOptions().maxReleaseSeconds);
    return samples;
}

std::string repeated(const std::string &token, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) {
        line += token;
    }
    return line;
}

tunelet::test::Wav renderedWav(const std::vector<std::string> &lines, const std::string &output,
                               std::string &soundFont) {
    const std::string midi = tunelet::midi::compileScore(lines, {}).bytes;
    const tunelet::render::RenderResult result = tunelet::render::renderWav(midi, output);
    EXPECT_TRUE(result.ok()) << tunelet::render::renderFailureText(result, output);
    soundFont = result.soundFont;
    return tunelet::test::parseWav(tunelet::test::readBytes(output)).value_or(tunelet::test::Wav{});
}

struct RingOutCase {
    const char *name;
    int quarterNotes; // middle C, half a second each
};

class WavRendererRingOut : public ::testing::TestWithParam<RingOutCase> {};

// After the music the last note rings out as long as FluidSynth lets it ring with the same
// SoundFont and settings, in a short song and in one longer than the longest ring-out.
TEST_P(WavRendererRingOut, TheLastNoteRingsOutAsFluidSynthLetsItRing) {
    tunelet::test::TempDir dir;
    std::string soundFont;
    const tunelet::test::Wav wav =
        renderedWav({repeated("1fd/", GetParam().quarterNotes)}, dir.file("out.wav"), soundFont);
    // Measured to -60 dBFS: below it the reverb's tail differs from run to run.
    const int quiet = 32;
    EXPECT_NEAR(tunelet::test::soundEnd(wav.samples, quiet) - 0.5 * GetParam().quarterNotes,
                tunelet::test::soundEnd(referenceNote(soundFont, 80, 0.5), quiet) - 0.5, 0.03);
}

INSTANTIATE_TEST_SUITE_P(Render, WavRendererRingOut,
                         ::testing::Values(RingOutCase{"OneSecond", 2},
                                           RingOutCase{"SixSeconds", 12}),
                         [](const auto &info) { return std::string(info.param.name); });

// One note is as loud as FluidSynth plays it with the program's settings: nothing in the
// renderer adds gain.
TEST(WavRendererLevel, OneNoteIsAsLoudAsFluidSynthPlaysIt) {
    tunelet::test::TempDir dir;
    std::string soundFont;
    const tunelet::test::Wav wav = renderedWav({"1fd/"}, dir.file("out.wav"), soundFont);
    const double reference = tunelet::test::peakOf(referenceNote(soundFont, 80, 0.5));
    EXPECT_NEAR(tunelet::test::peakOf(wav.samples), reference, 0.1 * reference);
}

// Sixteen busy tracks of different instruments at the default volume leave headroom: the
// mix never reaches full scale.
TEST(WavRendererLevel, SixteenBusyTracksDoNotClip) {
    std::vector<std::string> lines;
    const std::string chord = "135";
    for (int track = 0; track < 16; ++track) {
        const std::string program = std::to_string(100 + track * 8 % 128).substr(1);
        const std::string octave(1, char('d' + track % 4));
        lines.push_back("@" + program + "/" + chord[track % 3] + octave + "d/" +
                        chord[(track + 1) % 3] + octave + "d/");
    }
    tunelet::test::TempDir dir;
    std::string soundFont;
    EXPECT_LT(tunelet::test::peakOf(renderedWav(lines, dir.file("out.wav"), soundFont).samples),
              32767);
}

// FluidSynth's warnings reach the result (a bank no General MIDI SoundFont has, substituted).
TEST(WavRendererLog, WarningsAreCollected) {
    const std::string midi("MThd\0\0\0\x06\0\0\0\x01\0\x30"
                           "MTrk\0\0\0\x13\0\xB0\0\x7F\0\xC0\x03\0\x90\x3C\x50"
                           "\x30\x80\x3C\0\0\xFF\x2F\0",
                           41);
    tunelet::test::TempDir dir;
    const tunelet::render::RenderResult result =
        tunelet::render::renderWav(midi, dir.file("out.wav"));
    EXPECT_TRUE(std::any_of(
        result.log.begin(), result.log.end(),
        [](const std::string &line) { return line.find("bank=127") != std::string::npos; }))
        << "log lines: " << result.log.size();
}

} // namespace
