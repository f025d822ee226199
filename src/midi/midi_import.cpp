// MIDI import: notes gathered by channel, timed on the script's grid, laid out on lines
// and written as tokens. Tunelet's own exports are read back exactly instead.
#include "midi/midi_import.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>

#include "export/token_composer.h"
#include "midi/import_tokens.h"

namespace tunelet::midi {

using detail::ImportedTrack;

namespace {

constexpr int kPercussionLine = 9; // channel 10: General MIDI's drums
constexpr int kStartVelocity = 80;
constexpr std::uint16_t kMaxTimeIncrement = 384;
constexpr std::int64_t kDefaultTempo = 500000; // microseconds a quarter note: 120 a minute
constexpr std::int64_t kScriptBeat = 48;       // script ticks of a quarter note
constexpr std::int64_t kMaxFileTicks = std::int64_t{1} << 53; // keeps the scaling exact

class TrackCollector : public SmfEventSink {
public:
    std::vector<ImportedTrack> tracks;
    void trackStart(int) override { tracks.emplace_back(); }
    void event(const SmfEvent &event) override { tracks.back().events.push_back(event); }
};

struct Note {
    std::int64_t on = 0;
    std::int64_t off = -1; // -1 until its note-off is found
    int key = 0;
    int velocity = 0;
};

// One MIDI channel of one port, with its notes and program changes in file ticks.
struct Source {
    std::vector<Note> notes;
    std::vector<std::pair<std::int64_t, int>> programs;
    std::array<std::deque<std::size_t>, 128> sounding; // notes waiting for their note-off
};

// File ticks to script ticks on the grid, rounded to the nearest step, each time on its
// own: so the rounding error never adds up and simultaneous notes stay simultaneous.
struct TimeScale {
    std::int64_t numerator = kScriptBeat;
    std::int64_t denominator = 48;
    std::int64_t operator()(std::int64_t tick) const {
        const std::int64_t step = 2 * denominator * kImportGrid;
        return (2 * tick * numerator + denominator * kImportGrid) / step * kImportGrid;
    }
};

class Gatherer {
public:
    explicit Gatherer(ImportReport &report) : m_report(report) {}

    void track(const ImportedTrack &track) {
        int port = 0; // a port event addresses channels beyond the first sixteen
        for (const SmfEvent &event : track.events) {
            if (event.status == 0xff && event.data1 == 0x21 && event.body.size() == 1) {
                port = static_cast<unsigned char>(event.body[0]);
            } else if (event.status == 0xff && event.data1 == 0x51) {
                tempos.emplace_back(event.tick,
                                    (static_cast<unsigned char>(event.body[0]) << 16) |
                                        (static_cast<unsigned char>(event.body[1]) << 8) |
                                        static_cast<unsigned char>(event.body[2]));
            } else if (event.status < 0xf0) {
                channelEvent(sources[{port, event.status & 0x0f}], event);
            } else if (event.status != 0xff) {
                ++m_report.droppedEvents; // SysEx
            }
        }
    }

    std::map<std::pair<int, int>, Source> sources;
    std::vector<std::pair<std::int64_t, std::int64_t>> tempos;

private:
    void channelEvent(Source &source, const SmfEvent &event) {
        const unsigned kind = event.status & 0xf0;
        if (kind == 0x90 && event.data2 > 0) {
            source.sounding[event.data1].push_back(source.notes.size());
            source.notes.push_back({event.tick, -1, event.data1, event.data2});
        } else if (kind == 0x80 || kind == 0x90) {
            auto &waiting = source.sounding[event.data1];
            if (!waiting.empty()) { // the earliest note of the key ends first
                source.notes[waiting.front()].off = event.tick;
                waiting.pop_front();
            }
        } else if (kind == 0xc0) {
            source.programs.emplace_back(event.tick, event.data1);
        } else {
            ++m_report.droppedEvents;
        }
    }

