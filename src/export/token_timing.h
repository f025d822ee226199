// The note script in time: where each token of a line starts and how long it lasts, in
// the ticks of the exported file. Used to play from a token and to find the sounding one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tunelet::midi {

struct TimedToken {
    std::size_t begin = 0; // 0-based byte offset of the token's first character
    std::size_t end = 0;   // just past its separator (or the line's end)
    std::int64_t onset = 0;
    std::int64_t ticks = 0; // 0 for instrument and volume tokens
    bool note = false;
};

// The tokens of a line up to the first that does not scan.
std::vector<TimedToken> timeLine(std::string_view line);

// Index of the token under a caret at byte offset `caret`: the token it stands in or
// ends (a caret just after "7fd/" is on that 7, where a double-click on the note puts
// it), the first one before it, else the last one. nullopt for a line without tokens.
std::optional<std::size_t> tokenAtCaret(const std::vector<TimedToken> &tokens, std::size_t caret);

// Index of the note sounding at `tick` (onset <= tick < onset + ticks), or nullopt.
std::optional<std::size_t> noteAt(const std::vector<TimedToken> &tokens, std::int64_t tick);

} // namespace tunelet::midi
