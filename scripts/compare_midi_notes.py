#!/usr/bin/env python3
"""Compares the notes of two Standard MIDI Files: each note-on (key, velocity) at its onset
in quarter notes, whatever the division, channel or track. Used by check_musicxml.sh to see
that MuseScore plays what Tunelet's MusicXML says, against Tunelet's own MIDI export.
Prints the count of notes and the first differences; exit status 1 when they differ."""
import sys


def quantity(data, at):
    """A variable-length quantity at `at`: its value and the index after it."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def notes(path):
    data = open(path, 'rb').read()
    division = int.from_bytes(data[12:14], 'big')
    at = 14
    found = []
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], int.from_bytes(data[at + 4:at + 8], 'big')
        track, at = data[at + 8:at + 8 + size], at + 8 + size
        if kind != b'MTrk':
            continue
        i, tick, status = 0, 0, 0
        while i < len(track):
            delta, i = quantity(track, i)
            tick += delta
            if track[i] >= 0x80:
                status = track[i]
                i += 1
            if status == 0xFF:
                i += 1  # meta type
                length, i = quantity(track, i)
                i += length
            elif status in (0xF0, 0xF7):
                length, i = quantity(track, i)
                i += length
            else:
                size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                if status & 0xF0 == 0x90 and track[i + 1] > 0:
                    found.append((round(tick / division, 4), track[i], track[i + 1]))
                i += size
    return sorted(found)


def main():
    ours, theirs = notes(sys.argv[1]), notes(sys.argv[2])
    pitches = [(t, k) for t, k, _ in ours] == [(t, k) for t, k, _ in theirs]
    velocities = ours == theirs
    print(f'{len(ours)}/{len(theirs)} notes, pitch and onset '
          f'{"same" if pitches else "DIFFER"}, velocity {"same" if velocities else "differs"}')
    if not pitches:
        for a, b in zip(ours, theirs):
            if a[:2] != b[:2]:
                print(f'  first difference: {a} / {b}')
                break
    return 0 if pitches else 1


if __name__ == '__main__':
    sys.exit(main())
