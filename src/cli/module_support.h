// tunelet-export's output modules: the module side of the C interface, shared by every
// module (the request's lines as strings, the message handed back).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/export_module.h"
#include "export/score_to_midi.h"

namespace tunelet::cli {

inline std::vector<std::string> linesOf(const TuneletExportRequest &request) {
    std::vector<std::string> lines;
    lines.reserve(request.lineCount);
    for (std::size_t i = 0; i < request.lineCount; ++i) {
        lines.emplace_back(request.lines[i], request.lineSizes[i]);
    }
    return lines;
}

inline midi::ExportOptions optionsOf(const TuneletExportRequest &request) {
    return {static_cast<std::uint16_t>(request.division), request.staccato != 0};
}

// Copies text into the caller's buffer, cut to fit, always terminated; returns FAILED.
inline int failWith(std::string_view text, char *message, std::size_t messageSize) {
    if (message != nullptr && messageSize > 0) {
        const std::size_t size = std::min(text.size(), messageSize - 1);
        std::memcpy(message, text.data(), size);
        message[size] = '\0';
    }
    return TUNELET_EXPORT_FAILED;
}

} // namespace tunelet::cli
