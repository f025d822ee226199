// Numbered notation: the words under a part's notes, placed and given their room.
#include "notation/words_layout.h"

#include <algorithm>
#include <optional>

namespace tunelet::notation {

VerseOnTrack placeVerse(const Track &track, std::string_view verse) {
    std::size_t notes = 0;
    for (const TimedEvent &event : track.events) {
        notes += event.degree != 0 ? 1 : 0;
    }
    score::PlacedSyllables placed = score::placeSyllables(score::splitSyllables(verse), notes);
    VerseOnTrack result;
    result.unplaced = placed.unplaced;
    result.events.resize(track.events.size());
    std::size_t note = 0;
    std::size_t last = track.events.size(); // the last event with a syllable
    for (std::size_t e = 0; e < track.events.size(); ++e) {
        if (track.events[e].degree != 0) {
            result.events[e] = std::move(placed.notes[note++]);
            last = result.events[e].text.empty() ? last : e;
        }
    }
    // A word whose next syllable found no note ends without a hyphen pointing at nothing.
    if (last < result.events.size()) {
        result.events[last].hyphenAfter = false;
    }
    return result;
}

PartWords partWords(const Track &track, const std::vector<std::string> &verses) {
    std::size_t count = verses.size();
    while (count > 0 && verses[count - 1].empty()) {
        --count;
    }
    PartWords words;
    for (std::size_t v = 0; v < count; ++v) {
        words.verses.push_back(placeVerse(track, verses[v]).events);
    }
    return words;
}

void setWords(Score &score, const std::vector<std::vector<std::string>> &words) {
    score.words.clear();
    const bool any = std::any_of(words.begin(), words.end(), [](const auto &verses) {
        return std::any_of(verses.begin(), verses.end(),
                           [](const std::string &verse) { return !verse.empty(); });
    });
    if (!any) {
        return;
    }
    for (std::size_t part = 0; part < score.tracks.size(); ++part) {
        score.words.push_back(partWords(
            score.tracks[part], part < words.size() ? words[part] : std::vector<std::string>{}));
    }
}

std::size_t verseCount(const Score &score, std::size_t part) {
    return part < score.words.size() ? score.words[part].verses.size() : 0;
}

namespace {

double syllableWidth(const Metrics &metrics, const std::string &text) {
    if (metrics.syllableWidth) {
        return metrics.syllableWidth(text);
    }
    // A rough guess: a cell for each letter (UTF-8 lead byte).
    const auto letters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return static_cast<double>(letters) * metrics.cell * 0.8;
}

// Moves every moment of the bar from `time` on right by `by`.
void shiftFrom(detail::BarColumns &columns, int time, double by) {
    for (std::size_t i = 0; i < columns.times.size(); ++i) {
        if (columns.times[i] >= time) {
            columns.x[i] += by;
        }
    }
    columns.width += by;
}

} // namespace

namespace detail {

BarColumns barColumns(const Score &score, std::size_t b, const Metrics &metrics) {
    const Bar &bar = score.bars[b];
    BarColumns columns = columnsOf(bar, score.time.quarterTicks(), metrics);
    const double centre = metrics.shortCell / 2;
    const double gap = metrics.syllableGap;
    for (std::size_t part = 0; part < score.words.size() && part < bar.parts.size(); ++part) {
        for (const std::vector<score::NoteSyllable> &verse : score.words[part].verses) {
            // Half a gap on either side of a bar line: bars side by side keep a whole one.
            double free = gap / 2;
            bool any = false;
            for (const Glyph &glyph : bar.parts[part].glyphs) {
                if (!glyph.firstOfEvent || glyph.event >= verse.size() ||
                    verse[glyph.event].text.empty()) {
                    continue;
                }
                const score::NoteSyllable &syllable = verse[glyph.event];
                const double half = syllableWidth(metrics, syllable.text) / 2;
                const double left = columns.at(glyph.onset) + centre - half;
                if (left < free) {
                    shiftFrom(columns, glyph.onset, free - left);
                }
                // A hyphen needs its own room between the two syllables.
                free = columns.at(glyph.onset) + centre + half +
                       (syllable.hyphenAfter ? 2 * gap : gap);
                any = true;
            }
            if (any) {
                columns.width = std::max(columns.width, free - gap / 2);
            }
        }
    }
    return columns;
}

void placeSyllables(System &system, const Score &score, const Metrics &metrics) {
    system.syllables.clear();
    for (std::size_t part = 0; part < score.words.size() && part < system.rows.size(); ++part) {
        if (!system.rows[part].shown) {
            continue;
        }
        const std::vector<std::vector<score::NoteSyllable>> &verses = score.words[part].verses;
        for (std::size_t v = 0; v < verses.size(); ++v) {
            // The syllable sung last, in this system: a hyphen or a melisma goes on from it.
            std::optional<std::size_t> open;
            bool hyphen = false;
            for (const PlacedGlyph &placed : system.glyphs) {
                const Glyph &glyph = score.bars[placed.bar].parts[placed.part].glyphs[placed.index];
                if (placed.part != part || !glyph.firstOfEvent || glyph.event >= verses[v].size()) {
                    continue;
                }
                const score::NoteSyllable &syllable = verses[v][glyph.event];
                if (!syllable.text.empty()) {
                    PlacedSyllable next;
                    next.part = part;
                    next.verse = v;
                    next.event = next.lastEvent = glyph.event;
                    next.text = syllable.text;
                    next.x = placed.x + metrics.shortCell / 2;
                    next.width = syllableWidth(metrics, syllable.text);
                    if (open && hyphen) {
                        system.syllables[*open].hyphenTo = next.x - next.width / 2;
                    }
                    // Till the next syllable comes, the hyphen runs to the system's end.
                    hyphen = syllable.hyphenAfter;
                    next.hyphenTo = hyphen ? system.barLines.back() : -1;
                    open = system.syllables.size();
                    system.syllables.push_back(std::move(next));
                } else if (syllable.extends) {
                    if (!open) {
                        // Held from the system before: the line comes in from the start.
                        PlacedSyllable line;
                        line.part = part;
                        line.verse = v;
                        line.event = glyph.event;
                        line.x = system.barLines.front();
                        open = system.syllables.size();
                        system.syllables.push_back(std::move(line));
                    }
                    PlacedSyllable &held = system.syllables[*open];
                    held.lineTo = placed.x + metrics.shortCell;
                    held.lastEvent = glyph.event;
                }
            }
        }
    }
}

} // namespace detail

} // namespace tunelet::notation
