// MIDI file tests: a small Standard MIDI File writer of the tests' own, independent of
// the program's export, so files the program never writes can be made.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tunelet::midi::testing {

struct Ev {
    std::uint32_t tick;
    std::string bytes; // status and data, or FF, type, length and data
};

inline Ev on(std::uint32_t tick, int channel, int key, int velocity = 80) {
    return {tick, {char(0x90 | channel), char(key), char(velocity)}};
}
inline Ev off(std::uint32_t tick, int channel, int key) {
    return {tick, {char(0x80 | channel), char(key), 0}};
}
inline Ev program(std::uint32_t tick, int channel, int number) {
    return {tick, {char(0xc0 | channel), char(number)}};
}
inline Ev tempo(std::uint32_t tick, std::uint32_t microseconds) {
    return {
        tick,
        {'\xff', 0x51, 3, char(microseconds >> 16), char(microseconds >> 8), char(microseconds)}};
}
inline Ev port(std::uint32_t tick, int number) {
    return {tick, {'\xff', 0x21, 1, char(number)}};
}

inline std::string vlq(std::uint32_t value) {
    std::string out(1, char(value & 0x7f));
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), char(0x80 | (value & 0x7f)));
    }
    return out;
}

inline std::string be(std::uint32_t value, int count) {
    std::string out;
    for (int i = count - 1; i >= 0; --i) {
        out += char(value >> (8 * i));
    }
    return out;
}

// The events in time order (stable), then the end of track; with runningStatus a channel
// status byte is left out where it repeats the one before, and note-offs become note-ons
// at velocity 0, as keyboards write them.
inline std::string track(std::vector<Ev> events, bool runningStatus = false) {
    std::stable_sort(events.begin(), events.end(),
                     [](const Ev &a, const Ev &b) { return a.tick < b.tick; });
    std::string body;
    std::uint32_t time = 0;
    char status = 0;
    for (Ev &e : events) {
        if (runningStatus && (e.bytes[0] & 0xf0) == 0x80) {
            e.bytes = {char(0x90 | (e.bytes[0] & 0x0f)), e.bytes[1], 0};
        }
        body += vlq(e.tick - time);
        time = e.tick;
        const bool repeat = runningStatus && e.bytes[0] == status;
        body += repeat ? e.bytes.substr(1) : e.bytes;
        status = (static_cast<unsigned char>(e.bytes[0]) < 0xf0) ? e.bytes[0] : 0;
    }
    body += std::string("\x00\xff\x2f\x00", 4);
    return "MTrk" + be(std::uint32_t(body.size()), 4) + body;
}

inline std::string smf(int format, int division, const std::vector<std::string> &tracks) {
    std::string file = "MThd" + be(6, 4) + be(std::uint32_t(format), 2) +
                       be(std::uint32_t(tracks.size()), 2) + be(std::uint32_t(division), 2);
    for (const std::string &t : tracks) {
        file += t;
    }
    return file;
}

} // namespace tunelet::midi::testing
