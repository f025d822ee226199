// Tests of the WAV renderer's failures before any sound: the SoundFont is missing or is
// no SoundFont. The output stays as it was and FluidSynth prints nothing.
#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "render/wav_renderer.h"
#include "temp_dir.h"

namespace {

using tunelet::render::RenderFailure;

struct SoundFontCase {
    const char *name;
    std::string soundFontBytes; // empty: no file at all
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
    EXPECT_EQ(dir.entryCount(), c.soundFontBytes.empty() ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Render, WavRendererSoundFont,
    ::testing::Values(SoundFontCase{"Missing", "", RenderFailure::NoSoundFont,
                                    "找不到General MIDI音色库（FluidR3_GM.sf2 或 default-GM.sf2），"
                                    "请安装软件包 fluid-soundfont-gm"},
                      SoundFontCase{"NotASoundFont", "RIFF\4\0\0\0sfbk",
                                    RenderFailure::SoundFontLoad,
                                    "无法载入音色库“%”（FluidSynth："}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
