// MusicXML import: what has been read made into the listing the MIDI import lays out: the
// notes on the script's time, channels for the parts, the tempo, the song and the words.
#include <QString>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "musicxml/score_reader.h"
#include "score/lyrics.h"
#include "score/song_block.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/notation/notation_texts.h"

namespace tunelet::musicxml::detail {

// The part's verses as typed words: a note without a syllable is skipped, one after an
// extended syllable holds it (MuseScore marks only where the holding starts).
std::vector<std::string> ScoreReader::wordsOf(const PartInfo &part) {
    std::vector<std::string> verses;
    for (std::size_t v = 0; v < score::kMaxVerses; ++v) {
        std::vector<score::Syllable> syllables;
        bool holding = false;
        bool any = false;
        for (const auto &note : part.lyrics) {
            const auto found = note.find(v);
            score::Syllable syllable;
            if (found == note.end()) {
                syllable.kind =
                    holding ? score::Syllable::Kind::Extend : score::Syllable::Kind::Skip;
            } else if (found->second.text.isEmpty()) {
                syllable.kind = score::Syllable::Kind::Extend;
                holding = found->second.extend != u"stop";
            } else {
                syllable.text = found->second.text.toStdString();
                syllable.hyphenAfter = found->second.goesOn;
                holding = !found->second.extend.isEmpty() && found->second.extend != u"stop";
                any = true;
            }
            syllables.push_back(syllable);
        }
        while (!syllables.empty() && syllables.back().kind == score::Syllable::Kind::Skip) {
            syllables.pop_back();
        }
        if (any) {
            verses.resize(v + 1);
            verses[v] = score::joinSyllables(syllables);
        }
    }
    return verses;
}

// The notes on the script's time, the tempo and the song as the lines will have them.
// Channels: a part's own where its instrument names one, else the next free one; the
// drums play on channel 10. Parts beyond the channels take lines that are free.
void ScoreReader::assignChannels() {
    std::vector<bool> taken(16, false);
    taken[kDrumChannel] = true;
    for (PartInfo &part : m_parts) {
        const int channel = part.instruments.empty() ? -1 : part.instruments.front().channel;
        if (!part.drums && channel >= 0 && channel != kDrumChannel &&
            !taken[std::size_t(channel)]) {
            part.source = channel;
            taken[std::size_t(channel)] = true;
        } else {
            part.source = -1;
        }
    }
    int spare = 16; // beyond the channels: no line of its own
    for (PartInfo &part : m_parts) {
        if (part.source < 0 && !part.drums) {
            const auto free = std::find(taken.begin(), taken.end(), false);
            part.source = free != taken.end() ? int(free - taken.begin()) : spare++;
            if (free != taken.end()) {
                *free = true;
            }
        }
    }
    m_report.extraParts =
        m_parts.size() > midi::kImportLines ? m_parts.size() - midi::kImportLines : 0;
}

// The song's properties: titles, credits, key, metre, pickup, beat, part names and words.
void ScoreReader::takeSong(midi::NoteListing &result, int beatNote) {
    const std::int64_t unit = kQuarter;
    score::SongProperties &song = result.meta.properties;
    const auto utf8 = [&](const QString &text) {
        if (text.size() > kMaxText) {
            ++m_report.markings;
            return std::string();
        }
        return text.toStdString();
    };
    const auto credit = [&](const char *type) {
        const auto found = m_credits.find(QString::fromLatin1(type));
        return found == m_credits.end() ? QString() : found->second;
    };
    const auto creator = [&](const char *type) {
        const auto found = m_creators.find(QString::fromLatin1(type));
        return found == m_creators.end() || found->second.isEmpty() ? credit(type) : found->second;
    };
    placeUntypedCredits();
    QString title = !m_workTitle.isEmpty()       ? m_workTitle
                    : !m_movementTitle.isEmpty() ? m_movementTitle
                                                 : credit("title");
    QString subtitle = credit("subtitle");
    if (subtitle.isEmpty() && !m_workTitle.isEmpty() && m_movementTitle != m_workTitle) {
        subtitle = m_movementTitle;
    }
    song.title = utf8(title);
    song.subtitle = utf8(subtitle);
    song.composer = utf8(creator("composer"));
    song.lyricist = utf8(creator("lyricist"));
    if (m_fifths) {
        song.key = midi::keyOfSignature(*m_fifths);
    }
    if (m_time) {
        song.time = score::parseSongTime(m_time->toStdString());
        result.meta.unsupportedTime = !song.time;
    }
    if (beatNote != 4) {
        song.beat = static_cast<score::BeatNote>(beatNote);
    }
    // A first measure shorter than a bar is a pickup (an implicit measure, however it is
    // numbered).
    if (m_firstMeasure > 0) {
        const std::int64_t ticks = m_firstMeasure * result.scriptTicks / unit / kGrid * kGrid;
        if (ticks > 0 && ticks < score::barTicks(song)) {
            song.pickupTicks = static_cast<int>(ticks);
        }
    }
    result.meta.laterKeySignatures = m_report.keySignatures;
    result.meta.laterTimeSignatures = m_report.timeSignatures;
    // Part names name the lines their notes land on; a name that only repeats the
    // instrument (as Tunelet writes a part without a name) says nothing the line does not.
    result.meta.trackNames.emplace_back();
    result.meta.trackWords.emplace_back();
    for (const PartInfo &part : m_parts) {
        result.meta.trackWords.push_back(wordsOf(part));
        const int program =
            part.instruments.empty() ? 0 : std::max(part.instruments.front().program, 0);
        const QString instrument =
            part.drums ? ui::texts::kDrumsLabel : ui::texts::kInstrumentNames.value(program);
        result.meta.trackNames.push_back(part.name == instrument ? std::string() : utf8(part.name));
    }
}

midi::NoteListing ScoreReader::listing() {
    midi::NoteListing result;
    // The tempo mark's note value is what a script beat is written as, so the time
    // increment counts the song's own beats.
    const int beatNote = m_beatUnit == u"half" ? 2 : m_beatUnit == u"eighth" ? 8 : 4;
    const std::int64_t unit = kQuarter;
    // A script beat is a quarter note written as beatNote: 12 x beatNote ticks a quarter.
    result.scriptTicks = 12 * beatNote;
    result.fileTicks = unit;
    result.marksAtLineStart = true;

    assignChannels();
    for (ImportNote &note : m_notes) {
        const PartInfo &part = m_parts[note.track - 1];
        if (note.source != kDrumChannel) {
            note.source = part.source;
        }
        const bool onGrid = note.on * result.scriptTicks % (unit * kGrid) == 0 &&
                            note.off * result.scriptTicks % (unit * kGrid) == 0;
        m_report.roundedNotes += !onGrid;
    }
    std::stable_sort(m_notes.begin(), m_notes.end(),
                     [](const ImportNote &a, const ImportNote &b) { return a.on < b.on; });
    result.notes = std::move(m_notes);

    // Tempos in the order they apply; none at all is 120 quarter notes a minute.
    std::stable_sort(m_tempos.begin(), m_tempos.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    if (m_tempos.empty()) {
        m_tempos.emplace_back(0, 120.0);
    }
    for (const auto &[at, quarters] : m_tempos) {
        const double perBeat = 60e6 / quarters * 4 / beatNote;
        result.tempos.emplace_back(
            at, static_cast<std::int64_t>(std::llround(std::clamp(perBeat, 1.0, double(1 << 30)))));
    }

    takeSong(result, beatNote);
    return result;
}

} // namespace tunelet::musicxml::detail
