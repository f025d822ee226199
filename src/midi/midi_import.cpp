// MIDI import: the events of all tracks taken in the order they sound (the events of one
// tick in the file's order), notes paired with their releases, timed on the script's grid,
// laid out on lines over time and written as tokens. Tunelet's own exports are read back
// as they were written instead.
#include "midi/midi_import.h"

#include <algorithm>
#include <array>
#include <map>
#include <queue>

#include "export/token_composer.h"
#include "midi/import_song.h"
#include "midi/import_tokens.h"
#include "midi/song_meta.h"

namespace tunelet::midi {

using detail::ImportedTrack;

namespace {

constexpr int kStartVelocity = 80;
constexpr std::uint16_t kMaxTimeIncrement = 384;
constexpr std::int64_t kDefaultTempo = 500000; // microseconds a quarter note: 120 a minute
constexpr std::int64_t kScriptBeat = 48;       // script ticks of a quarter note
constexpr std::int64_t kMaxFileTicks = std::int64_t{1} << 53; // keeps the scaling exact
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

class TrackCollector : public SmfEventSink {
public:
    std::vector<ImportedTrack> tracks;
    void trackStart(int) override { tracks.emplace_back(); }
    void event(const SmfEvent &event) override { tracks.back().events.push_back(event); }
};

using Note = ImportNote;

bool isDrum(int source) {
    return source % 16 == kPercussionLine;
}

// The line a channel's notes go to first: channel n of the first port on line n.
int homeLine(int source) {
    return source < 16 && !isDrum(source) ? source : -1;
}

struct ChannelState {
    int program = -1;
    std::array<std::size_t, 128> sounding; // each key's sounding note, or kNone
    ChannelState() { sounding.fill(kNone); }
};

// Every note of the file in the order it was struck, with the program in force then, and
// the tempo events in the order they apply.
class Gatherer {
public:
    explicit Gatherer(ImportReport &report) : m_report(report) {}

    // Tracks are merged by time; events of one tick come in track order, then in the
    // order of their track, as a player meets them.
    void gather(const std::vector<ImportedTrack> &tracks) {
        using Cursor = std::pair<std::int64_t, std::size_t>; // time of next event, track
        std::priority_queue<Cursor, std::vector<Cursor>, std::greater<>> next;
        std::vector<std::size_t> at(tracks.size(), 0);
        std::vector<int> ports(tracks.size(), 0); // a port event addresses further channels
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            if (!tracks[t].events.empty()) {
                next.emplace(tracks[t].events.front().tick, t);
            }
        }
        while (!next.empty()) {
            const auto [tick, t] = next.top();
            next.pop();
            const auto &events = tracks[t].events;
            for (; at[t] < events.size() && events[at[t]].tick == tick; ++at[t]) {
                m_track = t;
                event(events[at[t]], ports[t]);
            }
            if (at[t] < events.size()) {
                next.emplace(events[at[t]].tick, t);
            }
        }
    }

    std::vector<Note> notes;
    std::vector<std::pair<std::int64_t, std::int64_t>> tempos; // time, microseconds

private:
    void event(const SmfEvent &event, int &port) {
        if (event.status < 0xf0) {
            const int source = 16 * port + (event.status & 0x0f);
            if (source != m_lastSource) { // most events address the channel of the last
                m_last = &m_channels[source];
                m_lastSource = source;
            }
            channelEvent(*m_last, source, event);
        } else if (event.status == 0xff) {
            metaEvent(event, port);
        } else {
            ++m_report.droppedEvents; // SysEx
        }
    }

