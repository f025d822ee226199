// Numbered notation kept between edits: the score and its systems, redone only where the
// lines changed.
#include "notation/layout_cache.h"

#include "notation/words_layout.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tunelet::notation {

namespace {

constexpr int kUnchanged = std::numeric_limits<int>::max();

int longestTrack(const Score &score) {
    int length = 0;
    for (const Track &track : score.tracks) {
        length = std::max(length, track.length);
    }
    return length;
}

} // namespace

void LayoutCache::setScore(Score score) {
    m_score = std::move(score);
    m_lines.clear();
    m_linesKnown = false;
    m_length = longestTrack(m_score);
    m_programs.clear();
    m_eventExtents.clear();
    m_underlines.assign(m_score.tracks.size(), {});
    for (std::size_t part = 0; part < m_score.tracks.size(); ++part) {
        m_programs.push_back(programsUsed(m_score.tracks[part]));
        m_eventExtents.push_back(detail::eventExtent(m_score.tracks[part], 0, {}, m_score.tonic));
        countUnderlines(part, 0, m_score.bars.size(), 1);
    }
    m_allChanged = true;
}

void LayoutCache::rebuild(const std::vector<std::string> &lines, TimeSignature time, int editedPart,
                          int tonic) {
    // What is dropped goes first, so the new score reuses its memory.
    m_score = Score{};
    m_layout.systems.clear();
    setScore(buildScore(lines, time, editedPart, tonic));
    m_lines = lines;
    m_linesKnown = true;
}

void LayoutCache::update(const std::vector<std::string> &lines, TimeSignature time, int editedPart,
                         int tonic, const std::vector<std::string> &partNames,
                         const std::vector<std::vector<std::string>> &words) {
    if (!m_linesKnown || !(time == m_score.time) || tonic != m_score.tonic ||
        lines.size() != m_lines.size()) {
        rebuild(lines, time, editedPart, tonic);
        m_score.partNames = partNames;
        setWords(m_score, words);
        m_words = words;
        return;
    }
    m_score.partNames = partNames;
    m_score.editedPart = editedPart;
    m_changedFrom.resize(lines.size(), kUnchanged);
    const auto barOf = [&time](int tick) { return static_cast<std::size_t>(time.barAt(tick)); };
    // Per part, the bars to cut anew: from the bar of its first changed note to the bar
    // where the longer of its old and new tracks ends (after it, both only rest).
    std::vector<std::pair<std::size_t, std::size_t>> redo(lines.size(), {0, 0});
    std::vector<bool> notesChanged(lines.size(), false);
    int volume = 80;
    for (std::size_t part = 0; part < lines.size(); ++part) {
        const Track &track = m_score.tracks[part];
        if (lines[part] != m_lines[part] || volume != track.volumeAtStart) {
            redo[part] = this->reread(part, lines[part], volume);
            // Syllables go to notes: the same notes keep theirs.
            notesChanged[part] = redo[part].first < redo[part].second;
        }
        volume = track.volumeAtEnd;
    }
    const int length = longestTrack(m_score);
    const auto barCount = static_cast<std::size_t>(length > 0 ? time.barAt(length - 1) + 1 : 0);
    if (length != m_length) {
        // The rests after each track's end reach to the new end; those of the bar before
        // the old end may have stopped short of it.
        const std::size_t from = barOf(std::min(length, m_length));
        const std::size_t first = from > 0 ? from - 1 : 0;
        const std::size_t before = m_score.bars.size();
        for (std::size_t part = 0; part < lines.size(); ++part) {
            countUnderlines(part, std::min(barCount, before), before, -1);
        }
        m_score.bars.resize(barCount);
        for (std::size_t b = before; b < barCount; ++b) {
            Bar &bar = m_score.bars[b];
            bar.number = time.pickup > 0 ? static_cast<int>(b) : static_cast<int>(b) + 1;
            bar.onset = time.barStart(static_cast<int>(b));
            bar.length = time.barStart(static_cast<int>(b) + 1) - bar.onset;
            bar.parts.resize(lines.size());
        }
        for (auto &range : redo) {
            range = {range.first < range.second ? std::min(range.first, first) : first, barCount};
        }
        m_length = length;
    }
    m_changedBars.resize(barCount, true);
    for (std::size_t part = 0; part < redo.size(); ++part) {
        const std::size_t end = std::min(redo[part].second, barCount);
        if (redo[part].first < end) {
            rebuildBars(part, redo[part].first, end);
            RowExtent &row = m_score.rows[part];
            row = m_eventExtents[part];
            const std::array<std::size_t, 5> &counts = m_underlines[part];
            for (int level = 1; level < static_cast<int>(counts.size()); ++level) {
                if (counts[static_cast<std::size_t>(level)] > 0) {
                    row.underlines = level;
                }
            }
        }
    }
    updateWords(words, notesChanged);
}

