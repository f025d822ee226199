#!/bin/bash
# Records composed notes as a user hears them: the program's window on an X display of its
# own, keys 1 3 5 6 typed into the line editor with xdotool at 0, 4.9, 6.2 and 11.1 s (the
# pauses between them longer and shorter than any buffer of the sound server), and the
# sink's monitor recorded with a plain parec, which asks for no latency: so the null sink
# runs with its longest buffer (2 s), as a quiet machine's server may. Each key's delay to
# its sound is measured against a paplay tone recorded earlier in the same recording. For
# measuring only; needs pulseaudio, pulseaudio-utils, xvfb, openbox, xdotool, python3:
#
#   cmake --build BUILD --target tunelet
#   bench/playback/record_keys.sh BUILD [RUNS] [suspend]   # "suspend": module-suspend-on-idle
#
# Figures on a machine shared by other builds (load 9-11), three runs each, in ms:
#   before the output was kept open while composing: 943, lost in the next, 1064, lost;
#     1960, -3, -3, 95; 1961, 13, 13, 109
#   kept open: 73, 26, 14, 25; 20, 19, 19, 23; 21, 20, 20, 20
#   with suspend: 69, 15, 15, 21; 9, 6, 8, 14
# The first key of a run that starts the program loads the SoundFont (about 50 ms).
#
# It runs a PulseAudio of its own (in RUNTIME, /tmp/pulse-keys unless set) and Xvfb on
# DISPLAY_NUMBER (:47 unless set), so it neither needs nor disturbs another server.
set -euo pipefail

build=${1:?usage: record_keys.sh BUILD [RUNS] [suspend]}
runs=${2:-3}
suspend=${3:-}
work=$(mktemp -d)
export XDG_RUNTIME_DIR=${RUNTIME:-/tmp/pulse-keys}
export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse
mkdir -p "$PULSE_RUNTIME_PATH"
export DISPLAY=:${DISPLAY_NUMBER:-47}
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    -L "module-null-sink sink_name=rec" -L module-native-protocol-unix \
    ${suspend:+-L module-suspend-on-idle} >"$work/pulse.log" 2>&1 &
pids+=($!)
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)

python3 - "$work/tone.wav" <<'PY'
import math, struct, sys, wave
w = wave.open(sys.argv[1], "wb")
w.setnchannels(2), w.setsampwidth(2), w.setframerate(44100)
w.writeframes(b"".join(struct.pack("<hh", *(2 * [int(8000 * math.sin(i / 8))]))
                       for i in range(44100 // 5)))
PY

cat >"$work/keys.py" <<'PY'
# Records while typing; prints each key's delay from its key to its sound.
import array, subprocess, sys, time
rate, tone, raw = 44100, sys.argv[1], sys.argv[2]
out = open(raw, "wb")
parec = subprocess.Popen(["parec", "-d", "rec.monitor", "--raw", "--format=s16le",
                          "--rate=44100", "--channels=2"], stdout=out)
start = time.time()
time.sleep(1.5)
reference = time.time()
subprocess.Popen(["paplay", tone])
time.sleep(2.0)
keys = []
first = time.time()
for key, at in zip("1356", (0, 4.9, 6.2, 11.1)):
    while time.time() < first + at:
        time.sleep(0.0005)
    keys.append(time.time())
    subprocess.run(["xdotool", "key", key])
time.sleep(2.5)
parec.terminate(), parec.wait(), out.close()
s = array.array("h")
s.frombytes(open(raw, "rb").read())
level = [max(abs(s[2 * i]), abs(s[2 * i + 1])) for i in range(len(s) // 2)]
# An onset: above about -40 dBFS after at least 150 ms below it.
onsets, quiet = [], rate
for i, v in enumerate(level):
    if v >= 300 and quiet >= rate * 0.15:
        onsets.append(i / rate)
    quiet = 0 if v >= 300 else quiet + 1
# The paplay tone places the recording in time; a key sounds at its first onset after it.
offset = onsets[0] - (reference - start)
heard = [o - offset for o in onsets[1:]]
delays = []
for i, k in enumerate(keys):
    later = keys[i + 1] if i + 1 < len(keys) else float("inf")
    mine = [h for h in heard if k - start - 0.005 <= h < later - start - 0.005]
    delays.append(f"{(mine[0] - (k - start)) * 1000:.0f}" if mine else "merged/lost")
print("key to sound (ms): " + ", ".join(delays))
PY

"$build/src/ui/tunelet" >"$work/tunelet.log" 2>&1 &
pids+=($!)
sleep 3 # the window shows and has the line editor in focus
echo "rig: pulseaudio null sink${suspend:+ with module-suspend-on-idle}, plain parec; load: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
    echo -n "run $run: "
    python3 "$work/keys.py" "$work/tone.wav" "$work/rec.raw"
    sleep 1
done