    void metaEvent(const SmfEvent &event, int &port) {
        switch (event.data1) {
        case 0x2f: // end of track
            break;
        case 0x21:
            if (event.body.size() == 1) {
                port = static_cast<unsigned char>(event.body[0]);
            }
            break;
        case 0x51:
            tempos.emplace_back(event.tick, (static_cast<unsigned char>(event.body[0]) << 16) |
                                                (static_cast<unsigned char>(event.body[1]) << 8) |
                                                static_cast<unsigned char>(event.body[2]));
            break;
        case 0x05: // lyrics: read with the words
            break;
        case 0x06: // marker
        case 0x07: // cue point
            ++m_report.markers;
            break;
        case 0x58: // time and key signatures: the first is the song's, later changes are
        case 0x59: // counted with the song's properties
            break;
        default:
            // Text, copyright, track and instrument names, and the further text kinds.
            ++(event.data1 >= 0x01 && event.data1 <= 0x0f ? m_report.texts : m_report.otherMeta);
        }
    }

    void channelEvent(ChannelState &channel, int source, const SmfEvent &event) {
        const unsigned kind = event.status & 0xf0;
        std::size_t &sounding = channel.sounding[event.data1];
        if (kind == 0x90 && event.data2 > 0) {
            if (sounding != kNone && notes[sounding].on == event.tick) {
                // Struck twice at once: one note sounds, with the later strike's values.
                notes[sounding].velocity = event.data2;
                notes[sounding].program = channel.program;
                ++m_report.doubledNotes;
                return;
            }
            if (sounding != kNone) {
                // A synthesiser ends a key's note when the key is struck again.
                notes[sounding].off = event.tick;
                ++m_report.restruckNotes;
            }
            sounding = notes.size();
            notes.push_back(
                {event.tick, -1, source, event.data1, event.data2, channel.program, m_track});
        } else if (kind == 0x80 || kind == 0x90) {
            if (sounding != kNone) {
                notes[sounding].off = event.tick;
                sounding = kNone;
            }
        } else if (kind == 0xc0) {
            channel.program = event.data1;
        } else {
            ++m_report.droppedEvents;
        }
    }

