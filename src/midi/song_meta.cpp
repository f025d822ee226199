// MIDI import of a song's properties from the file's meta events.
#include "midi/song_meta.h"

#include <optional>

#include "midi/midi_text.h"
#include "midi/smf_reader.h"

namespace tunelet::midi {

namespace {

constexpr unsigned char kMeta = 0xFF;
constexpr unsigned char kTrackName = 0x03;
constexpr unsigned char kTimeSignature = 0x58;
constexpr unsigned char kKeySignature = 0x59;
constexpr unsigned char kSequencerSpecific = 0x7F;
constexpr std::string_view kTuneletBlock = "\x7Dtunelet-song ";

class MetaCollector : public SmfEventSink {
public:
    explicit MetaCollector(MidiSongMeta &meta) : m_meta(meta) {}

    void trackStart(int) override { m_meta.trackNames.emplace_back(); }

    void event(const SmfEvent &event) override {
        if (event.status != kMeta || m_meta.trackNames.empty()) {
            return;
        }
        switch (event.data1) {
        case kTrackName:
            if (m_meta.trackNames.back().empty()) {
                m_meta.trackNames.back() = std::string(event.body);
            }
            break;
        case kTimeSignature:
            timeSignature(event.body);
            break;
        case kKeySignature:
            keySignature(event.body);
            break;
        case kSequencerSpecific:
            if (!m_block && event.body.starts_with(kTuneletBlock)) {
                m_block = event.body.substr(1);
            }
            break;
        default:
            break;
        }
    }

    std::optional<std::string_view> block() const { return m_block; }
    std::optional<score::SongTime> time() const { return m_time; }
    std::optional<score::Key> key() const { return m_key; }

private:
    void timeSignature(std::string_view body) {
        if (body.size() < 2) {
            return;
        }
        const int beats = static_cast<unsigned char>(body[0]);
        const int log2Unit = static_cast<unsigned char>(body[1]);
        const std::string text =
            std::to_string(beats) + "/" + (log2Unit < 8 ? std::to_string(1 << log2Unit) : "0");
        if (m_timeSeen) {
            m_meta.laterTimeSignatures += text != m_timeText ? 1 : 0;
            m_timeText = text;
            return;
        }
        m_timeSeen = true;
        m_timeText = text;
        m_time = score::parseSongTime(text);
        m_meta.unsupportedTime = !m_time;
    }

    void keySignature(std::string_view body) {
        const int accidentals = body.empty() ? 99 : static_cast<signed char>(body[0]);
        if (accidentals < -7 || accidentals > 7) {
            return;
        }
        const score::Key key = keyOfSignature(accidentals);
        if (m_keySeen) {
            m_meta.laterKeySignatures += key != m_lastKey ? 1 : 0;
        } else {
            m_key = key;
        }
        m_keySeen = true;
        m_lastKey = key;
    }

    MidiSongMeta &m_meta;
    std::optional<std::string_view> m_block;
    std::optional<score::SongTime> m_time;
    std::optional<score::Key> m_key;
    bool m_timeSeen = false;
    std::string m_timeText;
    bool m_keySeen = false;
    score::Key m_lastKey;
};

} // namespace

score::Key keyOfSignature(int accidentals) {
    // Each sharp moves the tonic a fifth up (7 semitones), each flat a fifth down.
    return score::Key{((accidentals * 7) % 12 + 12) % 12};
}

MidiSongMeta readSongMeta(std::string_view bytes) {
    MidiSongMeta meta;
    MetaCollector collector(meta);
    if (!readSmf(bytes, &collector).readable()) {
        return {};
    }
    if (const std::optional<std::string_view> block = collector.block()) {
        score::SongBlock read = score::parseSongBlock(*block);
        meta.properties = std::move(read.properties);
        meta.notices = std::move(read.notices);
        meta.fromTunelet = true;
        return meta;
    }
    // Names come in UTF-8 or, from Chinese programs, in GBK: read as the file's texts are.
    const MidiTextEncoding encoding =
        encodingOf(std::vector<std::string_view>(meta.trackNames.begin(), meta.trackNames.end()));
    for (std::string &name : meta.trackNames) {
        name = decodeMidiText(name, encoding);
    }
    meta.properties.time = collector.time();
    meta.properties.key = collector.key();
    // The sequence's name is the first track's (in a one-track file, its only track's).
    if (!meta.trackNames.empty() && score::isUtf8(meta.trackNames.front())) {
        meta.properties.title = meta.trackNames.front();
    }
    return meta;
}

} // namespace tunelet::midi
