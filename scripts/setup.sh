#!/usr/bin/env bash
# Installs what Tunelet needs on Debian 12 (only what is missing), then configures and
# builds it. Used by the README's two commands; safe to run again (a second run installs
# nothing and only rebuilds what changed).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TUNELET_BUILD_DIR:-"$root/build"}

packages=(
  # build
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libfluidsynth-dev libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # compressed MusicXML (.mxl) files are ZIP archives
  libzip-dev
  # tests: the notation PDF read back; the MIDI file's lyrics read back by another reader
  poppler-utils python3-mido
  # run: windowing plugins, General MIDI sounds, Chinese glyphs, Qt's own texts in Chinese
  qt6-qpa-plugins fluid-soundfont-gm fonts-wqy-microhei qt6-translations-l10n
  # installing: the desktop entry's file type association
  desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build_dir" -j2