    ImportReport &m_report;
    std::map<int, ChannelState> m_channels;
    int m_lastSource = -1;
    ChannelState *m_last = nullptr;
    std::size_t m_track = 0;
};

// A note without a release ends where the next note of its channel starts, or at the
// file's end.
void endUnendedNotes(std::vector<Note> &notes, std::int64_t fileEnd, ImportReport &report) {
    if (std::none_of(notes.begin(), notes.end(), [](const Note &n) { return n.off < 0; })) {
        return;
    }
    std::map<int, std::vector<std::size_t>> waiting; // unended notes of each channel
    for (std::size_t i = 0; i < notes.size(); ++i) {
        auto &open = waiting[notes[i].source];
        std::erase_if(open, [&](std::size_t w) {
            if (notes[w].on < notes[i].on) {
                notes[w].off = notes[i].on;
                return true;
            }
            return false;
        });
        if (notes[i].off < 0) {
            open.push_back(i);
            ++report.unendedNotes;
        }
    }
    for (auto &[source, open] : waiting) {
        for (const std::size_t w : open) {
            notes[w].off = std::max(notes[w].on, fileEnd);
        }
    }
}

// The tempo the music is taken at: the one in force when it starts or, where it changes
// during the music, the one that holds for most of it. Changes heard during the music are
// counted as dropped; tempos set and replaced before the first note were never heard.
void takeTempo(const std::vector<std::pair<std::int64_t, std::int64_t>> &tempos, std::int64_t start,
               std::int64_t end, ImportReport &report) {
    struct Span {
        std::int64_t tempo;
        std::size_t heard; // its place among the spans
        std::int64_t ticks;
    };
    std::vector<Span> held; // the music's spans of one tempo, in the order they sound
    const auto hold = [&](std::int64_t tempo, std::int64_t ticks) {
        held.push_back({tempo, held.size(), ticks});
    };
    std::int64_t inForce = kDefaultTempo;
    std::int64_t since = start;
    for (const auto &[tick, tempo] : tempos) {
        if (tempo == 0) {
            ++report.zeroTempos;
            continue;
        }
        if (tick > start && tick >= end) {
            break; // after the last note: never heard
        }
        if (tick > since) {
            hold(inForce, tick - since);
            since = tick;
        }
        if (tick > start && tempo != inForce) {
            ++report.droppedTempos;
        }
        inForce = tempo;
    }
    hold(inForce, end - since);
    // The tempo held longest over all its spans; of equals, the first heard.
    std::sort(held.begin(), held.end(), [](const Span &a, const Span &b) {
        return a.tempo != b.tempo ? a.tempo < b.tempo : a.heard < b.heard;
    });
    Span best{0, 0, -1};
    for (auto run = held.begin(); run != held.end();) {
        Span total{run->tempo, run->heard, 0};
        for (; run != held.end() && run->tempo == total.tempo; ++run) {
            total.ticks += run->ticks;
        }
        if (total.ticks > best.ticks || (total.ticks == best.ticks && total.heard < best.heard)) {
            best = total;
        }
    }
    const std::int64_t tempo = best.tempo;
    report.tempo = tempo;
    // A quarter note is one 48-tick beat, which lasts 48 / increment quarter notes at 120.
    const std::int64_t increment = (kScriptBeat * kDefaultTempo + tempo / 2) / tempo;
    report.incrementLimited = increment < 1 || increment > kMaxTimeIncrement;
    report.timeIncrement =
        static_cast<std::uint16_t>(std::clamp<std::int64_t>(increment, 1, kMaxTimeIncrement));
}

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

struct PlacedNote {
    std::int64_t on; // script ticks on the grid
    std::int64_t off;
    const Note *note;
};

struct Line {
    std::vector<PlacedNote> notes;
    std::int64_t freeFrom = 0; // the end of its last note
    int lastSource = -1;
};

// Which hit of a drum kit matters most to the groove when several coincide: bass drum,
// snare, toms, cymbals and hi-hats, then the other percussion (General MIDI keys).
int drumRank(int key) {
    switch (key) {
    case 35:
    case 36: // bass drums
        return 0;
    case 38:
    case 40: // snares
        return 1;
    case 41:
    case 43:
    case 45:
    case 47:
    case 48:
    case 50: // toms
        return 2;
    case 42:
    case 44:
    case 46:
    case 49:
    case 51:
    case 52:
    case 53:
    case 55:
    case 57:
    case 59:
        return 3; // hi-hats and cymbals
    default:
        return 4;
    }
}

// Notes come in the order they were struck, so in time order already: only the notes
// that start together need ordering among themselves.
template <typename Before> void sortEachOnset(std::vector<PlacedNote> &notes, Before before) {
    for (auto run = notes.begin(); run != notes.end();) {
        const auto end =
            std::find_if(run, notes.end(), [&](const PlacedNote &n) { return n.on != run->on; });
        if (end - run > 1) {
            std::stable_sort(run, end, before);
        }
        run = end;
    }
}

class LineLayout {
public:
    LineLayout(const TimeScale &scale, ImportReport &report) : m_scale(scale), m_report(report) {}

    // Answers false when the music is too long.
    bool place(const std::vector<Note> &notes) {
        std::vector<PlacedNote> pitched;
        std::vector<PlacedNote> drums;
        std::array<bool, kImportLines> someonesHome{};
        for (const Note &note : notes) {
            const PlacedNote placed{m_scale(note.on), m_scale(note.off), &note};
            if (placed.off > kMaxImportTicks) {
                return false;
            }
            (isDrum(note.source) ? drums : pitched).push_back(placed);
            if (homeLine(note.source) >= 0) {
                someonesHome[std::size_t(homeLine(note.source))] = true;
            }
        }
        // In time order, each channel's top voice first.
        sortEachOnset(pitched, [](const auto &a, const auto &b) {
            return a.note->source != b.note->source ? a.note->source < b.note->source
                                                    : a.note->key > b.note->key;
        });
        for (PlacedNote &placed : pitched) {
            if (placed.off == placed.on) {
                placed.off += kImportGrid;
                ++m_report.lengthenedNotes;
            }
            placePitched(placed, someonesHome);
        }
        placeDrums(drums);
        return true;
    }

