// Fuzz target: any bytes as a script file, compiled to MIDI; every success must be a
// well-formed Standard MIDI File with one track per line and all data bytes below 0x80,
// and every failure must be told in printable UTF-8 text, whatever bytes the line holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/diagnostics.h"
#include "export/score_to_midi.h"
#include "score/script_file.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::uint32_t be(std::string_view b, std::size_t at, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    }
    return v;
}

// Reads one variable-length quantity; aborts when it runs past the end.
void skipDelta(std::string_view data, std::size_t &i) {
    for (int n = 0; n < 4; ++n) {
        check(i < data.size());
        if ((static_cast<unsigned char>(data[i++]) & 0x80) == 0) {
            return;
        }
    }
    std::abort();
}

void checkTrack(std::string_view data, unsigned channel) {
    std::size_t i = 0;
    unsigned running = 0;
    bool ended = false;
    while (i < data.size()) {
        check(!ended);
        skipDelta(data, i);
        check(i < data.size());
        unsigned byte = static_cast<unsigned char>(data[i]);
        if (byte == 0xFF) {
            check(data.substr(i) == std::string_view("\xFF\x2F\x00", 3));
            i += 3;
            ended = true;
            continue;
        }
        if (byte & 0x80) {
            check((byte & 0x0F) == channel);
            check((byte & 0xF0) == 0x90 || (byte & 0xF0) == 0xC0);
            running = byte;
            ++i;
        }
        check(running != 0);
        std::size_t dataBytes = (running & 0xF0) == 0xC0 ? 1 : 2;
        check(i + dataBytes <= data.size());
        for (std::size_t k = 0; k < dataBytes; ++k) {
            check((static_cast<unsigned char>(data[i + k]) & 0x80) == 0);
        }
        i += dataBytes;
        if ((running & 0xF0) == 0xC0) {
            running = 0; // no running status after a program change in our output
        }
    }
    check(ended);
}

void checkSmf(std::string_view b, std::size_t tracks, std::uint16_t division) {
    check(b.size() >= 14 && b.substr(0, 4) == "MThd");
    check(be(b, 4, 4) == 6 && be(b, 8, 2) == 1);
    check(be(b, 10, 2) == tracks && be(b, 12, 2) == division);
    std::size_t at = 14;
    for (std::size_t t = 0; t < tracks; ++t) {
        check(at + 8 <= b.size() && b.substr(at, 4) == "MTrk");
        std::size_t length = be(b, at + 4, 4);
        check(at + 8 + length <= b.size());
        checkTrack(b.substr(at + 8, length), static_cast<unsigned>(t));
        at += 8 + length;
    }
    check(at == b.size());
}

// Valid UTF-8 with no control character: what a terminal shows as it is.
void checkPrintable(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        check(lead >= 0x20 && lead != 0x7F && (lead < 0x80 || lead >= 0xC2) && lead < 0xF5);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        check(i + length <= text.size());
        for (std::size_t k = 1; k < length; ++k) {
            check((static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80);
        }
        i += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    auto lines = tunelet::score::parseScriptText(text);

    // The script must survive a save and a reload unchanged.
    check(tunelet::score::parseScriptText(tunelet::score::formatScriptText(lines)) == lines);

    static constexpr std::uint16_t kDivisions[] = {48, 96, 384, 1, 0, 0x8000};
    tunelet::midi::ExportOptions options;
    options.division = kDivisions[(mode >> 1) % 6];
    options.staccato = (mode & 1) != 0;
    auto result = tunelet::midi::compileScore(lines, options);
    if (result.ok()) {
        checkSmf(result.bytes, lines.size(), options.division);
    } else {
        check(result.bytes.empty());
        check(!lines.empty() || result.failure == tunelet::midi::ExportFailure::NoTracks);
        checkPrintable(tunelet::midi::failureMessage(result.failure));
        checkPrintable(tunelet::cli::failureDetail(result, lines, {"in.TNL", "out.MID"}));
    }
    return 0;
}
