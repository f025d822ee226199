// MIDI import: a file that Tunelet's own export wrote, read back token for token. The
// export follows every note and rest with a marker (key 60 at velocity 0) whose delta is
// the token's length, so each token can be found again, rests split as they were written.
// A song's export puts its properties in a first track of meta events only, and names
// each line's track with its part name, at its start, and a line's words as lyric events
// just before their notes (the block holds the words as typed).
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "export/token_composer.h"
#include "midi/import_tokens.h"

namespace tunelet::midi::detail {

namespace {

constexpr int kMarkerKey = 60;
constexpr int kStartVelocity = 80;
constexpr std::uint16_t kMaxTimeIncrement = 384;
// The song block's event: the non-commercial manufacturer ID, then the block.
constexpr std::string_view kSongBlock = "\x7Dtunelet-song ";

// Reads one track as the export writes line `channel`, appending its tokens to `line`.
class OwnTrackReader {
public:
    OwnTrackReader(const std::vector<SmfEvent> &events, unsigned channel, bool staccato,
                   int &velocity, std::size_t &guessed, bool named)
        : m_events(events), m_noteOn(0x90 | channel), m_program(0xc0 | channel),
          m_staccato(staccato), m_velocity(velocity), m_guessed(guessed),
          m_at(named && startsWithName(events) ? 1 : 0),
          m_afterNote(channel == 0 ? 0 : static_cast<std::size_t>(-1)) {}

    bool read(std::string &line) {
        while (m_at < m_events.size()) {
            const SmfEvent &event = m_events[m_at];
            if (event.tick != m_time) {
                return false;
            }
            if (event.status == 0xff && event.data1 == 0x2f) {
                return m_at + 1 == m_events.size(); // the end of track comes last
            }
            if (event.status == 0xff && event.data1 == 0x05) {
                ++m_at; // a syllable before its note: read with the words
                continue;
            }
            if (event.status == m_program) {
                line += composeProgram(event.data1);
                m_volumePlace = line.size();
                ++m_at;
            } else if (event.status != m_noteOn || !token(line)) {
                return false;
            }
        }
        return false; // the export always ends a track with its end marker
    }

private:
    static bool startsWithName(const std::vector<SmfEvent> &events) {
        return !events.empty() && events[0].tick == 0 && events[0].status == 0xff &&
               events[0].data1 == 0x03 && !events[0].body.empty();
    }

    // A note or a rest: its start, the marker one token length later and, for a note
    // with staccato, the release at the marker's time.
    bool token(std::string &line) {
        const SmfEvent &start = m_events[m_at];
        const bool rest = start.data1 == kMarkerKey && start.data2 == 0 && !releasedAtVelocity0();
        const std::size_t count = rest || !m_staccato ? 2 : 3;
        if (m_events.size() - m_at < count || !isOff(m_events[m_at + 1], kMarkerKey)) {
            return false;
        }
        const std::int64_t length = m_events[m_at + 1].tick - m_time;
        const char letter = length <= 192 ? durationLetter(static_cast<int>(length)) : 0;
        if (letter == 0 || (count == 3 && (!isOff(m_events[m_at + 2], start.data1) ||
                                           m_events[m_at + 2].tick != m_events[m_at + 1].tick))) {
            return false;
        }
        if (rest) {
            line += composeRest(letter);
        } else {
            // A volume goes where a composer puts it: after the last note or instrument,
            // ahead of the rests that lead to this note.
            std::string volume;
            appendVelocity(volume, start.data2, m_velocity);
            // The file keeps a volume only as the loudness of the note after it: whether it
            // stood before or after the rests and instruments in between, or at the end of
            // the line before, it cannot tell.
            if (!volume.empty() && line.size() != m_afterNote) {
                ++m_guessed;
            }
            line.insert(m_volumePlace, volume);
            appendNote(line, start.data1, length);
            m_volumePlace = m_afterNote = line.size();
        }
        m_time += length;
        m_at += count;
        return true;
    }

    // With staccato, middle C at velocity 0 starts like a rest but is released at its
    // marker's time, where the next token (which takes time) cannot start and end.
    bool releasedAtVelocity0() const {
        return m_staccato && m_events.size() - m_at > 3 && isOff(m_events[m_at + 2], kMarkerKey) &&
               m_events[m_at + 3].tick == m_events[m_at + 1].tick;
    }

    bool isOff(const SmfEvent &event, int key) const {
        return event.status == m_noteOn && event.data1 == key && event.data2 == 0;
    }

    const std::vector<SmfEvent> &m_events;
    unsigned m_noteOn;
    unsigned m_program;
    bool m_staccato;
    int &m_velocity;
    std::size_t &m_guessed;
    std::size_t m_at;
    std::int64_t m_time = 0;
    std::size_t m_volumePlace = 0; // where a volume token before the next note belongs
    // The end of the line's last note; before the first, nowhere on a line after the
    // first (a volume there may have ended the line before).
    std::size_t m_afterNote;
};

// The song's own track: its properties at tick 0 (the title, time and key signatures, the
// song block), nothing else, and its end.
bool isSongTrack(const ImportedTrack &track) {
    const std::vector<SmfEvent> &events = track.events;
    bool block = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const SmfEvent &event = events[i];
        if (event.tick != 0 || event.status != 0xff) {
            return false;
        }
        if (event.data1 == 0x2f) {
            return block && i + 1 == events.size();
        }
        if (event.data1 == 0x7f) {
            if (block || !event.body.starts_with(kSongBlock)) {
                return false;
            }
            block = true;
        } else if (event.data1 != 0x03 && event.data1 != 0x58 && event.data1 != 0x59) {
            return false;
        }
    }
    return false;
}

std::optional<std::vector<std::string>> readAll(std::span<const ImportedTrack> tracks,
                                                bool staccato, std::size_t &guessed, bool song) {
    std::vector<std::string> lines(tracks.size());
    int velocity = kStartVelocity;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        if (!OwnTrackReader(tracks[t].events, static_cast<unsigned>(t), staccato, velocity, guessed,
                            song)
                 .read(lines[t])) {
            return std::nullopt;
        }
    }
    return lines;
}

} // namespace

std::optional<std::vector<std::string>> readOwnExport(const std::vector<ImportedTrack> &tracks,
                                                      int format, std::uint16_t division,
                                                      ImportReport &report) {
    // With a song's properties, the header counts their track before the lines' tracks.
    const bool song = tracks.size() > 1 && isSongTrack(tracks.front());
    const std::span<const ImportedTrack> lineTracks = std::span(tracks).subspan(song ? 1 : 0);
    if (format != 1 || lineTracks.empty() || lineTracks.size() > kImportLines || division == 0 ||
        division > kMaxTimeIncrement) {
        return std::nullopt;
    }
    for (const bool staccato : {true, false}) {
        std::size_t guessed = 0;
        if (auto lines = readAll(lineTracks, staccato, guessed, song)) {
            report.exact = true;
            report.guessedVolumes = guessed;
            report.staccato = staccato;
            // The export writes the time increment as the division and no tempo.
            report.timeIncrement = division;
            return lines;
        }
    }
    return std::nullopt;
}

} // namespace tunelet::midi::detail
