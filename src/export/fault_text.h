// The words for a fault in a track line: which track, which byte and what is wrong.
// The command line prints them under the export's message, the window shows them in its
// notice. Standard library only.
#pragma once

#include <string>
#include <string_view>

#include "export/score_to_midi.h"

namespace tunelet::midi {

// Where a token or number fault of result lies in line (the failing track's bytes) and
// why, in the user's words (UTF-8), e.g. "第2音轨，第5字节：“f”不是音符、休止符、@ 或 # 的开头".
// Meant for the failures that carry a place in a line (TokenError, NumberError).
std::string tokenFaultText(const ExportResult &result, std::string_view line);

// Bytes as the user should see them: printable ASCII as is, any other byte as 0xB2.
std::string showBytes(std::string_view bytes);

} // namespace tunelet::midi
