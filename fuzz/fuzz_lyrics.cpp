// Fuzz target: any bytes as the words of a MIDI file. The bytes are cut at every 0x00
// into texts, which a file of eight notes carries as lyric events (or, after a first byte
// 'K', as a karaoke file's text events) near their onsets. The
// import must keep words a score can hold and sing again: valid UTF-8, a block that reads
// back as it is, no more syllables than the line has notes, and each syllable kept or
// counted; any text, decoded as GB18030, is valid UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/score_to_midi.h"
#include "fuzz_check.h"
#include "midi/midi_import.h"
#include "midi/midi_text.h"
#include "score/lyrics.h"
#include "score/song_block.h"

using tunelet::fuzz::check;

namespace {

std::string vlq(std::uint32_t value) {
    std::string out(1, char(value & 0x7f));
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), char(0x80 | (value & 0x7f)));
    }
    return out;
}

std::string be32(std::size_t n) {
    return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
}

// Eight beats of notes at division 48, each struck 12 ticks into its beat for half a
// beat (one token, so eight notes on the line); text i falls
// in beat i % 8, 0 to 23 ticks into it (its first byte says where).
std::string fileWith(const std::vector<std::string_view> &texts, bool karaoke) {
    std::vector<std::pair<std::uint32_t, std::string>> timed; // in time order when sorted
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string_view text = texts[i];
        const std::uint32_t at =
            std::uint32_t(48 * (i % 8)) + (text.empty() ? 0 : std::uint8_t(text[0]) % 24);
        timed.emplace_back(at, std::string("\xff") + (karaoke ? "\x01" : "\x05") +
                                   vlq(std::uint32_t(text.size())) + std::string(text));
    }
    for (std::uint32_t beat = 0; beat < 8; ++beat) {
        timed.emplace_back(48 * beat + 12, std::string("\x90\x3c\x50", 3));
        timed.emplace_back(48 * beat + 36, std::string("\x80\x3c\x00", 3));
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    std::string events = karaoke ? std::string("\x00\xff\x01\x02@K", 6) : std::string();
    std::uint32_t time = 0;
    for (const auto &[at, bytes] : timed) {
        events += vlq(at - time) + bytes;
        time = at;
    }
    events += std::string("\x00\xff\x2f\x00", 4);
    return std::string("MThd\0\0\0\x06\0\x01\0\x01\0\x30", 14) + "MTrk" + be32(events.size()) +
           events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace tunelet;
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    check(score::isUtf8(midi::decodeMidiText(bytes, midi::MidiTextEncoding::Gb18030)));
    const bool karaoke = bytes.starts_with('K');
    std::vector<std::string_view> texts;
    for (std::size_t at = karaoke ? 1 : 0; at <= bytes.size() && texts.size() < 64;) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        texts.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    const midi::ImportResult imported = midi::importMidi(fileWith(texts, karaoke));
    check(imported.ok() && imported.lines.size() == 1);
    const score::SongProperties &song = imported.properties;
    const std::string verse = song.verse(0, 0);
    check(score::isUtf8(verse));
    const std::vector<score::Syllable> syllables = score::splitSyllables(verse);
    check(syllables.size() <= 8);
    std::size_t sung = imported.report.unplacedSyllables;
    for (const score::Syllable &s : syllables) {
        sung += s.kind == score::Syllable::Kind::Text ? 1 : 0;
    }
    check(sung <= texts.size());
    if (!song.empty()) {
        const score::SongBlock block = score::parseSongBlock(score::formatSongBlock(song));
        check(block.notices.empty() && block.properties == song);
    }
    check(midi::compileScore(imported.lines, {}, song).ok());
    return 0;
}
