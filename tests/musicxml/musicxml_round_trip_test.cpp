// MusicXML round trips: every script and song Tunelet writes as MusicXML comes back from
// its file as the same music and the same song.
#include <QList>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/note_script.h"
#include "export/token_composer.h"
#include "musicxml/musicxml_reader.h"
#include "musicxml/musicxml_writer.h"
#include "notation/timed_events.h"
#include "score/lyrics.h"
#include "score/script_file.h"
#include "score/song_block.h"
#include "ui/dialogs/dialog_texts.h"

namespace tunelet::musicxml {
namespace {

using Lines = std::vector<std::string>;

struct Song {
    std::string name;
    Lines lines;
    score::SongProperties properties;
};

// Scripts of every kind of token (as the MIDI import's round trip makes them), with
// properties of every kind.
Song randomSong(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](const char *from) {
        return from[random() % std::char_traits<char>::length(from)];
    };
    Song song{"random_" + std::to_string(seed), Lines(1 + random() % 16), {}};
    for (std::string &line : song.lines) {
        for (int n = int(random() % 40); n > 0; --n) {
            switch (random() % 8) {
            case 0:
                line += midi::composeProgram(int(random() % 128));
                break;
            case 1:
                line += midi::composeVolume(int(random() % 256));
                break;
            case 2:
                line += std::string{'0', pick("abcdefgh"), '/'};
                break;
            default:
                line +=
                    std::string{pick("1v2w34x5y6z7"), pick("abcdefghij"), pick("abcdefgh"), '/'};
            }
        }
    }
    score::SongProperties &p = song.properties;
    if (seed % 2 == 0) {
        p.title = "歌" + std::to_string(seed);
        p.subtitle = seed % 4 == 0 ? "副标题" : "";
        p.composer = "作曲 " + std::to_string(seed);
        p.lyricist = seed % 3 == 0 ? "佚名" : "";
        p.key = score::Key{int(random() % 12)};
        p.time = score::SongTime{int(1 + random() % 12), std::array{2, 4, 8}[random() % 3]};
        p.beat = std::array{score::BeatNote::Half, score::BeatNote::Eighth}[random() % 2];
        p.pickupTicks = int(random() % 4) * 24 % score::barTicks(p);
        p.partNames.assign(song.lines.size(), {});
        p.partNames[0] = "声部";
        // Words of every kind: characters, hyphened words, melismas, skipped notes.
        p.setVerse(0, 0, "一闪一闪 亮_晶_晶 *满天");
        p.setVerse(song.lines.size() - 1, seed % 4, "Twin-kle twin-kle * lit_tle star");
    }
    return song;
}

std::vector<Song> songs() {
    std::vector<Song> all = {
        {"chord_tied_over_bars", {"@000/1fa/", "@000/3fa/"}, {}},
        {"drums_and_rests", {"@000/1fd/", "", "", "", "", "", "", "", "", "1dd/0d/xdd/"}, {}},
    };
    for (const auto &entry : std::filesystem::directory_iterator(TUNELET_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".TNL") {
            score::ScoreText read = score::readScoreFile(entry.path().string());
            all.push_back({entry.path().stem().string(), read.lines, read.properties});
        }
    }
    for (unsigned seed = 1; seed <= 40; ++seed) {
        all.push_back(randomSong(seed));
    }
    return all;
}

// What a MusicXML file always says: a key (1=C when unset), a metre (4/4), a script beat
// a quarter note by default; part names only where they differ from the instrument's.
score::SongProperties asWritten(score::SongProperties song, const Lines &lines) {
    for (std::size_t k = 0; k < song.partNames.size() && k < lines.size(); ++k) {
        const int program = std::max(notation::readTrack(lines[k]).firstProgram, 0);
        if (QString::fromStdString(song.partNames[k]) == ui::texts::kInstrumentNames[program]) {
            song.partNames[k].clear();
        }
    }
    song.key = song.key.value_or(score::Key{});
    song.time = song.time.value_or(score::SongTime{});
    if (song.beat == score::BeatNote::Quarter) {
        song.beat.reset();
    }
    while (!song.partNames.empty() && song.partNames.back().empty()) {
        song.partNames.pop_back();
    }
    song.words.clear(); // compared as sung: placedWords()
    return song;
}

// The words as sung: each verse's syllables on each line's notes ("" for none, "_" held,
// "-" after a syllable whose word goes on). Words beyond a line's notes are not sung, so
// a file does not keep them.
std::vector<std::string> placedWords(const score::SongProperties &song, const Lines &lines) {
    std::vector<std::string> placed;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::size_t notes = 0;
        for (const notation::TimedEvent &event : notation::readTrack(lines[k]).events) {
            notes += event.degree != 0;
        }
        for (std::size_t v = 0; v < score::kMaxVerses; ++v) {
            std::string sung;
            const std::vector<score::NoteSyllable> onNotes =
                score::placeSyllables(score::splitSyllables(song.verse(k, v)), notes).notes;
            for (std::size_t n = 0; n < onNotes.size(); ++n) {
                // A hyphen after the last note leads to no syllable sung.
                const bool hyphen = onNotes[n].hyphenAfter && n + 1 < onNotes.size();
                sung += (onNotes[n].extends ? "_" : onNotes[n].text) + (hyphen ? "-" : "") + "|";
            }
            if (sung.find_first_not_of('|') != std::string::npos) {
                placed.push_back(std::to_string(k) + "." + std::to_string(v) + ": " + sung);
            }
        }
    }
    return placed;
}

