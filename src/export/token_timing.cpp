// The note script in time: token onsets and lengths in ticks.
#include "export/token_timing.h"

#include <algorithm>

#include "export/note_script.h"

namespace tunelet::midi {

std::vector<TimedToken> timeLine(std::string_view line) {
    std::vector<TimedToken> timed;
    LineScanner scanner(line);
    std::int64_t onset = 0;
    while (const std::optional<Token> token = scanner.next()) {
        TimedToken entry;
        entry.begin = token->position - 1;
        entry.onset = onset;
        entry.note = token->kind == TokenKind::Note;
        if (token->kind == TokenKind::Note || token->kind == TokenKind::Rest) {
            entry.ticks = token->ticks;
        }
        if (!timed.empty()) {
            timed.back().end = entry.begin;
        }
        onset += entry.ticks;
        timed.push_back(entry);
    }
    if (!timed.empty()) {
        timed.back().end = line.size();
    }
    return timed;
}

std::optional<std::size_t> tokenAtCaret(const std::vector<TimedToken> &tokens, std::size_t caret) {
    if (tokens.empty()) {
        return std::nullopt;
    }
    const auto found = std::find_if(tokens.begin(), tokens.end(),
                                    [caret](const TimedToken &t) { return caret <= t.end; });
    return found == tokens.end() ? tokens.size() - 1 : std::size_t(found - tokens.begin());
}

std::optional<std::size_t> noteAt(const std::vector<TimedToken> &tokens, std::int64_t tick) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TimedToken &t = tokens[i];
        if (t.note && t.onset <= tick && tick < t.onset + t.ticks) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace tunelet::midi
