// MusicXML import benchmark: a MusicXML file of about 1 MB made into a score, from the file
// on disk, plain and compressed as .mxl. The file is Tunelet's own export of four lines of
// notes, chords of two parts on one line's time, rests, dynamics and instrument changes.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <zip.h>

#include <benchmark/benchmark.h>

#include "musicxml/musicxml_reader.h"
#include "musicxml/musicxml_writer.h"

namespace {

constexpr std::size_t kFileBytes = 1 << 20;

std::string musicXml() {
    const std::string pitches = "1v2w34x5y6z7";
    std::vector<std::string> lines(4);
    std::string file;
    // The export grows with the notes; add notes until it is about 1 MB.
    for (std::size_t n = 0;; ++n) {
        std::string &line = lines[n % 4];
        if (n % 60 == 0) {
            line += "@0" + std::to_string(10 + n % 90) + "/#0" + std::to_string(40 + n % 60) + "/";
        } else if (n % 9 == 0) {
            line += {'0', char("abcdefgh"[n % 8]), '/'};
        } else {
            line += {pitches[n % 12], char('d' + n % 5), char("cdeh"[n % 4]), '/'};
        }
        if (n % 400 == 399) {
            const QByteArray xml = tunelet::musicxml::writeMusicXml(lines, 48, {});
            if (std::size_t(xml.size()) >= kFileBytes) {
                return xml.toStdString();
            }
        }
    }
}

std::string compressed(const std::string &xml, const std::filesystem::path &path) {
    const std::string container = "<container><rootfiles><rootfile full-path=\"score.musicxml\"/>"
                                  "</rootfiles></container>";
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_file_add(archive, "META-INF/container.xml",
                 zip_source_buffer(archive, container.data(), container.size(), 0), 0);
    zip_file_add(archive, "score.musicxml", zip_source_buffer(archive, xml.data(), xml.size(), 0),
                 0);
    zip_close(archive);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void importFile(benchmark::State &state, const std::string &bytes, std::size_t xmlBytes) {
    const auto path = std::filesystem::temp_directory_path() / "tunelet-musicxml-bench";
    std::ofstream(path, std::ios::binary) << bytes;
    for (auto _ : state) {
        const auto result = tunelet::musicxml::importMusicXmlFile(path.string());
        if (!result.ok() || result.lines.empty()) {
            state.SkipWithError("import failed");
            return;
        }
        benchmark::DoNotOptimize(result.lines.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(xmlBytes));
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    state.counters["musicxml_MB"] = double(xmlBytes) / 1e6;
    std::filesystem::remove(path);
}

void BM_ImportMusicXml(benchmark::State &state) {
    const std::string xml = musicXml();
    importFile(state, xml, xml.size());
}

void BM_ImportCompressedMxl(benchmark::State &state) {
    const std::string xml = musicXml();
    const auto path = std::filesystem::temp_directory_path() / "tunelet-musicxml-bench.mxl";
    const std::string mxl = compressed(xml, path);
    std::filesystem::remove(path);
    importFile(state, mxl, xml.size());
}

} // namespace

BENCHMARK(BM_ImportMusicXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportCompressedMxl)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
