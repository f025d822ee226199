// Fuzz targets: a property that must hold, or the run stops with a finding.
#pragma once

#include <cstdlib>

namespace tunelet::fuzz {

inline void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace tunelet::fuzz