// The words of the parts whose notes or words changed, given again; the bars of the notes
// whose syllables differ are laid out again.
void LayoutCache::updateWords(const std::vector<std::vector<std::string>> &words,
                              const std::vector<bool> &notesChanged) {
    static const std::vector<std::string> kNoVerses;
    const auto versesOf = [](const std::vector<std::vector<std::string>> &all,
                             std::size_t part) -> const std::vector<std::string> & {
        return part < all.size() ? all[part] : kNoVerses;
    };
    const std::size_t parts = m_score.tracks.size();
    // setWords' rule: a score without any words has none for any part.
    const bool any = std::any_of(words.begin(), words.end(), [](const auto &verses) {
        return std::any_of(verses.begin(), verses.end(),
                           [](const std::string &verse) { return !verse.empty(); });
    });
    std::vector<PartWords> now(any ? parts : 0);
    std::vector<PartWords> &before = m_score.words;
    for (std::size_t part = 0; part < parts; ++part) {
        const bool same = !notesChanged[part] && versesOf(words, part) == versesOf(m_words, part);
        if (any && same && part < before.size()) {
            now[part] = std::move(before[part]);
            continue;
        }
        if (any) {
            now[part] = partWords(m_score.tracks[part], versesOf(words, part));
        }
        if (same) {
            continue; // no words before and none now
        }
        const PartWords none;
        const PartWords &old = part < before.size() ? before[part] : none;
        const PartWords &given = any ? now[part] : none;
        // The events whose syllable differs in some verse: only their bars need room anew
        // (a hyphen or a melisma line reaching into them is placed with their system).
        const std::vector<TimedEvent> &events = m_score.tracks[part].events;
        std::size_t first = events.size();
        std::size_t last = 0;
        for (std::size_t v = 0; v < std::max(old.verses.size(), given.verses.size()); ++v) {
            static const std::vector<score::NoteSyllable> kNone;
            const auto &a = v < old.verses.size() ? old.verses[v] : kNone;
            const auto &b = v < given.verses.size() ? given.verses[v] : kNone;
            const score::NoteSyllable blank;
            for (std::size_t e = 0; e < events.size(); ++e) {
                if ((e < a.size() ? a[e] : blank) != (e < b.size() ? b[e] : blank)) {
                    first = std::min(first, e);
                    last = std::max(last, e);
                }
            }
        }
        if (first < events.size()) {
            const auto from = static_cast<std::size_t>(m_score.time.barAt(events[first].onset));
            const auto to = static_cast<std::size_t>(m_score.time.barAt(events[last].onset));
            for (std::size_t b = from; b <= to && b < m_changedBars.size(); ++b) {
                m_changedBars[b] = true;
            }
        }
    }
    m_score.words = std::move(now);
    if (m_words != words) {
        m_words = words;
    }
}

// Reads the part's line again; answers the bars where its notes changed (none: {0, 0}).
std::pair<std::size_t, std::size_t> LayoutCache::reread(std::size_t part, const std::string &line,
                                                        int volume) {
    Track &track = m_score.tracks[part];
    const std::size_t oldCount = track.events.size();
    const int oldLength = track.length;
    // The old events from `kept` on, and how many of the new ones match them.
    std::vector<TimedEvent> dropped;
    std::size_t kept = 0;
    std::size_t same = 0;
    if (volume == track.volumeAtStart) {
        const std::string &old = m_lines[part];
        const auto unchanged = static_cast<std::size_t>(
            std::mismatch(line.begin(), line.end(), old.begin(), old.end()).first - line.begin());
        dropped = rereadTrack(track, line, unchanged);
        kept = oldCount - dropped.size();
        same = kept +
               static_cast<std::size_t>(
                   std::mismatch(dropped.begin(), dropped.end(),
                                 track.events.begin() + static_cast<long>(kept), track.events.end())
                       .first -
                   dropped.begin());
    } else {
        // The first note's marks are shown against the volume carried in: all is new.
        dropped = std::move(track.events);
        track = readTrack(line, volume);
    }
    m_lines[part] = line;
    m_programs[part] = programsUsed(track);
    if (same == oldCount && same == track.events.size()) {
        return {0, 0};
    }
    // Notes added after the others add their room; any other change counts it again.
    const int tonic = m_score.tonic;
    m_eventExtents[part] = same == oldCount
                               ? detail::eventExtent(track, same, m_eventExtents[part], tonic)
                               : detail::eventExtent(track, 0, {}, tonic);
    const auto barOf = [this](int tick) {
        return static_cast<std::size_t>(m_score.time.barAt(tick));
    };
    const int from = same < oldCount ? dropped[same - kept].onset : oldLength;
    m_changedFrom[part] = std::min(m_changedFrom[part], from);
    return {barOf(from), barOf(std::max(oldLength, track.length)) + 1};
}

