// Text in MIDI files: the words of lyric and karaoke events come as UTF-8 or in the
// Chinese code page (GBK, read as its superset GB18030). Read into UTF-8 without Qt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunelet::midi {

// How a file's texts are read, decided once for the whole file: UTF-8 when every one of
// them is well-formed UTF-8 (plain ASCII included), GB18030 otherwise. One text alone
// cannot tell: a GBK character can happen to be well-formed UTF-8 (D3 AD is U+04ED), but
// a whole file of GBK words rarely is, and a file holds one encoding.
enum class MidiTextEncoding { Utf8, Gb18030 };
MidiTextEncoding encodingOf(const std::vector<std::string_view> &texts);

// The text in UTF-8. GB18030 is decoded with the C library's iconv, which keeps the core
// free of Qt and needs no library beyond the C library; a byte that starts no character
// becomes U+FFFD. Trailing NUL bytes, which some programs pad texts with, are dropped.
std::string decodeMidiText(std::string_view text, MidiTextEncoding encoding);

} // namespace tunelet::midi
