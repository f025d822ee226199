// Text in MIDI files: UTF-8 or GB18030, read into UTF-8.
#include "midi/midi_text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

#include "score/song_block.h"

namespace tunelet::midi {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Closes the conversion descriptor whatever way the decoding ends.
class Converter {
public:
    Converter() : m_cd(iconv_open("UTF-8", "GB18030")) {}
    ~Converter() {
        if (ok()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

std::string decodeGb18030(std::string_view text) {
    const Converter converter;
    if (!converter.ok()) {
        return std::string(kReplacement); // no GB18030 table: nothing can be read
    }
    std::string out;
    char buffer[256];
    std::size_t at = 0;
    while (at < text.size()) {
        char *in = const_cast<char *>(text.data() + at);
        std::size_t inLeft = text.size() - at;
        char *next = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(converter.get(), &in, &inLeft, &next, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        at = text.size() - inLeft;
        if (done != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // A byte that starts no character, or a character cut off by the text's end.
        out += kReplacement;
        at += error == EILSEQ ? 1 : inLeft;
    }
    return out;
}

} // namespace

MidiTextEncoding encodingOf(const std::vector<std::string_view> &texts) {
    const bool utf8 = std::all_of(texts.begin(), texts.end(),
                                  [](std::string_view t) { return score::isUtf8(t); });
    return utf8 ? MidiTextEncoding::Utf8 : MidiTextEncoding::Gb18030;
}

std::string decodeMidiText(std::string_view text, MidiTextEncoding encoding) {
    while (!text.empty() && text.back() == '\0') {
        text.remove_suffix(1);
    }
    return encoding == MidiTextEncoding::Utf8 ? std::string(text) : decodeGb18030(text);
}

} // namespace tunelet::midi
