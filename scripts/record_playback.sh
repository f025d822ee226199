#!/bin/bash
# Records what Tunelet's playback sends to the sound server and measures it: dropouts
# (runs of digital silence inside the music), Play to first sound, the time from a note
# sent to the synthesiser to its sound, from a key in the line editor to its sound after
# idle spells, Play after a second Open, how the last note ends, and the CPU used while
# nothing plays. For measuring only; it needs pulseaudio, pulseaudio-utils and python3,
# and a build with the playback_probe and audition_probe targets:
#
#   cmake --build BUILD --target playback_probe audition_probe
#   scripts/record_playback.sh BUILD [load]      # "load": two busy loops during the runs
#
# It starts its own PulseAudio with a null sink when none answers, records the sink's
# monitor with parec, and compares with FluidSynth's own player when `fluidsynth` exists.
set -euo pipefail

build=${1:?usage: record_playback.sh BUILD [load]}
load=${2:-}
probe="$build/bench/playback/playback_probe"
audition="$build/bench/ui/audition_probe"
work=$(mktemp -d)
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
sf2=/usr/share/sounds/sf2/default-GM.sf2

if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
        --load="module-native-protocol-unix auth-anonymous=1" \
        --load="module-null-sink sink_name=rec" --load="module-always-sink" \
        --load="module-suspend-on-idle" # as on a desktop: an idle sink sleeps after 5 s
    sleep 1
fi
sink=$(pactl get-default-sink)

cat >"$work/analyse.py" <<'PY'
import sys
sys.path.insert(0, sys.argv[4])
from recording import RATE as rate, Recording, read_marks
rec = Recording(sys.argv[1], sys.argv[2])
left, right, level, wall, frame_at = rec.left, rec.right, rec.level, rec.wall, rec.frame_at
m = read_marks(sys.argv[3])
def first_sound(after):
    return rec.first_sound(rec.frame_at(after))
if "note" in m:
    lat = [(wall(first_sound(t)) - t) * 1000 for t in m["note"]]
    print("note to sound: " + ", ".join(f"{x:.0f}" for x in lat) + " ms")
    sys.exit()
start = first_sound(m["play"][0])
print(f"play to first sound: {(wall(start) - m['play'][0]) * 1000:.0f} ms")
last = max(i for i in range(len(level)) if level[i] > 0)
# Dropouts: runs of exact zero of at least 1 ms inside the music, from the first sound to
# the last one above -30 dBFS (the quiet end of a fading note rounds to zero by itself).
loud_end = max(i for i in range(len(level)) if level[i] > 1000)
runs, run = [], 0
for i in range(start, loud_end):
    if left[i] == 0 and right[i] == 0:
        run += 1
    else:
        if run >= rate // 1000:
            runs.append(run)
        run = 0
print(f"dropouts: {len(runs)}, {sum(runs) * 1000 // rate} ms in all"
      + (f", longest {max(runs) * 1000 // rate} ms" if runs else ""))
if "end_notice" in m:
    e = frame_at(m["end_notice"][0])
    print(f"sound after the end notice: {(last - e) * 1000 // rate} ms")
# The ending: level over 5 ms windows from the loudest of the last second to silence.
w = rate // 200
tail = [max(level[i:i + w]) for i in range(max(start, last - rate * 3), last, w)]
peak_at = max(range(len(tail)), key=lambda i: tail[i]) if tail else 0
below = next((i for i in range(peak_at, len(tail)) if tail[i] < tail[peak_at] / 100), len(tail))
print(f"last sound: from its peak to -40 dB in {(below - peak_at) * 5} ms")
PY

record() { # record NAME COMMAND...: records while COMMAND runs, prints its figures
    local name=$1; shift
    parec -d "$sink.monitor" --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 \
        | python3 "$scripts/recording.py" capture "$work/$name.raw" "$work/$name.stamps" &
    local rec=$!
    sleep 0.5
    "$@" >"$work/$name.marks"
    sleep 0.5
    pkill -f "parec -d $sink.monitor" || true
    wait $rec || true
    echo "== $name${load:+ (under load)}"
    python3 "$work/analyse.py" "$work/$name.raw" "$work/$name.stamps" "$work/$name.marks" \
        "$scripts"
}

fluid() { # FluidSynth's own player for comparison, marks like the probe's
    echo "play $(date +%s.%N)"
    fluidsynth -q -n -i -a pulseaudio "$@" "$sf2" >/dev/null 2>&1
}

if [ "$load" = load ]; then
    yes >/dev/null & yes >/dev/null &
fi

"$probe" write-scale "$work/scale.mid"
"$probe" write-song "$work/song.mid"
record scale "$probe" play "$work/scale.mid"
record song "$probe" play "$work/song.mid"
record note "$probe" note
# Keys after idle spells of 0.5, 2, 3.5 and 10 s, twice each, in that order.
record keys-after-idle "$audition" keys
record play-after-second-open "$audition" reopen "$work/scale.mid"
if command -v fluidsynth >/dev/null; then
    record fluidsynth-default fluid "$work/scale.mid"
    record fluidsynth-1024 fluid -z 1024 "$work/scale.mid"
fi
echo "== CPU while nothing plays${load:+ (under load)}"
"$probe" idle "$work/scale.mid" "$(pgrep -x pulseaudio | head -1)"
