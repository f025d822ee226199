// Playback: Standard MIDI File structure check and length in ticks.
#include "playback/smf_reader.h"

#include <algorithm>
#include <optional>

namespace tunelet::playback {

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kMaxQuantityBytes = 4;

std::uint32_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Reads the events of one track chunk; returns its length in ticks, or nothing when an
// event does not fit in the chunk.
class TrackParser {
public:
    explicit TrackParser(std::string_view data) : m_data(data) {}

    std::optional<std::int64_t> run() {
        std::int64_t ticks = 0;
        while (m_at < m_data.size()) {
            const auto delta = quantity();
            if (!delta) {
                return std::nullopt;
            }
            ticks += *delta;
            bool endOfTrack = false;
            if (!event(endOfTrack)) {
                return std::nullopt;
            }
            if (endOfTrack) {
                break;
            }
        }
        return ticks;
    }

private:
    std::optional<std::uint32_t> quantity() {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < kMaxQuantityBytes; ++i) {
            if (m_at >= m_data.size()) {
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

    bool skip(std::size_t count) {
        if (count > m_data.size() - m_at) {
            return false;
        }
        m_at += count;
        return true;
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
            if (m_at >= m_data.size()) {
                return false;
            }
            const auto type = static_cast<unsigned char>(m_data[m_at++]);
            const auto size = quantity();
            endOfTrack = type == 0x2f;
            return size && skip(*size);
        }
        if (status == 0xf0 || status == 0xf7) {
            const auto size = quantity();
            return size && skip(*size);
        }
        if (status >= 0xf0) {
            return false; // system common and real-time messages do not belong in a file
        }
        m_running = status;
        const unsigned kind = status & 0xf0;
        return skip(kind == 0xc0 || kind == 0xd0 ? 1 : 2);
    }

    std::string_view m_data;
    std::size_t m_at = 0;
    unsigned m_running = 0;
};

} // namespace

SmfInfo readSmf(std::string_view bytes) {
    SmfInfo info;
    if (bytes.size() < kChunkHeaderSize + 6 || bytes.substr(0, 4) != "MThd") {
        info.fault = SmfFault::NoHeader;
        return info;
    }
    const std::uint32_t headerSize = readBigEndian(bytes, 4, 4);
    if (headerSize < 6) {
        info.fault = SmfFault::NoHeader;
        return info;
    }
    info.format = static_cast<int>(readBigEndian(bytes, 8, 2));
    info.trackCount = static_cast<int>(readBigEndian(bytes, 10, 2));
    info.division = static_cast<std::uint16_t>(readBigEndian(bytes, 12, 2));
    if (info.format > 2 || info.trackCount == 0 || info.division == 0) {
        info.fault = SmfFault::BadHeader;
        return info;
    }
    if (headerSize > bytes.size() - kChunkHeaderSize) {
        info.fault = SmfFault::TruncatedChunk;
        return info;
    }
    std::size_t at = kChunkHeaderSize + headerSize;
    int tracksSeen = 0;
    while (tracksSeen < info.trackCount && at < bytes.size()) {
        if (bytes.size() - at < kChunkHeaderSize) {
            info.fault = SmfFault::TruncatedChunk;
            return info;
        }
        const std::uint32_t size = readBigEndian(bytes, at + 4, 4);
        const std::size_t body = at + kChunkHeaderSize;
        if (size > bytes.size() - body) {
            info.fault = SmfFault::TruncatedChunk;
            return info;
        }
        // Chunks of other types are skipped, as the file format asks of readers.
        if (bytes.substr(at, 4) == "MTrk") {
            const auto ticks = TrackParser(bytes.substr(body, size)).run();
            if (!ticks) {
                info.fault = SmfFault::BadEvent;
                return info;
            }
            info.lengthTicks = std::max(info.lengthTicks, *ticks);
            ++tracksSeen;
        }
        at = body + size;
    }
    if (tracksSeen < info.trackCount) {
        info.fault = SmfFault::MissingTracks;
    }
    return info;
}

} // namespace tunelet::playback
