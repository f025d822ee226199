#!/usr/bin/env bash
# Sets up (installs what is missing, configures, builds) and starts Tunelet's window.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TUNELET_BUILD_DIR:-"$root/build"}
bash "$root/scripts/setup.sh"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "Tunelet is a desktop program: start it from a graphical session." >&2
  exit 1
fi
exec "$build_dir/src/ui/tunelet"
