// Tests of the WAV output: a WAV file's format and samples, and the measures of its sound.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tunelet::test {

// A WAV file's format and samples, read by walking its chunks.
struct Wav {
    int format = 0, channels = 0, sampleRate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::uint32_t riffSize = 0;
    std::vector<std::int16_t> samples; // interleaved left, right
};

inline std::uint32_t littleEndian(const std::string &bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
    }
    return value;
}

inline std::optional<Wav> parseWav(const std::string &bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        return std::nullopt;
    }
    Wav wav;
    wav.riffSize = littleEndian(bytes, 4, 4);
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = littleEndian(bytes, at + 4, 4);
        if (at + 8 + size > bytes.size()) {
            return std::nullopt;
        }
        if (id == "fmt ") {
            wav.format = int(littleEndian(bytes, at + 8, 2));
            wav.channels = int(littleEndian(bytes, at + 10, 2));
            wav.sampleRate = int(littleEndian(bytes, at + 12, 4));
            wav.byteRate = int(littleEndian(bytes, at + 16, 4));
            wav.blockAlign = int(littleEndian(bytes, at + 20, 2));
            wav.bits = int(littleEndian(bytes, at + 22, 2));
        } else if (id == "data") {
            for (std::size_t i = 0; i + 1 < size; i += 2) {
                wav.samples.push_back(std::int16_t(littleEndian(bytes, at + 8 + i, 2)));
            }
        }
        at += 8 + size + size % 2;
    }
    return wav;
}

// Seconds from the start to just after the last sample louder than quiet: by default
// -80 dBFS, where the renderer ends a file.
inline double soundEnd(const std::vector<std::int16_t> &samples, int quiet = 3) {
    for (std::size_t i = samples.size(); i > 0; --i) {
        if (std::abs(int(samples[i - 1])) > quiet) {
            return double(i / 2) / 44100;
        }
    }
    return 0;
}

// The largest magnitude of the samples.
inline int peakOf(const std::vector<std::int16_t> &samples) {
    int peak = 0;
    for (const std::int16_t sample : samples) {
        peak = std::max(peak, std::abs(int(sample)));
    }
    return peak;
}

} // namespace tunelet::test
