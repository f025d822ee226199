// MIDI import of the words. Lyric events are read as the MIDI Manufacturers' recommended
// practice writes them (a syllable per event, a space ending a word, a syllable without
// one going on in the next; a trailing '-' is read as a hyphen too). A karaoke file (.KAR)
// has '@' header lines among its text events (@K the kind, @L the language, @T the title
// and performer, @I information) and its syllables as the other text events of the tracks
// holding those headers, where a syllable starting with a space starts a word, '/' starts
// a new line and '\' a new paragraph.
#include "midi/import_lyrics.h"

#include <algorithm>
#include <map>
#include <span>
#include <string_view>

#include "export/token_timing.h"
#include "midi/midi_text.h"
#include "score/lyrics.h"

namespace tunelet::midi::detail {

namespace {

constexpr unsigned char kText = 0x01;
constexpr unsigned char kLyric = 0x05;

struct Sung {
    std::int64_t time = 0; // script ticks
    std::string text;
    bool startsWord = false; // a space or a line mark before it
    bool endsWord = false;   // a space or a line end after it
    bool hyphen = false;     // a '-' after it: its word goes on
    std::size_t track = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

// A syllable's text with its marks taken off; empty when it is marks only.
Sung syllableOf(std::string text, bool karaoke) {
    Sung sung;
    std::size_t begin = 0;
    while (begin < text.size() &&
           (isBlank(text[begin]) || text[begin] == '/' || (karaoke && text[begin] == '\\'))) {
        ++begin;
    }
    std::size_t end = text.size();
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    sung.startsWord = begin > 0;
    sung.endsWord = end < text.size();
    if (end - begin > 1 && text[end - 1] == '-') {
        sung.hyphen = true;
        --end;
    }
    sung.text = text.substr(begin, end - begin);
    return sung;
}

struct LineNotes {
    std::vector<std::int64_t> onsets;
    std::vector<bool> afterRest; // a rest (or the line's start) before the note
};

LineNotes notesOf(const std::string &line) {
    LineNotes notes;
    bool rest = true;
    for (const TimedToken &token : timeLine(line)) {
        if (token.note) {
            notes.onsets.push_back(token.onset);
            notes.afterRest.push_back(rest);
            rest = false;
        } else if (token.ticks > 0) {
            rest = true;
        }
    }
    return notes;
}

// The note a syllable at `time` falls on: the nearest onset within reach (of two as near,
// the later), or none.
std::optional<std::size_t> noteAtTime(const std::vector<std::int64_t> &onsets, std::int64_t time) {
    const auto later = std::lower_bound(onsets.begin(), onsets.end(), time);
    std::optional<std::size_t> best;
    std::int64_t distance = kSyllableReach + 1;
    if (later != onsets.end() && *later - time < distance) {
        best = std::size_t(later - onsets.begin());
        distance = *later - time;
    }
    if (later != onsets.begin() && time - *(later - 1) < distance) {
        best = std::size_t(later - onsets.begin()) - 1;
    }
    return best;
}

// The line whose notes the most of a track's syllables (sung) fall on (of equals, the first):
// among the lines holding the track's own notes, or, for a track of words only, among all
// lines but the drums.
std::optional<std::size_t> lineOf(std::size_t track, std::span<const Sung> sung,
                                  const std::vector<LineNotes> &notes,
                                  const std::vector<std::vector<std::size_t>> &lineTracks) {
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < notes.size() && i < lineTracks.size(); ++i) {
        if (std::find(lineTracks[i].begin(), lineTracks[i].end(), track) != lineTracks[i].end()) {
            candidates.push_back(i);
        }
    }
    if (candidates.empty()) {
        for (std::size_t i = 0; i < notes.size(); ++i) {
            if (i != kPercussionLine && !notes[i].onsets.empty()) {
                candidates.push_back(i);
            }
        }
    }
    std::optional<std::size_t> best;
    std::size_t bestCount = 0;
    for (const std::size_t i : candidates) {
        const std::size_t count =
            std::size_t(std::count_if(sung.begin(), sung.end(), [&](const Sung &s) {
                return noteAtTime(notes[i].onsets, s.time).has_value();
            }));
        if (!best || count > bestCount) {
            best = i;
            bestCount = count;
        }
    }
    return best;
}

// The syllables of one line's notes; a note without one holds the syllable before over
// it when it follows it without a rest (a melisma), and is skipped otherwise.
std::string wordsOf(const std::vector<const Sung *> &onNote, const LineNotes &notes,
                    const std::map<std::size_t, bool> &spaced) {
    std::vector<score::Syllable> syllables;
    bool holding = false;
    for (std::size_t n = 0; n < onNote.size(); ++n) {
        if (const Sung *sung = onNote[n]) {
            syllables.push_back({score::Syllable::Kind::Text, sung->text, false});
            holding = true;
        } else if (holding && !notes.afterRest[n]) {
            syllables.push_back({score::Syllable::Kind::Extend, {}, false});
        } else {
            syllables.push_back({score::Syllable::Kind::Skip, {}, false});
            holding = false;
        }
    }
    // A word goes on into the next syllable after a '-', or where a file that marks its
    // words' ends with spaces has none; never between Chinese characters.
    const Sung *before = nullptr;
    score::Syllable *last = nullptr;
    for (std::size_t n = 0; n < onNote.size(); ++n) {
        const Sung *sung = onNote[n];
        if (sung == nullptr) {
            continue;
        }
        if (before != nullptr && !score::endsWide(before->text) && !score::startsWide(sung->text)) {
            last->hyphenAfter = before->hyphen || (spaced.at(before->track) && !before->endsWord &&
                                                   !sung->startsWord);
        }
        before = sung;
        last = &syllables[n];
    }
    while (!syllables.empty() && syllables.back().kind == score::Syllable::Kind::Skip) {
        syllables.pop_back();
    }
    return score::joinSyllables(syllables);
}

// The events that carry the words: the lyric events where there are any; otherwise, in a
// karaoke file, the text events of the tracks that hold its '@' headers.
struct WordEvent {
    std::size_t track;
    std::int64_t tick;
    std::string_view body;
};

std::vector<WordEvent> wordEventsOf(const std::vector<ImportedTrack> &tracks, bool &lyrics) {
    lyrics = false;
    std::vector<bool> karaoke(tracks.size(), false);
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        for (const SmfEvent &e : tracks[t].events) {
            lyrics = lyrics || (e.status == 0xff && e.data1 == kLyric);
            karaoke[t] =
                karaoke[t] || (e.status == 0xff && e.data1 == kText && e.body.starts_with('@'));
        }
    }
    std::vector<WordEvent> events;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        for (const SmfEvent &e : tracks[t].events) {
            if (e.status == 0xff && (lyrics ? e.data1 == kLyric : karaoke[t] && e.data1 == kText)) {
                events.push_back({t, e.tick, e.body});
            }
        }
    }
    return events;
}