    std::array<Line, kImportLines> lines;

private:
    // Any line silent from the note's start on takes it (line 10 aside), so a note is only
    // dropped while every other line sounds. Preferred: the channel's own line, a line the
    // channel played last, a line of no channel, then any.
    void placePitched(const PlacedNote &placed,
                      const std::array<bool, kImportLines> &someonesHome) {
        const int source = placed.note->source;
        Line *best = nullptr;
        int bestRank = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Line &line = lines[i];
            if (i == kPercussionLine || line.freeFrom > placed.on) {
                continue;
            }
            const bool fresh = line.lastSource < 0;
            const int rank = int(i) == homeLine(source)  ? 0
                             : line.lastSource == source ? 1
                             : !someonesHome[i]          ? (fresh ? 2 : 3)
                                                         : (fresh ? 4 : 5);
            if (!best || rank < bestRank) {
                best = &line;
                bestRank = rank;
            }
        }
        if (!best) {
            ++m_report.droppedNotes;
            return;
        }
        best->notes.push_back(placed);
        best->freeFrom = placed.off;
        best->lastSource = source;
    }

    // Line 10 plays one drum at a time: of hits that coincide on the grid the one that
    // matters most to the groove is kept (the louder, then the earlier, of equals); a hit
    // still sounding at the next one ends there.
    void placeDrums(std::vector<PlacedNote> &drums) {
        sortEachOnset(drums, [](const auto &a, const auto &b) {
            const int ra = drumRank(a.note->key);
            const int rb = drumRank(b.note->key);
            return ra != rb ? ra < rb : a.note->velocity > b.note->velocity;
        });
        Line &line = lines[kPercussionLine];
        for (std::size_t i = 0; i < drums.size(); ++i) {
            if (i > 0 && drums[i].on == drums[i - 1].on) {
                ++m_report.droppedDrums;
                continue;
            }
            PlacedNote hit = drums[i];
            if (hit.off == hit.on) {
                hit.off += kImportGrid;
                ++m_report.lengthenedNotes;
            }
            const auto next = std::find_if(drums.begin() + std::ptrdiff_t(i), drums.end(),
                                           [&](const auto &d) { return d.on > hit.on; });
            if (next != drums.end() && next->on < hit.off) {
                hit.off = next->on;
                ++m_report.shortenedDrums;
            }
            line.notes.push_back(hit);
        }
    }

    const TimeScale &m_scale;
    ImportReport &m_report;
};

// One line's tokens: rests up to each note, the note's program where the line's changes,
// and its volume where it differs from the one in force; with `leading`, the first note's
// program and volume stand at the line's start, before the rest up to it.
std::string writeLine(const Line &line, int &velocity, ImportReport &report, bool leading) {
    std::string text;
    std::int64_t time = 0;
    int program = -1; // none written: the synthesiser's first program, 0
    for (const PlacedNote &placed : line.notes) {
        const int wanted = placed.note->program;
        const auto marks = [&] {
            if (wanted >= 0 ? wanted != program : program > 0) {
                program = std::max(wanted, 0);
                text += composeProgram(program);
            }
            detail::appendVelocity(text, placed.note->velocity, velocity);
        };
        if (leading && text.empty()) {
            marks();
        }
        detail::appendRest(text, placed.on - time);
        marks();
        if (detail::appendNote(text, placed.note->key, placed.off - placed.on) > 1) {
            ++report.splitNotes;
        }
        time = placed.off;
    }
    return text;
}

} // namespace

