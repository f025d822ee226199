#!/usr/bin/python3
"""Lyrics of a Tunelet export read back by an independent MIDI reader (mido).

A score file with words in its song block is exported by tunelet-export; mido then reads
the file, and every syllable must be a lyric event at the onset of its note, just before
its note-on, in the track of its part, and no lyric event may stand anywhere else.

Usage: lyrics_read_back.py TUNELET_EXPORT WORK_DIR
"""
import os
import subprocess
import sys

import mido

# Each part: its line, its verse 1 as typed, and what each of its notes shows in the file
# (None: no lyric event: a held note or a skipped one).
PARTS = [
    ("1fd/1fd/5fd/5fd/6fd/6fd/5fc/0d/4fd/4fd/3fd/3fd/",
     "一闪一闪亮晶晶， * 满天_",
     ["一", "闪", "一", "闪", "亮", "晶", "晶，", None, "满", "天", None]),
    ("", "", []),
    ("1ed/2ed/0d/3ed/4ed/5ed/6ed/",
     "Twin-kle, star~light * 第二",
     ["Twin", "kle, ", "starlight ", None, "第", "二"]),
]


def score_file():
    lines = b"".join(p[0].encode() + b"\r\n" for p in PARTS)
    block = "tunelet-song 1\n"
    for k, part in enumerate(PARTS):
        if part[1]:
            block += "words%d-1=%s\n" % (k + 1, part[1])
    block += "words1-2=第二段只在谱上\n"
    return lines + b"\0" + block.encode()


def main():
    export, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    script = os.path.join(work, "lyrics.TNL")
    midi = os.path.join(work, "lyrics.mid")
    with open(script, "wb") as f:
        f.write(score_file())
    subprocess.run([export, script, midi], check=True)

    song = mido.MidiFile(midi)
    faults = []
    if len(song.tracks) != len(PARTS) + 1:
        faults.append("tracks: %d" % len(song.tracks))
    for k, part in enumerate(PARTS):
        track = song.tracks[k + 1]  # the song's own track comes first
        time = 0
        onsets, lyrics = [], []
        for n, message in enumerate(track):
            time += message.time
            if message.type == "note_on" and message.velocity > 0:
                onsets.append(time)
            elif message.type == "lyrics":
                after = track[n + 1] if n + 1 < len(track) else None
                if after is None or after.type != "note_on" or after.time != 0:
                    faults.append("part %d: a lyric event not just before a note" % (k + 1))
                # mido reads meta text as Latin-1: its bytes are the file's UTF-8.
                lyrics.append((time, message.text.encode("latin-1").decode("utf-8")))
        if len(onsets) != len(part[2]):
            faults.append("part %d: %d notes, expected %d" % (k + 1, len(onsets), len(part[2])))
            continue
        expected = [(onsets[n], text) for n, text in enumerate(part[2]) if text is not None]
        if lyrics != expected:
            faults.append("part %d: lyrics %r, expected %r" % (k + 1, lyrics, expected))
    for fault in faults:
        print(fault)
    if not faults:
        print("every syllable is a lyric event at its note's onset in its part's track")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
