#!/usr/bin/env python3
"""Writes Velisto's dialog sounds to resources/sounds/<id>.wav.

Four short sine sounds with smooth envelopes, 16-bit mono at 44100 Hz, each in a
canonical 44-byte RIFF/WAVE header. They are generated here from nothing, so the
files are ours to give away (CC0). Run again after changing a sound:
    python3 scripts/make-dialog-sounds.py
"""

import math
import pathlib
import struct

RATE = 44100


def tone(parts, peak):
    """parts: (frequency in Hz, seconds) played one after the other."""
    samples = []
    for frequency, seconds in parts:
        count = int(RATE * seconds)
        attack = max(1, int(RATE * 0.004))
        for n in range(count):
            # Short raised-cosine attack, exponential decay: no clicks at either end.
            rise = 0.5 - 0.5 * math.cos(math.pi * min(n, attack) / attack)
            decay = math.exp(-4.0 * n / count) * (1.0 - n / count)
            value = math.sin(2.0 * math.pi * frequency * n / RATE) * rise * decay
            samples.append(int(round(value * peak * 32767)))
    return samples


SOUNDS = {
    540: tone([(2400, 0.012)], 0.35),                 # a soft click
    568: tone([(660, 0.07), (990, 0.09)], 0.4),       # a short rising two-tone
    598: tone([(220, 0.16)], 0.45),                   # a low "nothing changed"
    599: tone([(784, 0.08), (1175, 0.16)], 0.35),     # a pleasant confirmation
}


def write_wave(path, samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(data))
    path.write_bytes(header + data)


def main():
    folder = pathlib.Path(__file__).resolve().parent.parent / "resources" / "sounds"
    folder.mkdir(parents=True, exist_ok=True)
    for number, samples in SOUNDS.items():
        write_wave(folder / ("%d.wav" % number), samples)


if __name__ == "__main__":
    main()
