#!/bin/bash
# Records practice plays from the sound server and measures them: each loop pass's start
# against its ideal start, the silence at the loop's seams, the time from play-from-here
# to the first sound, position() against the notes heard, and from a speed change to the
# followed position moving at the new speed. For measuring only; needs pulseaudio,
# pulseaudio-utils and python3, and a build with the practice_probe target:
#
#   cmake --build BUILD --target practice_probe
#   bench/playback/record_practice.sh BUILD [loop|from|follow|speed|steady]   (all by default)
#   LOAD=2 bench/playback/record_practice.sh BUILD steady   # with two busy loops
#
# Dropouts in 20 s with two busy loops on a 2-core machine already at load 9-12, practice /
# Play: with libpulse's thread at ordinary priority 36/15, 61/26, 77/54, 119/87; with it at
# the audio thread's priority 1/1 (each under 1 ms), 1/3 (49 ms / 54 ms in all), 1/1, 0/1.
#
# It runs a PulseAudio of its own (in RUNTIME, /tmp/pulse-practice unless set) with a null
# sink, so it neither needs nor disturbs another sound server.
set -euo pipefail

build=${1:?usage: record_practice.sh BUILD [loop|from|follow|speed]}
only=${2:-}
probe="$build/bench/playback/practice_probe"
work=$(mktemp -d)
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
export XDG_RUNTIME_DIR=${RUNTIME:-/tmp/pulse-practice}
mkdir -p "$XDG_RUNTIME_DIR"
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --load="module-null-sink sink_name=practice rate=44100" >"$work/pulse.log" 2>&1 &
pulse=$!
busy=()
trap 'kill $pulse "${busy[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink practice

cat >"$work/analyse.py" <<'PY'
import sys
sys.path.insert(0, sys.argv[4])
from recording import RATE as rate, Recording, read_marks
rec = Recording(sys.argv[1], sys.argv[2])
s, level, wall, frame_at, first_sound = (rec.samples, rec.level, rec.wall, rec.frame_at,
                                          rec.first_sound)
m = read_marks(sys.argv[3])
if "speed_heard_ms" in m:
    print("speed change to the position followed by ear moving at the new speed: "
          + ", ".join(f"{x:.0f}" for x in m["speed_heard_ms"]) + " ms")
    sys.exit()
if "stop" in m and "pass_ms" not in m:
    # Inside 20 s of sound that never falls silent, every run of exact zero of 1 ms or
    # more is a dropout (the sound server filled a late block).
    a, b = frame_at(m["play"][0]) , frame_at(m["stop"][0])
    a = first_sound(a)
    runs, run = [], 0
    for i in range(a, b):
        if s[2 * i] == 0 and s[2 * i + 1] == 0:
            run += 1
        else:
            if run >= rate // 1000:
                runs.append(run)
            run = 0
    print(f"dropouts: {len(runs)}, {sum(runs) * 1000 // rate} ms in all"
          + (f", longest {max(runs) * 1000 // rate} ms" if runs else ""))
    sys.exit()
if "cross" in m:
    high = max(level) / 2
    onsets, quiet = [], rate
    for i, v in enumerate(level):
        if v >= high and quiet >= rate * 0.15:
            onsets.append(wall(i))
        quiet = 0 if v >= high else quiet + 1
    lead = [(o - c) * 1000 for o, c in zip(onsets, m["cross"])]
    print("note heard minus position() reaching it: "
          + ", ".join(f"{x:+.0f}" for x in lead) + " ms")
    sys.exit()
if "pass_ms" not in m:
    lat = [(wall(first_sound(frame_at(t))) - t) * 1000 for t in m["play"]]
    print("play-from-here to first sound: " + ", ".join(f"{x:.0f}" for x in lat) + " ms")
    sys.exit()
# Each pass opens with a loud note: an onset is a rise over half the loudest level after
# at least 150 ms under it.
pass_frames = m["pass_ms"][0] * rate / 1000
high = max(level) / 2
onsets, quiet = [], rate
for i, v in enumerate(level):
    if v >= high and quiet >= rate * 0.15:
        onsets.append(i)
    quiet = 0 if v >= high else quiet + 1
drift = [(o - onsets[0] - p * pass_frames) * 1000 / rate for p, o in enumerate(onsets)]
print(f"passes: {len(onsets)}, pass {m['pass_ms'][0]:.1f} ms")
print("pass start minus ideal start: " + ", ".join(f"{d:+.1f}" for d in drift) + " ms")
print(f"largest: {max(abs(d) for d in drift):.1f} ms, after the 20th pass: "
      + (f"{drift[20]:+.1f} ms" if len(drift) > 20 else "n/a"))
end = min(len(level), onsets[-1] + int(pass_frames))
# The seam: the silence (below about -60 dBFS) just before each pass's first note.
def gap_before(o):
    f = o - 1
    while f > 0 and level[f] < 33:
        f -= 1
    return (o - 1 - f) * 1000 / rate
gaps = [gap_before(o) for o in onsets[1:]]
print(f"silence at the seams: longest {max(gaps):.1f} ms, mean {sum(gaps) / len(gaps):.1f} ms")
# Dropouts of the output (the sound server fills a late block with exact zeros), which
# shift every later pass and are no fault of the timing: runs of zero of 1 ms or more.
zeros = [0]
for i in range(onsets[0], onsets[-1]):
    if s[2 * i] == 0 and s[2 * i + 1] == 0:
        zeros[-1] += 1
    elif zeros[-1]:
        zeros.append(0)
drops = [z for z in zeros if z >= rate // 1000]
print(f"dropouts: {len(drops)}, {sum(drops) * 1000 / rate:.0f} ms in all")
PY

record() { # record NAME PROBE-ARGS...
    local name=$1; shift
    mkfifo "$work/$name.pipe"
    python3 "$scripts/recording.py" capture "$work/$name.raw" "$work/$name.stamps" \
        <"$work/$name.pipe" &
    local capture=$!
    parec -d practice.monitor --raw --format=s16le --rate=44100 --channels=2 \
        --latency-msec=5 >"$work/$name.pipe" &
    local rec=$!
    sleep 0.5
    "$probe" "$@" >"$work/$name.marks"
    sleep 0.5
    kill $rec
    wait $rec 2>/dev/null || true
    wait $capture
    echo "== $name"
    python3 "$work/analyse.py" "$work/$name.raw" "$work/$name.stamps" "$work/$name.marks" \
        "$scripts"
}

echo "audio period: ${PROBE_PERIOD_SIZE:-2048 (as the program)} frames; load: $(cut -d' ' -f1-3 /proc/loadavg)"
wanted() { [ -z "$only" ] || [ "$only" = "$1" ]; }
if wanted loop; then
    record loop-50 loop 0.5 21
    record loop-150 loop 1.5 21
fi
if wanted from; then record from from; fi
if wanted follow; then record follow follow; fi
if wanted steady; then
    for ((i = 0; i < ${LOAD:-0}; i++)); do yes >/dev/null & busy+=($!); done
    echo "busy loops: ${LOAD:-0}"
    record steady-practice steady practice
    record steady-transport steady transport
    for pid in "${busy[@]}"; do kill "$pid"; done
    busy=()
fi
if wanted speed; then
    "$probe" speed >"$work/speed.marks"
    echo "== speed"
    python3 "$work/analyse.py" /dev/null /dev/null "$work/speed.marks" "$scripts"
fi
