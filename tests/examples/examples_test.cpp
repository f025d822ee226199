// The songbook in examples/: every script file exports to a format-1 MIDI file with one
// track chunk per line, and the songs that sing have a syllable for every note.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/score_to_midi.h"
#include "export/token_timing.h"
#include "midi/smf_reader.h"
#include "score/lyrics.h"
#include "score/script_file.h"

namespace {

namespace fs = std::filesystem;

std::uint32_t bigEndian(const std::string &bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// What a MIDI reader sees in the file: the header's format and track count, then the
// number of MTrk chunks found by walking the chunks by their lengths to the file's end.
std::string describeMidi(const std::string &bytes) {
    if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0 || bigEndian(bytes, 4, 4) != 6) {
        return "no MThd header";
    }
    std::size_t chunks = 0;
    std::size_t at = 14;
    while (at + 8 <= bytes.size() && bytes.compare(at, 4, "MTrk") == 0) {
        at += 8 + std::size_t(bigEndian(bytes, at + 4, 4));
        ++chunks;
    }
    if (at != bytes.size()) {
        return "bytes outside the track chunks";
    }
    return "format " + std::to_string(bigEndian(bytes, 8, 2)) + ", " +
           std::to_string(bigEndian(bytes, 10, 2)) + " tracks, " + std::to_string(chunks) +
           " MTrk chunks";
}

std::vector<fs::path> scriptFiles() {
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(TUNELET_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".TNL") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A song with properties has a first track of its own; its block reads without a notice.
TEST(Examples, EverySongExportsOneTrackChunkPerLine) {
    const std::vector<fs::path> files = scriptFiles();
    ASSERT_GE(files.size(), 10u) << "songs found in " << TUNELET_EXAMPLES_DIR;
    for (const fs::path &file : files) {
        const tunelet::score::ScoreText text = tunelet::score::readScoreFile(file.string());
        EXPECT_TRUE(text.notices.empty()) << file.filename();
        const tunelet::midi::ExportResult result =
            tunelet::midi::compileScore(text.lines, {}, text.properties);
        const std::string n = std::to_string(text.lines.size() + (text.properties.empty() ? 0 : 1));
        EXPECT_EQ(result.ok() ? describeMidi(result.bytes) : "export failed",
                  "format 1, " + n + " tracks, " + n + " MTrk chunks")
            << file.filename();
    }
}

std::size_t notesOf(const std::string &line) {
    const auto tokens = tunelet::midi::timeLine(line);
    return std::size_t(std::count_if(tokens.begin(), tokens.end(), [](auto &t) { return t.note; }));
}

class LyricCount : public tunelet::midi::SmfEventSink {
public:
    void trackStart(int) override {}
    void event(const tunelet::midi::SmfEvent &e) override {
        count += e.status == 0xff && e.data1 == 0x05 ? 1 : 0;
    }
    std::size_t count = 0;
};

// Every verse of the songbook's words has one syllable, held note or skip for each note of
// its part, no more, no less; verse 1's syllables are the MIDI file's lyric events.
TEST(Examples, TheSongsThatSingHaveASyllableForEveryNote) {
    const struct {
        const char *file;
        std::vector<std::size_t> verses; // of each part
    } singing[] = {
        {"twinkle_twinkle.TNL", {2}},
        {"frere_jacques_round.TNL", {1, 1, 1, 1}},
        {"happy_birthday.TNL", {1}},
        {"farewell.TNL", {1}},
    };
    for (const auto &song : singing) {
        const tunelet::score::ScoreText text =
            tunelet::score::readScoreFile(std::string(TUNELET_EXAMPLES_DIR) + "/" + song.file);
        std::vector<std::size_t> verses;
        std::size_t syllables = 0;
        for (std::size_t k = 0; k < text.lines.size(); ++k) {
            std::size_t count = 0;
            for (std::size_t v = 0; v < tunelet::score::kMaxVerses; ++v) {
                const std::string verse = text.properties.verse(k, v);
                if (verse.empty()) {
                    continue;
                }
                ++count;
                const auto split = tunelet::score::splitSyllables(verse);
                EXPECT_EQ(split.size(), notesOf(text.lines[k]))
                    << song.file << " part " << k + 1 << " verse " << v + 1;
                if (v == 0) {
                    syllables += std::size_t(std::count_if(split.begin(), split.end(), [](auto &s) {
                        return s.kind == tunelet::score::Syllable::Kind::Text;
                    }));
                }
            }
            verses.push_back(count);
        }
        while (!verses.empty() && verses.back() == 0) {
            verses.pop_back();
        }
        EXPECT_EQ(verses, song.verses) << song.file;
        LyricCount lyrics;
        tunelet::midi::readSmf(tunelet::midi::compileScore(text.lines, {}, text.properties).bytes,
                               &lyrics);
        EXPECT_EQ(lyrics.count, syllables) << song.file;
    }
}

} // namespace
