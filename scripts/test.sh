#!/usr/bin/env bash
# Sets up (installs what is missing, configures, builds) and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TUNELET_BUILD_DIR:-"$root/build"}
bash "$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j2
