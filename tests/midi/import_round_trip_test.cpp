// MIDI import tests: every script the export can write comes back from its MIDI file as
// the same music. Export, import, export again gives the same bytes.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "export/token_composer.h"
#include "midi/midi_import.h"
#include "score/script_file.h"

namespace tunelet::midi {
namespace {

using Lines = std::vector<std::string>;

// Scripts made of every kind of token: all pitches, octaves and lengths, rests, programs
// and volumes (above 127 too), some lines empty, up to 16 lines.
Lines randomScript(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](const char *from) {
        return from[random() % std::char_traits<char>::length(from)];
    };
    Lines lines(1 + random() % 16);
    for (std::string &line : lines) {
        for (int n = int(random() % 40); n > 0; --n) {
            switch (random() % 8) {
            case 0:
                line += composeProgram(int(random() % 128));
                break;
            case 1:
                line += composeVolume(int(random() % 256));
                break;
            case 2:
                line += std::string{'0', pick("abcdefgh"), '/'};
                break;
            default:
                const char octave = pick("abcdefghij"); // k holds keys above 127
                line += std::string{pick("1v2w34x5y6z7"), octave, pick("abcdefgh"), '/'};
            }
        }
    }
    return lines;
}

struct Script {
    std::string name;
    Lines lines;
};

std::vector<Script> scripts() {
    std::vector<Script> all = {
        {"rests_split_as_written", {"0a/0a/0g/1fd/0d/0d/"}},
        {"middle_c_at_velocity_0", {"#000/1fd/2fd/", "1fd/"}},
        {"volume_left_at_a_line_end", {"1fd/#100/", "2fd/"}},
        {"empty_lines_and_drums", {"1fd/", "", "", "", "", "", "", "", "", "1dd/xdd/"}},
    };
    for (const auto &entry : std::filesystem::directory_iterator(TUNELET_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".TNL") {
            all.push_back(
                {entry.path().stem().string(), score::readScriptFile(entry.path().string())});
        }
    }
    for (unsigned seed = 1; seed <= 40; ++seed) {
        all.push_back({"random_" + std::to_string(seed), randomScript(seed)});
    }
    return all;
}

// Every script at divisions 24, 48 and 96, with and without staccato.
TEST(ImportRoundTrip, ExportImportExportGivesTheSameBytes) {
    for (const Script &script : scripts()) {
        for (const std::uint16_t division : {24, 48, 96}) {
            for (const bool staccato : {true, false}) {
                SCOPED_TRACE(script.name + " division " + std::to_string(division) +
                             (staccato ? " staccato" : " legato"));
                const ExportOptions options{division, staccato};
                const ExportResult first = compileScore(script.lines, options);
                ASSERT_TRUE(first.ok());
                const ImportResult imported = importMidi(first.bytes);
                ASSERT_TRUE(imported.ok());
                const ExportOptions again{imported.report.timeIncrement,
                                          imported.report.staccato.value_or(true)};
                EXPECT_EQ(compileScore(imported.lines, again).bytes, first.bytes);
            }
        }
    }
}

// The songbook comes back token for token, as its files were written.
TEST(ImportRoundTrip, TheSongbookComesBackTokenForToken) {
    for (const Script &script : scripts()) {
        // A volume token after a line's last note leaves nothing in the file.
        if (script.name.starts_with("random_") || script.name == "volume_left_at_a_line_end") {
            continue;
        }
        SCOPED_TRACE(script.name);
        EXPECT_EQ(importMidi(compileScore(script.lines, {}).bytes).lines, script.lines);
    }
}

} // namespace
} // namespace tunelet::midi