midi::ImportResult roundTrip(const Song &song, int division) {
    const QByteArray file = writeMusicXml(song.lines, division, songInfoOf(song.properties, {}));
    return importMusicXml(std::string_view(file.constData(), std::size_t(file.size())));
}

// A line's notes as they sound: onset, length, key, instrument (but on the drum line, where
// instruments do not sound) and velocity.
std::vector<std::array<int, 5>> notesOf(const Lines &lines) {
    constexpr std::array<int, 7> kDegrees = {0, 2, 4, 5, 7, 9, 11}; // semitones above 1
    std::vector<std::array<int, 5>> notes;
    int volume = 80; // carried from line to line, as the export carries it
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const notation::Track track = notation::readTrack(lines[k], volume);
        volume = track.volumeAtEnd;
        for (const notation::TimedEvent &event : track.events) {
            if (event.degree != 0) {
                const int key =
                    12 * (event.octave + 5) + kDegrees[std::size_t(event.degree - 1)] + event.sharp;
                notes.push_back({int(k) * 100000 + event.onset, event.length, key,
                                 k == 9 ? 0 : std::max(event.program, 0),
                                 std::clamp(event.volume, 0, 127)});
            }
        }
    }
    return notes;
}

// Every note of every line sounds as before, at every kind of time increment; the song
// keeps its properties and the increment.
TEST(MusicXmlRoundTrip, EveryNoteAndPropertyComesBack) {
    for (const Song &song : songs()) {
        for (const int division : {7, 48, 384}) {
            SCOPED_TRACE(song.name + " division " + std::to_string(division));
            const midi::ImportResult imported = roundTrip(song, division);
            ASSERT_TRUE(imported.ok()) << imported.damage;
            EXPECT_EQ(imported.report.timeIncrement, division);
            score::SongProperties withoutWords = imported.properties;
            withoutWords.words.clear();
            EXPECT_EQ(score::formatSongBlock(withoutWords),
                      score::formatSongBlock(asWritten(song.properties, song.lines)));
            EXPECT_EQ(placedWords(imported.properties, imported.lines),
                      placedWords(song.properties, song.lines));
            EXPECT_EQ(notesOf(imported.lines), notesOf(song.lines));
        }
    }
}

// A line with its rests as a staff keeps them: rests in a row joined (a staff splits them
// at bar lines), none after the last note (a staff rests every part to the song's end).
std::string restsJoined(const std::string &line) {
    static constexpr std::string_view kLongestFirst = "abchdefg";
    std::string joined;
    int rest = 0;
    const auto flush = [&] {
        for (const char letter : kLongestFirst) {
            for (; rest >= *midi::ticksOf(letter); rest -= *midi::ticksOf(letter)) {
                joined += std::string{'0', letter, '/'};
            }
        }
    };
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t end = line.find('/', at) + 1;
        const std::string token = line.substr(at, end - at);
        if (token[0] == '0') {
            rest += *midi::ticksOf(token[1]);
        } else {
            flush();
            joined += token;
        }
        at = end;
    }
    return joined;
}

// The songbook comes back token for token, as its files were written (but for rests).
TEST(MusicXmlRoundTrip, TheSongbookComesBackTokenForToken) {
    for (const Song &song : songs()) {
        if (!song.name.starts_with("random_")) {
            SCOPED_TRACE(song.name);
            Lines expected;
            for (const std::string &line : song.lines) {
                expected.push_back(restsJoined(line));
            }
            EXPECT_EQ(roundTrip(song, 48).lines, expected);
        }
    }
}

} // namespace
} // namespace tunelet::musicxml
