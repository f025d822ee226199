#!/bin/bash
# Compares the General MIDI SoundFonts that Debian packages, side by side, as Tunelet uses
# them: load time, time to the first composed note, memory while the songbook plays
# (with and without FluidSynth's dynamic sample loading), and the songbook rendered to
# WAV with each, measured with sox (levels, clipping) and drawn as spectrograms. For
# measuring only; it needs sox, root (it points default-GM.sf2 at each font in turn and
# puts it back) and a build with the soundfont_probe target:
#
#   cmake --build BUILD --target soundfont_probe tunelet-export
#   scripts/compare_soundfonts.sh BUILD OUT      # WAVs and spectrograms go into OUT
set -euo pipefail

build=${1:?usage: compare_soundfonts.sh BUILD OUT}
out=${2:?usage: compare_soundfonts.sh BUILD OUT}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fonts=(
    /usr/share/sounds/sf2/TimGM6mb.sf2
    /usr/share/sounds/sf3/MuseScore_General_Lite.sf3
    /usr/share/sounds/sf3/MuseScore_General_Full.sf3
    /usr/share/sounds/sf2/FluidR3_GM.sf2
)
link=default-GM.sf2
was=$(readlink -f /usr/share/sounds/sf2/$link)
added=() # fonts this script registered as default-GM.sf2, removed again at the end
restore() {
    for font in "${added[@]}"; do update-alternatives --remove $link "$font" >/dev/null; done
    update-alternatives --set $link "$was" >/dev/null 2>&1 || update-alternatives --auto $link
}
trap restore EXIT

mkdir -p "$out/midi"
for f in "$root"/examples/*.TNL; do
    "$build/src/tunelet-export" "$f" "$out/midi/$(basename "$f" .TNL).MID"
done

for font in "${fonts[@]}"; do
    [ -f "$font" ] || { echo "== $font: not installed"; continue; }
    name=$(basename "$font" | sed 's/\..*//')
    echo "== $name ($(du -h "$font" | cut -f1))"
    sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true # a first load, from disk
    "$build/bench/render/soundfont_probe" "$font" "$out"/midi/*.MID
    "$build/bench/render/soundfont_probe" "$font" "$out"/midi/*.MID # cached
    "$build/bench/render/soundfont_probe" --dynamic "$font" "$out"/midi/*.MID
    # The WAV renderer takes default-GM.sf2, which an SF3 file may stand for too.
    if ! update-alternatives --list $link | grep -qx "$font"; then
        update-alternatives --install /usr/share/sounds/sf2/$link $link "$font" 1 >/dev/null
        added+=("$font")
    fi
    update-alternatives --set $link "$font" >/dev/null
    mkdir -p "$out/$name"
    for midi in "$out"/midi/*.MID; do
        song=$(basename "$midi" .MID)
        "$build/src/tunelet-export" --wav "$root/examples/$song.TNL" "$out/$name/$song.wav"
        sox "$out/$name/$song.wav" -n stats 2>&1 |
            awk -v s="$song" '/Pk lev dB/{pk=$4} /RMS lev dB/{rms=$4} /Flat factor/{ff=$3}
                 END{printf "   %-24s peak %6s dB  RMS %6s dB  flat factor %s\n", s, pk, rms, ff}'
        sox "$out/$name/$song.wav" -n spectrogram -x 800 -y 257 -t "$name $song" \
            -o "$out/$name/$song.png"
    done
done
