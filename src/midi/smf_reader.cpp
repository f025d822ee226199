// MIDI files: Standard MIDI File structure check, length in ticks, and the plain copy
// that FluidSynth is given.
#include "midi/smf_reader.h"

#include <algorithm>
#include <optional>

namespace tunelet::midi {

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kPlainHeaderSize = 6;
constexpr std::size_t kMaxQuantityBytes = 4;
constexpr std::uint32_t kMaxDelta = 0x0fffffff; // the most four quantity bytes hold
constexpr std::uint16_t kSmpteBit = 0x8000;

std::uint32_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void putBigEndian(std::string &out, std::uint32_t value, std::size_t count) {
    for (std::size_t i = count; i-- > 0;) {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

void putQuantity(std::string &out, std::uint32_t value) {
    char bytes[kMaxQuantityBytes + 1];
    std::size_t n = 0;
    bytes[n++] = static_cast<char>(value & 0x7f);
    while ((value >>= 7) != 0) {
        bytes[n++] = static_cast<char>(0x80 | (value & 0x7f));
    }
    while (n-- > 0) {
        out += bytes[n];
    }
}

// Data bytes after a channel status byte.
std::size_t channelDataBytes(unsigned status) {
    const unsigned kind = status & 0xf0;
    return kind == 0xc0 || kind == 0xd0 ? 1 : 2;
}

// Meta events whose length the file format fixes; FluidSynth refuses the whole file when
// one of them has another length. Nothing for the meta events of any length.
std::optional<std::uint32_t> fixedMetaLength(unsigned type) {
    switch (type) {
    case 0x2f: // end of track
        return 0;
    case 0x51: // tempo
        return 3;
    case 0x54: // SMPTE offset
        return 5;
    case 0x58: // time signature
        return 4;
    case 0x59: // key signature
        return 2;
    default:
        return std::nullopt;
    }
}

// Reads the events of one track chunk and writes them to `out` in the plain form: each
// event with its own status byte (FluidSynth takes a data byte after a SysEx or a meta
// event as part of those), escaped F7 messages left out with their time kept.
class TrackParser {
public:
    TrackParser(std::string_view data, std::string &out, SmfEventSink *sink)
        : m_data(data), m_out(out), m_sink(sink) {}

    bool zeroTempo() const { return m_zeroTempo; }
    // After a failure: where in the chunk, and whether the chunk ended inside the event.
    std::size_t at() const { return m_at; }
    bool cutShort() const { return m_cutShort; }

    // The track's length in ticks, or nothing when an event does not fit in the chunk.
    std::optional<std::int64_t> run() {
        std::int64_t ticks = 0;
        while (m_at < m_data.size()) {
            const auto delta = quantity();
            if (!delta) {
                return std::nullopt;
            }
            ticks += *delta;
            m_tick = ticks;
            if (*delta > kMaxDelta - m_pendingDelta) {
                // The time of left-out messages outgrows a delta: an empty text event
                // carries it.
                begin(0xff);
                m_out.append("\x01\x00", 2);
            }
            m_pendingDelta += *delta;
            bool endOfTrack = false;
            if (!event(endOfTrack)) {
                return std::nullopt;
            }
            if (endOfTrack) {
                return ticks;
            }
        }
        // A track may end with its chunk; the copy ends with the marker, at the same time.
        begin(0xff);
        m_out.append("\x2f\x00", 2);
        return ticks;
    }

private:
    std::optional<std::uint32_t> quantity() {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < kMaxQuantityBytes; ++i) {
            if (m_at >= m_data.size()) {
                m_cutShort = true;
                return std::nullopt;
            }
            const auto byte = static_cast<unsigned char>(m_data[m_at++]);
            value = (value << 7) | (byte & 0x7f);
            if ((byte & 0x80) == 0) {
                return value;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string_view> take(std::size_t count) {
        if (count > m_data.size() - m_at) {
            m_cutShort = true;
            return std::nullopt;
        }
        const std::string_view taken = m_data.substr(m_at, count);
        m_at += count;
        return taken;
    }

    // Starts an event in the copy: the time since the last event written, then status.
    void begin(unsigned status) {
        putQuantity(m_out, m_pendingDelta);
        m_pendingDelta = 0;
        m_out += static_cast<char>(status);
    }

    bool event(bool &endOfTrack) {
        if (m_at >= m_data.size()) {
            return false;
        }
        unsigned status = static_cast<unsigned char>(m_data[m_at]);
        if (status < 0x80) {
            // Running status: the byte is the first data byte of a repeated channel message.
            if (m_running == 0) {
                return false;
            }
            status = m_running;
        } else {
            ++m_at;
        }
        if (status == 0xff) {
            return metaEvent(endOfTrack);
        }
        if (status == 0xf0 || status == 0xf7) {
            return sysExEvent(status);
        }
        if (status >= 0xf0) {
            return false; // system common and real-time messages do not belong in a file
        }
        m_running = status;
        const auto data = take(channelDataBytes(status));
        if (!data || std::any_of(data->begin(), data->end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return false;
        }
        begin(status);
        m_out += *data;
        tell({m_tick, static_cast<unsigned char>(status), static_cast<unsigned char>((*data)[0]),
              static_cast<unsigned char>(data->size() > 1 ? (*data)[1] : 0)});
        return true;
    }

    bool metaEvent(bool &endOfTrack) {
        const auto type = take(1);
        const auto size = quantity();
        if (!type || !size) {
            return false;
        }
        const auto typeByte = static_cast<unsigned char>((*type)[0]);
        const auto expected = fixedMetaLength(typeByte);
        const auto body = take(*size);
        if (!body || (expected && *size != *expected)) {
            return false;
        }
        begin(0xff);
        m_out += static_cast<char>(typeByte);
        putQuantity(m_out, *size);
        m_out += *body;
        endOfTrack = typeByte == 0x2f;
        if (typeByte == 0x51 && readBigEndian(*body, 0, 3) == 0) {
            m_zeroTempo = true;
        }
        tell({m_tick, 0xff, typeByte, 0, *body});
        return true;
    }

    bool sysExEvent(unsigned status) {
        const auto size = quantity();
        const auto body = size ? take(*size) : std::nullopt;
        if (!body) {
            return false;
        }
        if (status == 0xf0) {
            begin(status);
            putQuantity(m_out, *size);
            m_out += *body;
        }
        tell({m_tick, static_cast<unsigned char>(status), 0, 0, *body});
        return true;
    }

    void tell(const SmfEvent &event) {
        if (m_sink != nullptr) {
            m_sink->event(event);
        }
    }

    std::string_view m_data;
    std::string &m_out;
    SmfEventSink *m_sink;
    std::size_t m_at = 0;
    std::int64_t m_tick = 0;
    bool m_zeroTempo = false;
    bool m_cutShort = false;
    unsigned m_running = 0;
    std::uint32_t m_pendingDelta = 0; // time of events left out of the copy
};

} // namespace

std::string_view unwrapRiffMidi(std::string_view bytes) {
    constexpr std::size_t kRiffHeaderSize = 12; // "RIFF", its length, "RMID"
    if (bytes.size() < kRiffHeaderSize || bytes.substr(0, 4) != "RIFF" ||
        bytes.substr(8, 4) != "RMID") {
        return bytes;
    }
    // RIFF chunks: a type, a little-endian length, the data padded to an even length.
    std::size_t at = kRiffHeaderSize;
    while (bytes.size() - at >= kChunkHeaderSize) {
        std::uint32_t size = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            size |= std::uint32_t{static_cast<unsigned char>(bytes[at + 4 + i])} << (8 * i);
        }
        const std::size_t body = at + kChunkHeaderSize;
        if (bytes.substr(at, 4) == "data") {
            return bytes.substr(body, size); // a cut data chunk is read as far as it goes
        }
        // A chunk that runs to the end leaves no room for another (nor, when odd, for its
        // pad byte, which would take the search past the end).
        if (size >= bytes.size() - body) {
            break;
        }
        at = body + size + (size & 1);
    }
    return bytes;
}

bool hasSmfHeader(std::string_view bytes) {
    return bytes.size() >= kChunkHeaderSize + kPlainHeaderSize && bytes.substr(0, 4) == "MThd" &&
           readBigEndian(bytes, 4, 4) >= kPlainHeaderSize;
}

SmfInfo readSmf(std::string_view bytes, SmfEventSink *sink) {
    SmfInfo info;
    if (!hasSmfHeader(bytes)) {
        info.fault = SmfFault::NoHeader;
        // A chunk of another kind says what the file is instead.
        if (bytes.size() >= kChunkHeaderSize &&
            std::all_of(bytes.begin(), bytes.begin() + 4,
                        [](char c) { return c >= ' ' && c <= '~'; })) {
            info.otherChunk = bytes.substr(0, 4);
        }
        return info;
    }
    const std::uint32_t headerSize = readBigEndian(bytes, 4, 4);
    info.format = static_cast<int>(readBigEndian(bytes, 8, 2));
    info.trackCount = static_cast<int>(readBigEndian(bytes, 10, 2));
    info.division = static_cast<std::uint16_t>(readBigEndian(bytes, 12, 2));
    if (info.format > 2 || info.trackCount == 0 || info.division == 0) {
        info.fault = SmfFault::BadHeader;
        return info;
    }
    if (headerSize > bytes.size() - kChunkHeaderSize) {
        info.fault = SmfFault::TruncatedChunk;
        info.faultByte = bytes.size();
        return info;
    }
    // A header longer than 6 bytes is legal; the copy keeps its first 6.
    if (sink == nullptr) {
        info.playable.reserve(bytes.size() + bytes.size() / 2);
    }
    info.playable.append("MThd", 4);
    putBigEndian(info.playable, kPlainHeaderSize, 4);
    info.playable.append(bytes.substr(kChunkHeaderSize, kPlainHeaderSize));

    std::size_t at = kChunkHeaderSize + headerSize;
    int tracksSeen = 0;
    bool zeroTempo = false;
    while (tracksSeen < info.trackCount && at < bytes.size()) {
        const bool isTrack = bytes.substr(at, 4) == "MTrk";
        if (bytes.size() - at < kChunkHeaderSize ||
            readBigEndian(bytes, at + 4, 4) > bytes.size() - at - kChunkHeaderSize) {
            info.fault = SmfFault::TruncatedChunk;
            info.faultByte = bytes.size();
            info.faultTrack = isTrack || bytes.size() - at < 4 ? tracksSeen : -1;
            break;
        }
        const std::uint32_t size = readBigEndian(bytes, at + 4, 4);
        const std::size_t body = at + kChunkHeaderSize;
        // Chunks of other types are skipped, as the file format asks of readers.
        if (!isTrack && info.otherChunk.empty()) {
            info.otherChunk = bytes.substr(at, 4);
        }
        if (isTrack) {
            if (sink != nullptr) {
                info.playable.clear(); // the copy is not wanted: one track at a time
                sink->trackStart(tracksSeen);
            }
            const std::size_t chunkStart = info.playable.size();
            info.playable.append("MTrk\0\0\0\0", kChunkHeaderSize);
            TrackParser parser(bytes.substr(body, size), info.playable, sink);
            const auto ticks = parser.run();
            zeroTempo = zeroTempo || parser.zeroTempo();
            if (!ticks) {
                info.fault = SmfFault::BadEvent;
                // Where the track's data ran out, or where the event that does not parse is.
                info.cutShort = parser.cutShort();
                info.faultByte = body + (info.cutShort ? size : parser.at());
                info.faultTrack = tracksSeen;
                break;
            }
            const auto written =
                static_cast<std::uint32_t>(info.playable.size() - chunkStart - kChunkHeaderSize);
            for (std::size_t i = 0; i < 4; ++i) {
                info.playable[chunkStart + 4 + i] = static_cast<char>(written >> (24 - 8 * i));
            }
            info.lengthTicks = std::max(info.lengthTicks, *ticks);
            ++tracksSeen;
        }
        at = body + size;
    }
    info.tracksFound = tracksSeen;
    if (info.fault == SmfFault::None && tracksSeen < info.trackCount) {
        info.fault = SmfFault::MissingTracks;
    }
    // Legal, but beyond what FluidSynth plays: said at Open rather than heard as silence.
    if (info.fault == SmfFault::None && (info.division & kSmpteBit) != 0) {
        info.fault = SmfFault::SmpteDivision;
    }
    if (info.fault == SmfFault::None && info.trackCount > kMaxPlayableTracks) {
        info.fault = SmfFault::TooManyTracks;
    }
    if (info.fault == SmfFault::None && info.lengthTicks > kMaxPlayableTicks) {
        info.fault = SmfFault::TooLong;
    }
    if (info.fault == SmfFault::None && zeroTempo) {
        info.fault = SmfFault::ZeroTempo;
    }
    if (info.fault != SmfFault::None || sink != nullptr) {
        info.playable.clear();
    }
    return info;
}

} // namespace tunelet::midi
