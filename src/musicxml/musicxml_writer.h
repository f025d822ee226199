// MusicXML export: the score's track lines as a MusicXML 4.0 partwise score, for notation
// programs that show it in staff notation (MuseScore, Finale, Sibelius, Dorico...).
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "score/song_properties.h"

namespace tunelet::musicxml {

// What the staff needs beyond the track lines. Every value has the meaning of a score
// without song properties: 1=C, 4/4, no pickup, no names.
struct SongInfo {
    int fifths = 0;      // the key signature: sharps (+) or flats (-)
    int beats = 4;       // time signature: beats to the bar...
    int beatUnit = 4;    // ...of this note value (2, 4 or 8)
    int beatNote = 4;    // what a script beat (48 ticks) is written as: 2, 4 or 8
    int pickupTicks = 0; // the first bar's length when it is a pickup; 0 for none
    QString title;       // the 简谱 shows the script file's name when there is no title
    QString subtitle;
    QString composer;
    QString lyricist;
    std::vector<QString> partNames; // by track; a missing or empty one: the instrument's
    // The words by track, then by verse, as typed (score/lyrics.h); an empty verse: none.
    std::vector<std::vector<std::string>> words;
};

// The song's properties as the staff needs them; `fallbackTitle` (the file's name, as the
// 简谱 shows it) when the song has no title.
SongInfo songInfoOf(const score::SongProperties &properties, const QString &fallbackTitle);

// A pitch on the staff: step C..B, alter -2..+2 (𝄫 ♭ ♮ ♯ 𝄪), octave 4 holds middle C.
struct StaffPitch {
    char step = 'C';
    int alter = 0;
    int octave = 4;
    bool operator==(const StaffPitch &) const = default;
};

// How a MIDI key is written in a key, as the 简谱 writes it: the degree of the key (movable
// do, notation/movable_do.h) on the letter of that degree in the key's scale; in 1=C the
// script's own pitches, black keys as sharps.
StaffPitch spellPitch(int key, const SongInfo &song);

// The score as MusicXML (UTF-8). lines: the track lines as stored, all of which scan (the
// caller checks that as for a MIDI export); division: the time increment, which sets
// the tempo.
QByteArray writeMusicXml(const std::vector<std::string> &lines, int division, const SongInfo &song);

// Writes the score to path atomically (score/atomic_file.h): on failure the file is as it
// was and the answer is why, in the user's words; an empty answer on success.
std::string exportMusicXml(const std::vector<std::string> &lines, int division,
                           const SongInfo &song, const std::string &path);

} // namespace tunelet::musicxml
