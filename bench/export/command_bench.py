#!/usr/bin/env python3
"""Command benchmark: the whole tunelet-export run, as a user starts it, beside its yardsticks.

  1. 40,000 notes of one melody: tunelet-export beside abc2midi (Debian package abcmidi)
     on the same melody written in ABC, in alternating runs; the ratio of the medians.
  2. 16 tracks x 62,500 tokens: tunelet-export beside a plain write of the same number of
     bytes into the same folder (dd, 64 KiB blocks, then fsync, as the export syncs too).
  3. The shared objects a MIDI export loads (the dynamic loader's own list, LD_DEBUG).

Figures, not pass/fail. Usage:
  bench/export/command_bench.py build/src/tunelet-export [FOLDER] [RUNS]
FOLDER (default: a new folder under the system's temporary folder) holds the files.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PITCHES_TNL = "1234567"
PITCHES_ABC = "CDEFGAB"


def melody(folder, notes):
    """The same melody as a script file and as an ABC tune: a scale of quarter notes."""
    tnl = "".join(PITCHES_TNL[i % 7] + "fd/" for i in range(notes))
    bars = []
    for start in range(0, notes, 4):
        bars.append(" ".join(PITCHES_ABC[i % 7] for i in range(start, min(start + 4, notes))))
    abc_lines = [" | ".join(bars[i:i + 8]) + " |" for i in range(0, len(bars), 8)]
    abc = "X:1\nT:bench\nM:4/4\nL:1/4\nQ:1/4=120\nK:C\n" + "\n".join(abc_lines) + "\n"
    paths = (os.path.join(folder, "melody.TNL"), os.path.join(folder, "melody.abc"))
    with open(paths[0], "w") as out:
        out.write(tnl + "\r\n")
    with open(paths[1], "w") as out:
        out.write(abc)
    return paths


def large_score(folder, tracks=16, tokens=62_500):
    """Mostly notes of every pitch, octave and length, some rests, instrument and volume."""
    pitches = "1v2w34x5y6z7"
    lines = []
    for t in range(tracks):
        parts = []
        for i in range(tokens):
            n = i * 7 + t
            if i % 97 == 0:
                parts.append("@0%d/" % (10 + n % 90))
            elif i % 53 == 0:
                parts.append("#%d/" % (100 + n % 156))
            elif i % 9 == 0:
                parts.append("0" + "abcdefgh"[n % 8] + "/")
            else:
                parts.append(pitches[n % 12] + "bcdefghij"[n % 9] + "abcdefgh"[n % 8] + "/")
        lines.append("".join(parts))
    path = os.path.join(folder, "large.TNL")
    with open(path, "w") as out:
        out.write("\r\n".join(lines) + "\r\n")
    return path


def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def alternate(commands, runs):
    """Median seconds of each command, run in turn so that both see the same machine."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            times[i].append(seconds(command))
    return [statistics.median(t) for t in times]


def loaded_objects(command):
    """The shared objects the dynamic loader maps for command (the vDSO not counted)."""
    env = dict(os.environ, LD_DEBUG="files")
    run = subprocess.run(command, env=env, capture_output=True, text=True, check=True)
    names = set()
    for line in run.stderr.splitlines():
        if "file=" in line and "generating link map" in line:
            names.add(line.split("file=", 1)[1].split(" ", 1)[0].rstrip(";"))
    return sorted(names)


def main():
    program = os.path.abspath(sys.argv[1])
    folder = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="tunelet-command-")
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    os.makedirs(folder, exist_ok=True)
    tnl, abc = melody(folder, 40_000)
    out = os.path.join(folder, "out.MID")
    if shutil.which("abc2midi"):
        ours, theirs = alternate([[program, tnl, out],
                                  ["abc2midi", abc, "-o", os.path.join(folder, "abc.mid")]], runs)
        print("40,000 notes: tunelet-export %.1f ms, abc2midi %.1f ms, ratio %.2f (goal <= 0.5)"
              % (ours * 1e3, theirs * 1e3, ours / theirs))
    else:
        print("40,000 notes: abc2midi not installed (apt-get install abcmidi)")

    large = large_score(folder)
    subprocess.run([program, large, out], check=True)
    size = os.path.getsize(out)
    plain = os.path.join(folder, "plain.bin")
    dd = ["dd", "if=/dev/zero", "of=" + plain, "bs=64K", "count=%d" % size, "iflag=count_bytes",
          "conv=fsync", "status=none"]
    ours, write = alternate([[program, large, out], dd], runs)
    print("16 x 62,500 tokens (%.1f MB out): tunelet-export %.1f ms, plain write %.1f ms, "
          "ratio %.2f (goal <= 2)" % (size / 1e6, ours * 1e3, write * 1e3, ours / write))

    objects = loaded_objects([program, tnl, out])
    print("shared objects loaded by a MIDI export: %d (goal <= 8)" % len(objects))
    for name in objects:
        print("  " + name)
    if len(sys.argv) <= 2:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
