// MIDI import: the song around the notes. The file's key, metre, names and words become
// the score's song properties; what is kept is no longer counted as dropped.
#include "midi/import_song.h"

#include <algorithm>

#include "midi/import_lyrics.h"
#include "score/lyrics.h"
#include "score/song_block.h"

namespace tunelet::midi::detail {

namespace {

// Words no score file could hold would make the imported score unsavable: they are
// dropped whole, and their syllables counted.
void dropWordsTooLargeToKeep(score::SongProperties &song, ImportReport &report) {
    if (score::formatSongBlock(song).size() <= score::kMaxSongBlockBytes) {
        return;
    }
    for (const auto &verses : song.words) {
        for (const std::string &verse : verses) {
            for (const score::Syllable &s : score::splitSyllables(verse)) {
                report.droppedSyllables += s.kind == score::Syllable::Kind::Text ? 1 : 0;
            }
        }
    }
    song.words.clear();
    report.keptVerses = 0;
}

} // namespace

void noteKept(const score::SongProperties &song, ImportReport &report) {
    report.keptTitle = !song.title.empty();
    report.keptKey = song.key;
    report.keptTime = song.time;
    report.keptPartNames = static_cast<std::size_t>(std::count_if(
        song.partNames.begin(), song.partNames.end(), [](const auto &n) { return !n.empty(); }));
    report.keptVerses = 0;
    for (const auto &verses : song.words) {
        report.keptVerses += static_cast<std::size_t>(
            std::count_if(verses.begin(), verses.end(), [](const auto &v) { return !v.empty(); }));
    }
}

// A track's name (other than the first's, which names the sequence) names the lines its
// notes land on first; the names and signatures kept are no longer counted as dropped.
void takeSongProperties(const MidiSongMeta &meta,
                        const std::vector<std::optional<std::size_t>> &firstTracks,
                        ImportResult &result) {
    const std::size_t used = firstTracks.size();
    ImportReport &report = result.report;
    score::SongProperties &song = result.properties;
    song = meta.properties;
    result.songNotices = meta.notices;
    report.keySignatures = meta.laterKeySignatures;
    report.timeSignatures = meta.laterTimeSignatures;
    report.unsupportedTime = meta.unsupportedTime;
    std::size_t keptNames = 0;
    if (meta.fromTunelet) {
        // Tunelet's own names and song block, read back (the notes otherwise).
        for (const std::string &name : meta.trackNames) {
            keptNames += name.empty() ? 0 : 1;
        }
        report.otherMeta -= std::min<std::size_t>(report.otherMeta, 1);
    } else {
        keptNames += song.title.empty() ? 0 : 1;
        std::vector<bool> named(meta.trackNames.size(), false);
        song.partNames.assign(used, {});
        for (std::size_t i = 0; i < used; ++i) {
            const std::size_t track = firstTracks[i].value_or(0);
            if (track > 0 && track < meta.trackNames.size() && !meta.trackNames[track].empty() &&
                score::isUtf8(meta.trackNames[track])) {
                song.partNames[i] = meta.trackNames[track];
                keptNames += named[track] ? 0 : 1;
                named[track] = true;
            }
        }
        while (!song.partNames.empty() && song.partNames.back().empty()) {
            song.partNames.pop_back();
        }
        // A track's words go with its name, to the line its notes land on first.
        std::vector<bool> worded(meta.trackWords.size(), false);
        for (std::size_t i = 0; i < used; ++i) {
            const std::size_t track = firstTracks[i].value_or(0);
            if (track > 0 && track < meta.trackWords.size() && !worded[track] &&
                !meta.trackWords[track].empty()) {
                worded[track] = true;
                for (std::size_t v = 0; v < meta.trackWords[track].size(); ++v) {
                    song.setVerse(i, v, meta.trackWords[track][v]);
                }
            }
        }
        // Names no score file could hold would make the imported score unsavable too.
        dropWordsTooLargeToKeep(song, report);
        if (score::formatSongBlock(song).size() > score::kMaxSongBlockBytes) {
            song.partNames.clear();
            keptNames = song.title.empty() ? 0 : 1;
        }
        if (score::formatSongBlock(song).size() > score::kMaxSongBlockBytes) {
            song.title.clear();
            keptNames = 0;
        }
    }
    report.texts -= std::min(report.texts, keptNames);
    noteKept(song, report);
}

// Texts read as karaoke words are no longer counted as dropped.
void takeWords(const std::vector<ImportedTrack> &tracks, const std::vector<std::string> &lines,
               const std::vector<std::vector<std::size_t>> &lineTracks,
               const std::function<std::int64_t(std::int64_t)> &toScript, ImportResult &result) {
    const ImportedWords imported = importWords(tracks, lines, lineTracks, toScript);
    ImportReport &report = result.report;
    score::SongProperties &song = result.properties;
    report.unplacedSyllables = imported.unplaced;
    report.texts -= std::min(report.texts, imported.karaokeTexts);
    for (std::size_t i = 0; i < imported.words.size(); ++i) {
        if (!imported.words[i].empty()) {
            song.setVerse(i, 0, imported.words[i]);
            ++report.keptVerses;
        }
    }
    if (song.title.empty() && !imported.title.empty()) {
        song.title = imported.title;
        report.keptTitle = true;
    }
    dropWordsTooLargeToKeep(song, report);
}

} // namespace tunelet::midi::detail
