#!/usr/bin/env python3
"""How much of real MIDI files survives an import: each file is imported with
tunelet-export --import, the script exported back to MIDI, and the notes of both files
matched one to one by key, with onsets (in quarter notes) within half a grid step
(1/16 of a beat). Drums (channel 10) match only drums, pitched notes only pitched notes.

    bench/midi/corpus_round_trip.py [--tool build/src/tunelet-export] FILE_OR_FOLDER...

Prints one row a file and the pooled figures: notes kept, pitched and drum notes kept,
and bass drum and snare kept (all, and those that meet no other bass drum or snare).
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

TOLERANCE = 1.0 / 16  # half of the script's 6-tick grid, in 48-tick beats
BASS_DRUMS = {35, 36}
SNARES = {38, 40}


def quantity(data, at):
    value = 0
    for _ in range(4):
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            break
    return value, at


def unwrap_riff(data):
    if data[:4] == b"RIFF" and data[8:12] == b"RMID":
        at = 12
        while at + 8 <= len(data):
            size = struct.unpack("<I", data[at + 4:at + 8])[0]
            if data[at:at + 4] == b"data":
                return data[at + 8:at + 8 + size]
            at += 8 + size + (size & 1)
    return data


def notes_of(path):
    """(beat, key, drum) of every note-on with a velocity, onsets in quarter notes.
    Format 2 tracks are laid over each other from the start, as the import does."""
    data = unwrap_riff(open(path, "rb").read())
    if data[:4] != b"MThd":
        raise ValueError("not a MIDI file")
    size = struct.unpack(">I", data[4:8])[0]
    division = struct.unpack(">H", data[12:14])[0]
    if division & 0x8000:
        frames = 256 - (division >> 8)
        per_beat = (30 if frames == 29 else frames) * (division & 0xFF) / 2.0
    else:
        per_beat = float(division)
    at = 8 + size
    notes = []
    while at + 8 <= len(data):
        kind = data[at:at + 4]
        length = struct.unpack(">I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + length]
        at += 8 + length
        if kind != b"MTrk":
            continue
        pos, tick, running = 0, 0, 0
        try:
            while pos < len(body):
                delta, pos = quantity(body, pos)
                tick += delta
                status = body[pos]
                if status < 0x80:
                    status = running
                else:
                    pos += 1
                if status == 0xFF:
                    pos += 1
                    n, pos = quantity(body, pos)
                    pos += n
                elif status in (0xF0, 0xF7):
                    n, pos = quantity(body, pos)
                    pos += n
                else:
                    running = status
                    count = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                    args = body[pos:pos + count]
                    pos += count
                    if status & 0xF0 == 0x90 and len(args) == 2 and args[1] > 0:
                        notes.append((tick / per_beat, args[0], status & 0x0F == 9))
        except IndexError:
            pass
    return notes


def match(original, exported):
    """Original notes that have a partner in the exported file, one to one."""
    by_key = {}
    for beat, key, drum in exported:
        by_key.setdefault((key, drum), []).append(beat)
    kept = []
    taken = {k: [False] * len(v) for k, v in by_key.items()}
    for k in by_key:
        by_key[k].sort()
    for beat, key, drum in sorted(original):
        onsets = by_key.get((key, drum), [])
        used = taken.get((key, drum), [])
        found = False
        # nearest free onset within the tolerance
        lo, hi = 0, len(onsets)
        while lo < hi:
            mid = (lo + hi) // 2
            if onsets[mid] < beat - TOLERANCE - 1e-9:
                lo = mid + 1
            else:
                hi = mid
        best = None
        for i in range(lo, len(onsets)):
            if onsets[i] > beat + TOLERANCE + 1e-9:
                break
            if not used[i] and (best is None or abs(onsets[i] - beat) < abs(onsets[best] - beat)):
                best = i
        if best is not None:
            used[best] = True
            found = True
        kept.append(((beat, key, drum), found))
    return kept


def run(tool, path, work):
    script = os.path.join(work, "song.TNL")
    back = os.path.join(work, "song.MID")
    imported = subprocess.run([tool, "--import", path, script], capture_output=True, text=True)
    if imported.returncode != 0:
        return None, imported.stderr.strip().replace("\n", " | ")
    exported = subprocess.run([tool, script, back], capture_output=True, text=True)
    if exported.returncode != 0:
        return None, "export failed: " + exported.stderr.strip()
    return match(notes_of(path), notes_of(back)), imported.stderr.strip().replace("\n", " | ")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", default="build/src/tunelet-export")
    parser.add_argument("--quiet", action="store_true", help="pooled figures only")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    files = []
    for p in args.paths:
        if os.path.isdir(p):
            files += sorted(os.path.join(p, f) for f in os.listdir(p))
        else:
            files.append(p)
    pooled = {"all": [0, 0], "pitched": [0, 0], "drums": [0, 0], "bass+snare": [0, 0],
              "bass+snare alone": [0, 0]}
    whole = 0
    with tempfile.TemporaryDirectory() as work:
        for path in files:
            kept, report = run(args.tool, path, work)
            name = os.path.basename(path)
            if kept is None:
                print(f"{name}: refused: {report}")
                continue
            counts = {k: [0, 0] for k in pooled}
            # Bass drum and snare hits per grid step, to tell a hit that meets only other
            # drums from one that meets another bass drum or snare.
            grooves = {}
            for (beat, key, drum), _ in kept:
                if drum and key in BASS_DRUMS | SNARES:
                    step = round(beat * 8)
                    grooves[step] = grooves.get(step, 0) + 1
            for (beat, key, drum), found in kept:
                groups = ["all", "drums" if drum else "pitched"]
                if drum and (key in BASS_DRUMS or key in SNARES):
                    groups.append("bass+snare")
                    if grooves[round(beat * 8)] == 1:
                        groups.append("bass+snare alone")
                for g in groups:
                    counts[g][0] += found
                    counts[g][1] += 1
            for g in pooled:
                pooled[g][0] += counts[g][0]
                pooled[g][1] += counts[g][1]
            whole += counts["all"][0] == counts["all"][1]
            if not args.quiet:
                share = 100.0 * counts["all"][0] / max(1, counts["all"][1])
                print(f"{name}: {counts['all'][0]}/{counts['all'][1]} ({share:.1f}%)  {report}")
    print(f"files: {len(files)}, every note kept in {whole}")
    for g, (k, n) in pooled.items():
        print(f"{g}: {k}/{n} kept ({100.0 * k / max(1, n):.1f}%)")


if __name__ == "__main__":
    sys.exit(main())
