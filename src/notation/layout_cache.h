// Numbered notation kept between edits: the score and its systems, redone only where the
// lines changed, so a key typed into one track of a long score costs what that key changed.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "notation/bar_layout.h"
#include "notation/layout_steps.h"
#include "notation/system_layout.h"

namespace tunelet::notation {

// Holds what buildScore and layoutSystems give for the latest lines, time signature,
// metrics and width, always equal to a fresh build of them. Between two calls it keeps,
// per track, the line it read; per bar, its columns; per system, the parts playing in it
// and the lines of marks it needs. An edit rereads only the tracks whose line (or volume
// carried in) differs, cuts into bars only that track from the bar of its first changed
// note to its end, and places only the systems that hold a changed bar or whose bars,
// stretch or shown parts differ; the others are kept as they were.
//
// score() and layout() are the same objects for the cache's whole life, changed in place.
class LayoutCache {
public:
    // A score built elsewhere; nothing of before is kept.
    void setScore(Score score);
    // The score of these lines (the volume in force carried from track to track).
    // tonic: the key's, as buildScore takes it; the part names go with the score, and so
    // do the words (by track, then verse), as setWords gives them.
    void update(const std::vector<std::string> &lines, TimeSignature time, int editedPart,
                int tonic = 0, const std::vector<std::string> &partNames = {},
                const std::vector<std::vector<std::string>> &words = {});
    // The systems of the score at this width. The metrics' mark widths are taken to
    // measure as before while the other sizes stay the same.
    void layOut(const Metrics &metrics, double width);

    const Score &score() const { return m_score; }
    const Layout &layout() const { return m_layout; }
    // Per part, the instruments the track has in force at its start and at any note.
    const std::vector<std::vector<int>> &programs() const { return m_programs; }

private:
    void rebuild(const std::vector<std::string> &lines, TimeSignature time, int editedPart,
                 int tonic);
    std::pair<std::size_t, std::size_t> reread(std::size_t part, const std::string &line,
                                               int volume);
    void rebuildBars(std::size_t part, std::size_t first, std::size_t end);
    void countUnderlines(std::size_t part, std::size_t first, std::size_t end, int sign);
    void markChanged(std::size_t first, std::size_t end);
    void updateWords(const std::vector<std::vector<std::string>> &words,
                     const std::vector<bool> &notesChanged);
    bool changedAround(std::size_t first, std::size_t end) const;
    bool sameSizes(const Metrics &metrics, double width) const;

    // Per system, what deciding whether to keep it needs.
    struct SystemState {
        std::vector<bool> playing;
        std::vector<int> markLines;
        double stretch = 1;
    };

    Score m_score;
    Layout m_layout;
    std::vector<std::vector<int>> m_programs;
    // Per part, the room its events need, and how many of its glyphs have 0..3
    // underlines: its row's extent without going through the whole part.
    std::vector<RowExtent> m_eventExtents;
    std::vector<std::array<std::size_t, 5>> m_underlines;
    std::vector<std::string> m_lines; // the lines m_score was read from
    bool m_linesKnown = false;        // false after setScore
    int m_length = 0;                 // the longest track's ticks
    // Since the last layOut: bars whose content changed, per part the tick from which its
    // notes did (none: the largest int), or all.
    std::vector<bool> m_changedBars;
    std::vector<int> m_changedFrom;
    bool m_allChanged = true;
    // The last layOut's inputs and its per-bar and per-system results.
    Metrics m_metrics;
    double m_width = -1;
    std::vector<detail::BarColumns> m_columns;
    std::vector<SystemState> m_systems;
    // What every system's rows were placed with.
    std::vector<bool> m_inScore;
    int m_editedPart = -1;
    std::vector<int> m_markLines;
    std::vector<RowExtent> m_rows;
    std::vector<std::size_t> m_verses;             // per part, its lines of words
    std::vector<std::vector<std::string>> m_words; // the words m_score.words were given
};

} // namespace tunelet::notation
