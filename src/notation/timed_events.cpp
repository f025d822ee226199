// Numbered notation: a track line read as timed notes and rests, and the time signature.
#include "notation/timed_events.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "export/note_script.h"

namespace tunelet::notation {

namespace {

constexpr int kMiddleOctave = 5; // octave letter f
constexpr int kFileBeatsPerMinute = 120;

// Semitone -> the degree it is written with, and whether it carries a sharp.
constexpr std::array<int, 12> kDegrees = {1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6, 7};
constexpr std::array<bool, 12> kSharps = {false, true,  false, true,  false, false,
                                          true,  false, true,  false, true,  false};

// A note's token is four bytes with its separator, a rest's three.
std::size_t tokenBytes(const TimedEvent &event) {
    return event.degree == 0 ? 3 : 4;
}

} // namespace

std::optional<TimeSignature> parseTimeSignature(std::string_view text) {
    const std::optional<score::SongTime> time = score::parseSongTime(text);
    if (!time) {
        return std::nullopt;
    }
    return TimeSignature{time->beats, time->unit};
}

TimeSignature timeSignatureOf(const score::SongProperties &song) {
    const score::SongTime time = song.time.value_or(score::SongTime{});
    TimeSignature signature{time.beats, time.unit,
                            static_cast<int>(song.beat.value_or(score::BeatNote::Quarter))};
    if (song.pickupTicks > 0 && song.pickupTicks < signature.barTicks()) {
        signature.pickup = song.pickupTicks;
    }
    return signature;
}

int TimeSignature::barAt(int tick) const {
    if (pickup > 0) {
        return tick < pickup ? 0 : 1 + (tick - pickup) / barTicks();
    }
    return tick / barTicks();
}

int TimeSignature::barStart(int index) const {
    if (pickup > 0) {
        return index == 0 ? 0 : pickup + (index - 1) * barTicks();
    }
    return index * barTicks();
}

int TimeSignature::barOrigin(int tick) const {
    const int index = barAt(tick);
    return pickup > 0 && index == 0 ? pickup - barTicks() : barStart(index);
}

double beatsPerMinute(int division) {
    return static_cast<double>(kFileBeatsPerMinute) * division / kTicksPerBeat;
}

std::string beatsPerMinuteText(int division, int beatNote) {
    const double bpm = beatsPerMinute(division) * 4 / beatNote;
    char text[32];
    if (std::abs(bpm - std::round(bpm)) < 1e-9) {
        std::snprintf(text, sizeof text, "%.0f", bpm);
    } else {
        std::snprintf(text, sizeof text, "%.1f", bpm);
    }
    return text;
}

namespace {

// Reads the line's tokens from byte `from` (a token's start) on, after the track's events,
// with the instrument and volume in force there.
void readFrom(Track &track, std::string_view line, std::size_t from, int program, int volume) {
    midi::LineScanner scanner(line.substr(from));
    std::vector<Mark> marks;
    while (const std::optional<midi::Token> token = scanner.next()) {
        const std::size_t start = from + token->position - 1;
        if (token->kind == midi::TokenKind::Program || token->kind == midi::TokenKind::Volume) {
            const bool isProgram = token->kind == midi::TokenKind::Program;
            (isProgram ? program : volume) = token->value;
            if (isProgram && track.events.empty()) {
                track.firstProgram = token->value;
            }
            marks.push_back({isProgram ? Mark::Kind::Program : Mark::Kind::Volume, token->value});
            continue;
        }
        TimedEvent event;
        event.onset = track.length;
        event.length = token->ticks;
        if (token->kind == midi::TokenKind::Note) {
            const int semitone = token->key % 12;
            event.degree = kDegrees[static_cast<std::size_t>(semitone)];
            event.sharp = kSharps[static_cast<std::size_t>(semitone)];
            event.octave = token->key / 12 - kMiddleOctave;
        }
        event.program = program;
        event.volume = volume;
        event.marks = std::move(marks);
        marks.clear();
        event.tokenStart = start;
        // The caret goes after the separator, where the next token would be composed.
        event.tokenEnd = std::min(line.size(), start + tokenBytes(event));
        track.length += event.length;
        track.events.push_back(std::move(event));
    }
    track.volumeAtEnd = volume;
    if (scanner.fault() != midi::ScanFault::None) {
        track.faulty = true;
        track.faultAt = from + scanner.faultTokenStart() - 1;
    }
}

} // namespace

Track readTrack(std::string_view line, int volume) {
    Track track;
    track.volumeAtStart = volume;
    readFrom(track, line, 0, -1, volume);
    return track;
}

std::vector<TimedEvent> rereadTrack(Track &track, std::string_view line, std::size_t unchanged) {
    // A token reads only its own bytes, so the events whose tokens end within the
    // unchanged bytes stay; the scan goes on after the last of them.
    std::vector<TimedEvent> dropped;
    std::size_t keep = track.events.size();
    while (keep > 0 &&
           track.events[keep - 1].tokenStart + tokenBytes(track.events[keep - 1]) > unchanged) {
        --keep;
    }
    dropped.assign(std::make_move_iterator(track.events.begin() + static_cast<long>(keep)),
                   std::make_move_iterator(track.events.end()));
    track.events.resize(keep);
    track.faulty = false;
    track.faultAt = 0;
    if (keep == 0) {
        track.firstProgram = -1;
        track.length = 0;
        readFrom(track, line, 0, -1, track.volumeAtStart);
        return dropped;
    }
    const TimedEvent &last = track.events.back();
    track.length = last.onset + last.length;
    readFrom(track, line, last.tokenStart + tokenBytes(last), last.program, last.volume);
    return dropped;
}

std::vector<Mark> shownMarks(const Track &track, std::size_t event) {
    const TimedEvent &at = track.events[event];
    const int program = event > 0 ? track.events[event - 1].program : -1;
    const int volume = event > 0 ? track.events[event - 1].volume : track.volumeAtStart;
    std::vector<Mark> shown;
    if (at.program != program) {
        shown.push_back({Mark::Kind::Program, at.program});
    }
    if (at.volume != volume) {
        shown.push_back({Mark::Kind::Volume, at.volume});
    }
    return shown;
}

std::vector<int> programsUsed(const Track &track) {
    std::vector<int> programs = {track.firstProgram};
    for (const TimedEvent &event : track.events) {
        if (event.program != programs.back()) {
            programs.push_back(event.program);
        }
    }
    std::sort(programs.begin(), programs.end());
    programs.erase(std::unique(programs.begin(), programs.end()), programs.end());
    return programs;
}

int programAt(const Track &track, int tick) {
    const auto after =
        std::upper_bound(track.events.begin(), track.events.end(), tick,
                         [](int time, const TimedEvent &event) { return time < event.onset; });
    return after == track.events.begin() ? -1 : std::prev(after)->program;
}

} // namespace tunelet::notation