ImportResult importMidi(std::string_view bytes) {
    ImportResult result;
    ImportReport &report = result.report;
    TrackCollector collector;
    const std::string_view smf = unwrapRiffMidi(bytes);
    result.file = readSmf(smf, &collector);
    const SmfInfo &info = result.file;
    const TimeScale scale = timeScaleOf(info.division, report);
    if (!info.readable() || scale.denominator == 0) {
        result.file.faultByte += std::size_t(smf.data() - bytes.data());
        result.failure = ImportFailure::NotMidi;
        return result;
    }
    const MidiSongMeta meta = readSongMeta(smf);
    if (auto own = detail::readOwnExport(collector.tracks, info.format, info.division, report)) {
        result.lines = std::move(*own);
        result.properties = meta.properties;
        result.songNotices = meta.notices;
        detail::noteKept(result.properties, report);
        if (!meta.fromTunelet) {
            // Line k is channel k, and its times are the file's.
            std::vector<std::vector<std::size_t>> lineTracks(result.lines.size());
            for (std::size_t t = 0; t < collector.tracks.size(); ++t) {
                for (const SmfEvent &e : collector.tracks[t].events) {
                    const std::size_t channel = e.status & 0x0f;
                    if ((e.status & 0xf0) == 0x90 && channel < lineTracks.size()) {
                        lineTracks[channel].push_back(t);
                        break;
                    }
                }
            }
            detail::takeWords(
                collector.tracks, result.lines, lineTracks, [](std::int64_t tick) { return tick; },
                result);
        }
        return result;
    }
    if (info.lengthTicks > kMaxFileTicks) {
        result.failure = ImportFailure::TooLong;
        return result;
    }
    if (info.format == 2 && collector.tracks.size() > 1) {
        report.patterns = collector.tracks.size();
    }
    Gatherer gatherer(report);
    gatherer.gather(collector.tracks);
    std::vector<Note> &notes = gatherer.notes;
    endUnendedNotes(notes, info.lengthTicks, report);
    NoteListing listing{std::move(notes), std::move(gatherer.tempos), scale.numerator,
                        scale.denominator, meta};
    listing.wordTracks = &collector.tracks;
    ImportResult imported = importNoteListing(listing, report);
    imported.file = result.file;
    return imported;
}

ImportResult importNoteListing(const NoteListing &listing, const ImportReport &counted) {
    ImportResult result;
    ImportReport &report = result.report;
    report = counted;
    const std::vector<Note> &notes = listing.notes;
    report.noNotes = notes.empty();
    if (report.smpte) {
        report.timeIncrement = static_cast<std::uint16_t>(kScriptBeat);
    } else {
        std::int64_t end = 0;
        for (const Note &note : notes) {
            end = std::max(end, note.off);
        }
        takeTempo(listing.tempos, notes.empty() ? 0 : notes.front().on, end, report);
    }
    const TimeScale scale{listing.scriptTicks, listing.fileTicks};
    LineLayout layout(scale, report);
    if (!layout.place(notes)) {
        result.failure = ImportFailure::TooLong;
        return result;
    }
    std::size_t used = layout.lines.size();
    while (used > 0 && layout.lines[used - 1].notes.empty()) {
        --used;
    }
    int velocity = kStartVelocity;
    for (std::size_t i = 0; i < used; ++i) {
        result.lines.push_back(
            writeLine(layout.lines[i], velocity, report, listing.marksAtLineStart));
    }
    std::vector<std::optional<std::size_t>> firstTracks(used);
    for (std::size_t i = 0; i < used; ++i) {
        if (!layout.lines[i].notes.empty()) {
            firstTracks[i] = layout.lines[i].notes.front().note->track;
        }
    }
    detail::takeSongProperties(listing.meta, firstTracks, result);
    if (listing.wordTracks != nullptr && !listing.meta.fromTunelet) {
        std::vector<std::vector<std::size_t>> lineTracks(used);
        for (std::size_t i = 0; i < used; ++i) {
            for (const PlacedNote &placed : layout.lines[i].notes) {
                lineTracks[i].push_back(placed.note->track);
            }
            std::sort(lineTracks[i].begin(), lineTracks[i].end());
            lineTracks[i].erase(std::unique(lineTracks[i].begin(), lineTracks[i].end()),
                                lineTracks[i].end());
        }
        detail::takeWords(*listing.wordTracks, result.lines, lineTracks, scale, result);
    }
    return result;
}

} // namespace tunelet::midi
