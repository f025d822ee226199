#!/usr/bin/env python3
"""Tunelet -> MusicXML -> MuseScore 3 -> MusicXML -> Tunelet, for every songbook song:
each score is exported with tunelet-export --musicxml, converted by MuseScore 3
(QT_QPA_PLATFORM=offscreen musescore3 -o OUT.musicxml IN.musicxml) and imported back with
tunelet-export --import. Every note's pitch and onset (in script ticks, over all lines)
and the song's properties are compared with the original's; MuseScore is a tool of this
check only, never linked.

    bench/musicxml/musescore_round_trip.py [--tool build/src/tunelet-export] [FILE.TNL...]

Prints one row a song (notes kept, notes changed, properties changed, MuseScore's
warnings, MuseScore's seconds) and the totals; exits 1 when any note or property differs.
"""
import argparse
import collections
import glob
import os
import re
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

PITCHES = "1v2w34x5y6z7"
TICKS = {"a": 192, "b": 144, "c": 96, "h": 72, "d": 48, "e": 24, "f": 12, "g": 6}


def read_score(path):
    """The notes (onset, key) of all lines and the song block's lines."""
    data = open(path, "rb").read()
    tracks, _, block = data.partition(b"\0")
    notes = []
    for line in tracks.decode("latin-1").split("\r\n"):
        at = 0
        for token in line.split("/")[:-1]:
            if token[:1] in "@#":
                continue
            length = TICKS[token[-1]]
            if token[0] != "0":
                key = PITCHES.index(token[0]) + 12 * (ord(token[1]) - ord("a"))
                notes.append((at, key))
            at += length
    return sorted(notes), [typed(line) for line in block.decode("utf-8").splitlines()]


def typed(line):
    """A words line as its syllables: blanks around a held note's "_" and beside Chinese
    characters separate nothing (the import writes words back with them)."""
    if not line.startswith("words"):
        return line
    line = re.sub(r"\s*_\s*", "_", line)
    return re.sub(r"(?<=[^\x00-\x7f])\s+|\s+(?=[^\x00-\x7f])", "", line)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(os.path.dirname(here))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", default=os.path.join(root, "build/src/tunelet-export"))
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    files = args.files or sorted(glob.glob(os.path.join(root, "examples", "*.TNL")))
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    failed = False
    total = kept = 0
    print(f"{'song':28} {'notes':>6} {'kept':>6} {'changed':>8}  properties  warnings  seconds")
    with tempfile.TemporaryDirectory() as folder:
        for path in files:
            name = os.path.splitext(os.path.basename(path))[0]
            exported = os.path.join(folder, name + ".musicxml")
            converted = os.path.join(folder, name + ".musescore.musicxml")
            imported = os.path.join(folder, name + ".TNL")
            result = run([args.tool, "--musicxml", path, exported])
            if result.returncode != 0:
                sys.exit(f"{name}: export failed: {result.stderr}")
            started = time.monotonic()
            result = run(["musescore3", "-o", converted, exported], env=environment)
            seconds = time.monotonic() - started
            if result.returncode != 0:
                sys.exit(f"{name}: MuseScore failed: {result.stderr}")
            # MuseScore's own start-up lines are not about the file.
            lines = [w for w in result.stderr.splitlines()
                     if w.strip() and not w.startswith(("QStandardPaths", "convert <",
                                                        "\tto <", "... success"))]
            # "chord 0x... note 0x... pitch 37": a drum its default kit has no place for.
            drums = collections.Counter(w.rpartition(" ")[2] for w in lines
                                        if w.startswith("chord ") and " pitch " in w)
            warnings = [w for w in lines if not (w.startswith("chord ") and " pitch " in w)]
            result = run([args.tool, "--import", converted, imported])
            if result.returncode != 0:
                sys.exit(f"{name}: import failed: {result.stderr}")
            before, song = read_score(path)
            after, song_after = read_score(imported)
            both = sum((collections.Counter(before) & collections.Counter(after)).values())
            # A song without a key or metre is written as 1=C and 4/4, and comes back so;
            # without a title, the export names it by its file, as the notation does; a
            # part named as its instrument is written so and needs no name back.
            expected = [line for line in song if line and line != "tunelet-song 1"]
            if not any(line.startswith("title=") for line in expected):
                expected.append("title=" + name)
            instruments = [part.findtext("score-instrument/instrument-name")
                           for part in ElementTree.parse(exported).iter("score-part")]
            optional = ["key=C", "time=4/4", "tunelet-song 1"] + [
                line for line in expected
                if line.startswith("part") and line.partition("=")[2] in instruments]
            missing = [line for line in expected
                       if line not in song_after and line not in optional]
            added = [line for line in song_after if line not in expected + optional]
            total += len(before)
            kept += both
            changed = len(before) - both + max(0, len(after) - len(before))
            failed = failed or changed > 0 or missing or added
            properties = "same" if not missing and not added else \
                "-" + ",".join(missing) + " +" + ",".join(added)
            print(f"{name:28} {len(before):6} {both:6} {changed:8}  {properties:10}"
                  f"  {len(warnings):8}  {seconds:7.2f}")
            for warning in warnings:
                print("    MuseScore:", warning)
            if drums:
                print("    MuseScore's kit has no place for drum keys (times):",
                      ", ".join(f"{key} ({n})" for key, n in sorted(drums.items())))
    print(f"{'all':28} {total:6} {kept:6} {total - kept:8}")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
