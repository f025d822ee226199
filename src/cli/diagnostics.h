// tunelet-export: the texts printed when an export fails.
#pragma once

#include <string>
#include <vector>

#include "export/score_to_midi.h"

namespace tunelet::cli {

struct ExportContext {
    std::string inputPath;
    std::string outputPath;
};

// The second line, under midi::failureMessage: where the fault is (track, byte column, the
// offending bytes) and why.
std::string failureDetail(const midi::ExportResult &result, const std::vector<std::string> &lines,
                          const ExportContext &context);

} // namespace tunelet::cli
