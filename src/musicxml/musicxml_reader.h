// MusicXML import: a partwise MusicXML score (.musicxml, .xml, or compressed .mxl) turned
// into the score's track lines and song properties, laid out and reported as the MIDI
// import lays out and reports a MIDI file's notes.
#pragma once

#include <string>
#include <string_view>

#include "midi/midi_import.h"

namespace tunelet::musicxml {

// The bytes of a .musicxml/.xml file or of an .mxl archive.
midi::ImportResult importMusicXml(std::string_view bytes);

// Reads the file (refusing one larger than midi::kMaxMusicXmlFileBytes unread) and
// imports it.
midi::ImportResult importMusicXmlFile(const std::string &path);

// Whether a regular file is a MusicXML score by its contents: XML whose root is a
// score-partwise (or score-timewise, which the import then refuses with its reason), or a
// ZIP archive holding META-INF/container.xml.
bool isMusicXmlFile(const std::string &path);

// The score inside an .mxl archive (META-INF/container.xml names it); nothing, and why in
// `damage`, when the archive is damaged or holds no score.
std::optional<std::string> unpackMxl(std::string_view archive, std::string &damage);

} // namespace tunelet::musicxml