// The part's glyphs and beams in bars first..end, made again from its track.
void LayoutCache::rebuildBars(std::size_t part, std::size_t first, std::size_t end) {
    const TimeSignature &time = m_score.time;
    countUnderlines(part, first, end, -1);
    for (std::size_t b = first; b < end; ++b) {
        PartBar &bar = m_score.bars[b].parts[part];
        bar.glyphs.clear();
        bar.beams.clear();
    }
    const std::vector<TimedEvent> &events = m_score.tracks[part].events;
    const int from = time.barStart(static_cast<int>(first));
    const int to = time.barStart(static_cast<int>(end));
    // The first event that reaches into bar `first` (a note may come tied over its line).
    auto event = std::partition_point(events.begin(), events.end(), [from](const TimedEvent &e) {
        return e.onset + e.length <= from;
    });
    for (; event != events.end() && event->onset < to; ++event) {
        detail::appendGlyphs(m_score, part, static_cast<std::size_t>(event - events.begin()), first,
                             end);
    }
    detail::appendFillerRests(m_score, part, m_length, first, end);
    countUnderlines(part, first, end, 1);
    for (std::size_t b = first; b < end; ++b) {
        Bar &bar = m_score.bars[b];
        detail::addBeams(bar.parts[part], time.barOrigin(bar.onset), time);
        m_changedBars[b] = true;
    }
}

// Adds (sign 1) or takes away (-1) the underlines of the part's glyphs in bars first..end.
void LayoutCache::countUnderlines(std::size_t part, std::size_t first, std::size_t end, int sign) {
    for (std::size_t b = first; b < end; ++b) {
        for (const Glyph &glyph : m_score.bars[b].parts[part].glyphs) {
            std::size_t &count = m_underlines[part][static_cast<std::size_t>(glyph.underlines)];
            count = sign > 0 ? count + 1 : count - 1;
        }
    }
}

bool LayoutCache::sameSizes(const Metrics &metrics, double width) const {
    const Metrics &m = m_metrics;
    return width == m_width && metrics.cell == m.cell && metrics.shortCell == m.shortCell &&
           metrics.dotRoom == m.dotRoom && metrics.barPad == m.barPad && metrics.label == m.label &&
           metrics.barNumber == m.barNumber && metrics.markHeight == m.markHeight &&
           metrics.digitHeight == m.digitHeight && metrics.dotStep == m.dotStep &&
           metrics.lineStep == m.lineStep && metrics.partGap == m.partGap &&
           metrics.systemGap == m.systemGap && metrics.verseHeight == m.verseHeight &&
           metrics.syllableGap == m.syllableGap && bool(metrics.markWidth) == bool(m.markWidth) &&
           bool(metrics.syllableWidth) == bool(m.syllableWidth);
}

// Whether bars first..end, or the one before them (whose tie may come in), changed.
bool LayoutCache::changedAround(std::size_t first, std::size_t end) const {
    for (std::size_t b = first > 0 ? first - 1 : 0; b < end; ++b) {
        if (m_changedBars[b]) {
            return true;
        }
    }
    return false;
}

