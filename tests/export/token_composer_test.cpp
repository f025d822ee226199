// Tests of token composition, held against the scanner and the export that read the tokens.
#include "export/token_composer.h"

#include <gtest/gtest.h>

#include <string>

#include "export/note_script.h"
#include "export/score_to_midi.h"

namespace tunelet::midi {
namespace {

Token scanOne(const std::string &text) {
    LineScanner scanner(text);
    const std::optional<Token> token = scanner.next();
    EXPECT_TRUE(token.has_value()) << text;
    EXPECT_FALSE(scanner.next().has_value()) << text << ": one token and its separator";
    return token.value_or(Token{});
}

TEST(ComposeNote, EveryPitchOctaveAndBeatScansBackToItsKeyAndTicks) {
    const std::string pitches = "1v2w34x5y6z7"; // semitones 0..11
    const int ticks[] = {192, 144, 96, 48, 24, 12, 6, 72};
    for (int semitone = 0; semitone < 12; ++semitone) {
        for (int octave = 0; octave <= 10; ++octave) {
            for (int beat = 0; beat < 8; ++beat) {
                const ComposedNote note =
                    composeNote(pitches[static_cast<std::size_t>(semitone)],
                                static_cast<char>('a' + octave), static_cast<char>('a' + beat));
                const Token token = scanOne(note.text);
                EXPECT_EQ(token.kind, TokenKind::Note) << note.text;
                EXPECT_EQ(token.key, 12 * octave + semitone) << note.text;
                EXPECT_EQ(token.ticks, ticks[beat]) << note.text;
                EXPECT_EQ(std::pair(note.key, note.ticks), std::pair(token.key, token.ticks));
            }
        }
    }
}

TEST(ComposeNote, RefusesExactlyTheNotesTheExportRejects) {
    for (const char pitch : std::string("1234567vwxyz")) {
        for (char octave = 'a'; octave <= 'k'; ++octave) {
            const ComposedNote note = composeNote(pitch, octave, 'd');
            const bool exports = compileScore({note.text}, ExportOptions{}).ok();
            EXPECT_EQ(note.refused, !exports) << note.text;
        }
    }
    EXPECT_EQ(composeNote('6', 'k', 'd').text, "6kd/") << "a refused note is still shown";
}

TEST(ComposeRest, EveryBeatScansBackToARestOfItsTicks) {
    const int ticks[] = {192, 144, 96, 48, 24, 12, 6, 72};
    for (int beat = 0; beat < 8; ++beat) {
        const Token token = scanOne(composeRest(static_cast<char>('a' + beat)));
        EXPECT_EQ(token.kind, TokenKind::Rest);
        EXPECT_EQ(token.ticks, ticks[beat]);
    }
}

TEST(ComposeNumber, ProgramsAndVolumesScanBackToTheirValues) {
    for (int value = 0; value <= 255; ++value) {
        if (value <= 127) {
            const Token program = scanOne(composeProgram(value));
            EXPECT_EQ(program.kind, TokenKind::Program);
            EXPECT_EQ(program.value, value);
        }
        const Token volume = scanOne(composeVolume(value));
        EXPECT_EQ(volume.kind, TokenKind::Volume);
        EXPECT_EQ(volume.value, value);
    }
}

TEST(SoundBefore, TheLastInstrumentAndVolumeBeforeThePlaceCount) {
    struct Case {
        const char *line;
        int program;
        int velocity;
    };
    const Case cases[] = {
        {"", 0, 80},
        {"1fd/2fd/", 0, 80},
        {"@005/1fd/#100/", 5, 100},
        {"@005/@040/#100/#064/1fd/", 40, 64},
        {"#200/", 0, 127},
        {"@300/@007/@999/", 7, 80}, // an instrument that does not exist is passed over
        {"@010/x/@020/", 10, 80},   // reading stops where the line stops scanning
        {"@01", 1, 80},             // cut short by the place, read as the export reads it
    };
    for (const Case &c : cases) {
        const SoundAtPlace sound = soundBefore(c.line);
        EXPECT_EQ(std::pair(sound.program, sound.velocity), std::pair(c.program, c.velocity))
            << c.line;
    }
}

TEST(ComposeNumber, ThreeDigitsWithLeadingZeros) {
    EXPECT_EQ(composeProgram(0), "@000/");
    EXPECT_EQ(composeProgram(5), "@005/");
    EXPECT_EQ(composeVolume(80), "#080/");
    EXPECT_EQ(composeVolume(255), "#255/");
}

} // namespace
} // namespace tunelet::midi