struct Syllables {
    std::vector<Sung> sung;
    std::map<std::size_t, bool> spaced; // by track: whether its words' ends are marked
};

// The syllables of the word events, decoded; a karaoke file's headers give the title.
Syllables syllablesOf(const std::vector<WordEvent> &events, bool lyrics,
                      const std::function<std::int64_t(std::int64_t)> &toScript,
                      ImportedWords &imported) {
    std::vector<std::string_view> texts;
    for (const WordEvent &e : events) {
        texts.push_back(e.body);
    }
    const MidiTextEncoding encoding = encodingOf(texts);
    Syllables read;
    for (const WordEvent &e : events) {
        imported.karaokeTexts += lyrics ? 0 : 1;
        if (!lyrics && e.body.starts_with('@')) {
            if (imported.title.empty() && e.body.starts_with("@T")) {
                imported.title = decodeMidiText(e.body.substr(2), encoding);
            }
            continue;
        }
        Sung s = syllableOf(decodeMidiText(e.body, encoding), !lyrics);
        read.spaced[e.track] = read.spaced[e.track] || s.startsWord || s.endsWord;
        if (!s.text.empty()) {
            s.time = toScript(e.tick);
            s.track = e.track;
            read.sung.push_back(std::move(s));
        }
    }
    return read;
}

} // namespace

ImportedWords importWords(const std::vector<ImportedTrack> &tracks,
                          const std::vector<std::string> &lines,
                          const std::vector<std::vector<std::size_t>> &lineTracks,
                          const std::function<std::int64_t(std::int64_t)> &toScript) {
    ImportedWords imported;
    imported.words.resize(lines.size());
    bool lyrics = false;
    const std::vector<WordEvent> events = wordEventsOf(tracks, lyrics);
    if (events.empty()) {
        return imported;
    }
    const Syllables read = syllablesOf(events, lyrics, toScript, imported);
    std::vector<LineNotes> notes;
    std::vector<std::vector<const Sung *>> onNotes;
    for (const std::string &line : lines) {
        notes.push_back(notesOf(line));
        onNotes.emplace_back(notes.back().onsets.size(), nullptr);
    }
    // The syllables come track by track: each track's go to one line.
    std::optional<std::size_t> line;
    for (auto at = read.sung.begin(); at != read.sung.end(); ++at) {
        const Sung &s = *at;
        if (at == read.sung.begin() || s.track != (at - 1)->track) {
            const auto end = std::find_if(at, read.sung.end(),
                                          [&](const Sung &t) { return t.track != s.track; });
            line = lineOf(s.track, std::span(at, end), notes, lineTracks);
        }
        const std::optional<std::size_t> note =
            line ? noteAtTime(notes[*line].onsets, s.time) : std::nullopt;
        if (!note || onNotes[*line][*note] != nullptr) {
            ++imported.unplaced; // on no note, or on a note that has its syllable
            continue;
        }
        onNotes[*line][*note] = &s;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (std::any_of(onNotes[i].begin(), onNotes[i].end(), [](auto *s) { return s; })) {
            imported.words[i] = wordsOf(onNotes[i], notes[i], read.spaced);
        }
    }
    return imported;
}

} // namespace tunelet::midi::detail
