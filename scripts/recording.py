"""Recordings of the sound server, for the measuring scripts (record_playback.sh and
bench/playback/record_practice.sh): capturing parec's raw 16-bit stereo with the wall
clock of each read, and placing every recorded frame back in wall-clock time.

    python3 recording.py capture RAW STAMPS < parec-output
"""
import array
import bisect
import sys
import time

RATE = 44100


def capture(raw_path, stamps_path):
    """Copies standard input to RAW and notes, per read, the wall clock and the frames
    received so far, so each frame can be placed in time."""
    out = open(raw_path, "wb")
    stamps = open(stamps_path, "w")
    frames = 0
    while True:
        data = sys.stdin.buffer.read1(4096)
        if not data:
            break
        now = time.time()
        out.write(data)
        frames += len(data) // 4
        stamps.write(f"{now:.6f} {frames}\n")


class Recording:
    """One capture: its samples, the level of each frame and the clock of each frame."""

    def __init__(self, raw_path, stamps_path):
        self.samples = array.array("h")
        self.samples.frombytes(open(raw_path, "rb").read())
        self.left = self.samples[0::2]
        self.right = self.samples[1::2]
        self.level = [max(abs(a), abs(b)) for a, b in zip(self.left, self.right)]
        self._stamps = [tuple(map(float, l.split())) for l in open(stamps_path)]
        self._ends = [int(f) for _, f in self._stamps]

    def wall(self, frame):
        """The wall clock at which `frame` was captured."""
        i = min(bisect.bisect_left(self._ends, frame + 1), len(self._stamps) - 1)
        return self._stamps[i][0] - (self._stamps[i][1] - frame) / RATE

    def frame_at(self, t):
        """The first frame captured at or after the wall clock t."""
        lo, hi = 0, len(self.level) - 1
        while lo < hi:
            mid = (lo + hi) // 2
            if self.wall(mid) < t:
                lo = mid + 1
            else:
                hi = mid
        return lo

    def first_sound(self, frame):
        """The first frame from `frame` on above about -40 dBFS."""
        while frame < len(self.level) and self.level[frame] < 300:
            frame += 1
        return frame


def read_marks(path):
    """The probe's marks: lines of a name and a number, gathered by name."""
    marks = {}
    for line in open(path):
        key, value = line.split()[:2]
        marks.setdefault(key, []).append(float(value))
    return marks


if __name__ == "__main__" and sys.argv[1:2] == ["capture"]:
    capture(sys.argv[2], sys.argv[3])
