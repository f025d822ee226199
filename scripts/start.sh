#!/usr/bin/env bash
# Sets up (installs what is missing, configures, builds) and starts Tunelet.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TUNELET_BUILD_DIR:-"$root/build"}
bash "$root/scripts/setup.sh"
if [ -x "$build_dir/src/ui/tunelet" ]; then
  exec "$build_dir/src/ui/tunelet" "$@"
fi
exec "$build_dir/src/tunelet-export" --help