void LayoutCache::layOut(const Metrics &metrics, double width) {
    const Score &score = m_score;
    const std::size_t barCount = score.bars.size();
    const std::size_t parts = score.tracks.size();
    if (!sameSizes(metrics, width)) {
        m_allChanged = true;
        m_metrics = metrics;
        m_width = width;
    }
    if (m_allChanged) {
        m_changedBars.assign(barCount, true);
        m_changedFrom.assign(parts, 0);
        m_layout.systems.clear();
    }
    m_columns.resize(barCount);
    for (std::size_t b = 0; b < barCount; ++b) {
        if (m_changedBars[b]) {
            m_columns[b] = detail::barColumns(score, b, metrics);
        }
    }
    const double room = detail::systemRoom(metrics, width);
    const std::vector<std::size_t> ends = detail::balancedBreaks(m_columns, room);
    std::vector<System> before = std::move(m_layout.systems);
    std::vector<SystemState> statesBefore = std::move(m_systems);
    m_layout.systems.clear();
    m_systems.clear();

    // A system of before may stay when it has the same bars and none of them changed;
    // per new system, which one, and the parts playing in it.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> kept(ends.size(), kNone);
    std::vector<std::vector<bool>> playing(ends.size());
    std::vector<bool> anyPlaying(parts, false);
    std::size_t first = 0;
    std::size_t old = 0;
    for (std::size_t s = 0; s < ends.size(); ++s) {
        while (old < before.size() && before[old].firstBar < first) {
            ++old;
        }
        if (old < before.size() && before[old].firstBar == first && before[old].endBar == ends[s] &&
            before[old].last == (ends[s] == barCount) && !changedAround(first, ends[s])) {
            kept[s] = old;
            playing[s] = std::move(statesBefore[old].playing);
        } else {
            playing[s] = detail::playingParts(score, first, ends[s]);
        }
        for (std::size_t part = 0; part < parts; ++part) {
            anyPlaying[part] = anyPlaying[part] || playing[s][part];
        }
        first = ends[s];
    }
    const std::vector<bool> inScore =
        detail::shownParts(score, anyPlaying, std::vector<bool>(parts, true));
    // A kept system shows the parts it showed unless the parts of the score or the part
    // being composed changed.
    const bool sameParts = inScore == m_inScore && score.editedPart == m_editedPart;
    std::vector<bool> rowsKept(ends.size(), false);
    // The systems of before that no new one keeps: their memory serves the new ones.
    std::vector<bool> wanted(before.size(), false);
    for (const std::size_t old : kept) {
        if (old != kNone) {
            wanted[old] = true;
        }
    }
    std::vector<std::size_t> spare;
    for (std::size_t old = 0; old < before.size(); ++old) {
        if (!wanted[old]) {
            spare.push_back(old);
        }
    }
    m_layout.systems.reserve(ends.size());
    m_systems.reserve(ends.size());

    std::vector<int> markLines(parts, 0);
    double stretch = 1.0;
    first = 0;
    for (std::size_t s = 0; s < ends.size(); ++s) {
        const std::size_t end = ends[s];
        stretch = detail::systemStretch(m_columns, first, end, end == barCount, room, stretch);
        SystemState state;
        System *keep = kept[s] != kNone && statesBefore[kept[s]].stretch == stretch
                           ? &before[kept[s]]
                           : nullptr;
        std::vector<bool> shown;
        if (keep == nullptr || !sameParts) {
            shown = detail::shownParts(score, playing[s], inScore);
        }
        for (std::size_t part = 0; keep != nullptr && !sameParts && part < parts; ++part) {
            if (keep->rows[part].shown != shown[part]) {
                keep = nullptr;
            }
        }
        if (keep != nullptr) {
            rowsKept[s] = true;
            // Its bars are as they were; the instrument at its start may not be.
            for (std::size_t part = 0; part < parts; ++part) {
                if (score.bars[first].onset >= m_changedFrom[part]) {
                    keep->rows[part].program =
                        programAt(score.tracks[part], score.bars[first].onset);
                }
            }
            state.markLines = std::move(statesBefore[kept[s]].markLines);
            m_layout.systems.push_back(std::move(*keep));
        } else {
            if (shown.empty()) {
                shown = detail::shownParts(score, playing[s], inScore);
            }
            if (kept[s] != kNone) {
                spare.push_back(kept[s]);
            }
            System recycled;
            if (!spare.empty()) {
                recycled = std::move(before[spare.back()]);
                spare.pop_back();
            }
            state.markLines.assign(parts, 0);
            m_layout.systems.push_back(detail::placeSystem(score, m_columns, metrics, first, end,
                                                           shown, stretch, state.markLines,
                                                           std::move(recycled)));
        }
        for (std::size_t part = 0; part < parts; ++part) {
            markLines[part] = std::max(markLines[part], state.markLines[part]);
        }
        state.playing = std::move(playing[s]);
        state.stretch = stretch;
        m_systems.push_back(std::move(state));
        first = end;
    }
    // Kept systems keep their rows unless some part's row changed its height.
    std::vector<std::size_t> verses(parts);
    for (std::size_t part = 0; part < parts; ++part) {
        verses[part] = verseCount(score, part);
    }
    if (markLines != m_markLines || score.rows != m_rows || verses != m_verses) {
        rowsKept.clear();
    }
    detail::stackSystems(m_layout, markLines, score, metrics, rowsKept);
    m_inScore = inScore;
    m_editedPart = score.editedPart;
    m_markLines = std::move(markLines);
    m_rows = score.rows;
    m_verses = std::move(verses);
    m_changedBars.assign(barCount, false);
    m_changedFrom.assign(parts, kUnchanged);
    m_allChanged = false;
}

} // namespace tunelet::notation
