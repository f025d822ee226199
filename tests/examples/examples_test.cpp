// The songbook in examples/: every script file exports to a format-1 MIDI file with one
// track chunk per line.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/score_to_midi.h"
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

} // namespace