    ImportReport &m_report;
};

// A note without a note-off ends at the next onset of its channel, or at the file's end.
void endUnendedNotes(Source &source, std::int64_t fileEnd, ImportReport &report) {
    std::stable_sort(source.notes.begin(), source.notes.end(), [](const Note &a, const Note &b) {
        return a.on < b.on || (a.on == b.on && a.key > b.key); // the top voice first
    });
    for (auto it = source.notes.begin(); it != source.notes.end(); ++it) {
        if (it->off < 0) {
            const auto next =
                std::upper_bound(it, source.notes.end(), it->on,
                                 [](std::int64_t on, const Note &n) { return on < n.on; });
            it->off = std::max(it->on, next != source.notes.end() ? next->on : fileEnd);
            ++report.unendedNotes;
        }
    }
    std::stable_sort(source.programs.begin(), source.programs.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
}

// The time increment from the first tempo; later changes are counted as dropped.
void takeTempo(std::vector<std::pair<std::int64_t, std::int64_t>> tempos, ImportReport &report) {
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::int64_t inForce = 0;
    std::int64_t last = 0; // as the file has it: a repeat of it changes nothing
    for (const auto &[tick, tempo] : tempos) {
        if (inForce == 0 && tempo > 0) {
            inForce = last = tempo;
        } else if (tempo != last || tempo == 0) {
            ++report.droppedTempos; // a change, or a tempo of 0 that means nothing
            last = tempo;
        }
    }
    const std::int64_t tempo = inForce > 0 ? inForce : kDefaultTempo;
    // A quarter note is one 48-tick beat, which lasts 48 / increment quarter notes at 120.
    const std::int64_t increment = (kScriptBeat * kDefaultTempo + tempo / 2) / tempo;
    report.incrementLimited = increment < 1 || increment > kMaxTimeIncrement;
    report.timeIncrement =
        static_cast<std::uint16_t>(std::clamp<std::int64_t>(increment, 1, kMaxTimeIncrement));
}

struct PlacedNote {
    std::int64_t on; // script ticks on the grid
    std::int64_t off;
    const Note *note;
};

struct Line {
    const Source *owner = nullptr;
    std::vector<PlacedNote> notes;
};

class LineLayout {
public:
    LineLayout(const TimeScale &scale, ImportReport &report) : m_scale(scale), m_report(report) {}

    // Every channel keeps its own line where it can (channel 10 on line 10); notes that
    // overlap go to further lines, first fit. Answers false when the music is too long.
    bool place(const std::map<std::pair<int, int>, Source> &sources) {
        for (const auto &[id, source] : sources) {
            if (!source.notes.empty() && (id.first == 0 || !lines[id.second].owner)) {
                lines[id.second].owner = &source;
            }
        }
        for (const auto &[id, source] : sources) {
            for (const Note &note : source.notes) {
                if (!placeNote(source, id.second == kPercussionLine, note)) {
                    return false;
                }
            }
        }
        return true;
    }

    std::array<Line, kImportLines> lines;

private:
    bool placeNote(const Source &source, bool percussion, const Note &note) {
        PlacedNote placed{m_scale(note.on), m_scale(note.off), &note};
        if (placed.off > kMaxImportTicks) {
            return false;
        }
        if (placed.off == placed.on) {
            placed.off += kImportGrid;
            ++m_report.lengthenedNotes;
        }
        Line *free = nullptr;
        for (Line &line : lines) {
            const bool fits = line.notes.empty() || line.notes.back().off <= placed.on;
            if (line.owner == &source && fits) {
                free = &line;
                break;
            }
        }
        // Only line 10 plays drums, and drums only there.
        for (std::size_t i = 0; !free && !percussion && i < lines.size(); ++i) {
            if (!lines[i].owner && i != kPercussionLine) {
                free = &lines[i];
                free->owner = &source;
            }
        }
        if (free) {
            free->notes.push_back(placed);
        } else {
            ++m_report.droppedNotes;
        }
        return true;
    }

    const TimeScale &m_scale;
    ImportReport &m_report;
};

// One line's tokens: rests up to each note, its program and volume where they change.
std::string writeLine(const Line &line, int &velocity, ImportReport &report) {
    std::string text;
    std::int64_t time = 0;
    int program = -1;
    std::size_t nextProgram = 0;
    const auto &programs = line.owner->programs;
    for (const PlacedNote &placed : line.notes) {
        detail::appendRest(text, placed.on - time);
        while (nextProgram < programs.size() && programs[nextProgram].first <= placed.note->on) {
            ++nextProgram;
        }
        if (nextProgram > 0 && programs[nextProgram - 1].second != program) {
            program = programs[nextProgram - 1].second;
            text += composeProgram(program);
        }
        detail::appendVelocity(text, placed.note->velocity, velocity);
        if (detail::appendNote(text, placed.note->key, placed.off - placed.on) > 1) {
            ++report.splitNotes;
        }
        time = placed.off;
    }
    return text;
}

TimeScale timeScaleOf(std::uint16_t division, ImportReport &report) {
    if ((division & 0x8000) == 0) {
        return {kScriptBeat, division};
    }
    // Frames a second (29 stands for 29.97, close enough to 30) times ticks a frame; a
    // second is two quarter notes at 120 a minute.
    report.smpte = true;
    const int frames = -static_cast<signed char>(division >> 8);
    return {2 * kScriptBeat, std::int64_t{frames == 29 ? 30 : frames} * (division & 0xff)};
}

} // namespace

ImportResult importMidi(std::string_view bytes) {
    ImportResult result;
    ImportReport &report = result.report;
    TrackCollector collector;
    const SmfInfo info = readSmf(bytes, &collector);
    const TimeScale scale = timeScaleOf(info.division, report);
    if (!info.readable() || scale.denominator == 0) {
        result.failure = ImportFailure::NotMidi;
        return result;
    }
    if (auto own = detail::readOwnExport(collector.tracks, info.format, info.division, report)) {
        result.lines = std::move(*own);
        return result;
    }
    if (info.lengthTicks > kMaxFileTicks) {
        result.failure = ImportFailure::TooLong;
        return result;
    }
    Gatherer gatherer(report);
    for (const ImportedTrack &track : collector.tracks) {
        gatherer.track(track);
    }
    if (report.smpte) {
        report.timeIncrement = static_cast<std::uint16_t>(kScriptBeat);
    } else {
        takeTempo(gatherer.tempos, report);
    }
    bool anyNote = false;
    for (auto &[id, source] : gatherer.sources) {
        endUnendedNotes(source, info.lengthTicks, report);
        anyNote = anyNote || !source.notes.empty();
    }
    report.noNotes = !anyNote;
    LineLayout layout(scale, report);
    if (!layout.place(gatherer.sources)) {
        result.failure = ImportFailure::TooLong;
        return result;
    }
    std::size_t used = layout.lines.size();
    while (used > 0 && layout.lines[used - 1].notes.empty()) {
        --used;
    }
    int velocity = kStartVelocity;
    for (std::size_t i = 0; i < used; ++i) {
        const Line &line = layout.lines[i];
        result.lines.push_back(line.notes.empty() ? std::string()
                                                  : writeLine(line, velocity, report));
    }
    return result;
}

} // namespace tunelet::midi
