#!/usr/bin/env python3
"""Writes resources/demo/demo.mid: "Amazing Grace" (words John Newton, 1779; tune
"New Britain", 1829; both in the public domain), arranged for General MIDI by the Velisto
developers. A one-bar count-in in 4/4, then 3/4 with a pick-up; melody with lyrics, piano,
bass, strings and drums; program changes, volume, pan, reverb, chorus, expression swells,
modulation, a GM2 System On message, a key signature, a closing ritardando, and on every
track a device-name event for the Internal Sound Generator.

Written with its own small encoder on purpose, so that the demo song is an outside file
for Velisto's reader rather than something its writer produced."""
import struct
import sys
from pathlib import Path

PPQ = 480
Q, H, E = PPQ, 2 * PPQ, PPQ // 2
DH = 3 * PPQ
BARS = 32                   # two verses of 16 bars
COUNT_IN = 4 * PPQ          # measure 1 (4/4)
BAR = 3 * PPQ               # 3/4 from measure 2 on
def bar(n):                 # start tick of melody bar n (1-based), after the pick-up bar
    return COUNT_IN + BAR + (n - 1) * BAR

GENERATOR = "Velisto's Internal Sound Generator"

NOTE = {n: i for i, n in enumerate(["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"])}
def key(name):
    return NOTE[name[:-1]] + 12 * (int(name[-1]) + 1)

def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))

class Track:
    def __init__(self, name):
        self.events = []            # (tick, order, bytes)
        self.meta(0, 0x03, name.encode("latin-1"))
        # Every track names the device it is made for, so that opening the song plays it
        # through the Internal Sound Generator with the installed sound library.
        self.meta(0, 0x09, GENERATOR.encode("latin-1"))
    def add(self, tick, data, order=1):
        self.events.append((tick, order, bytes(data)))
    def meta(self, tick, kind, payload, order=0):
        self.add(tick, bytes([0xFF, kind]) + vlq(len(payload)) + payload, order)
    def note(self, tick, ch, k, vel, length):
        self.add(tick, [0x90 | ch, k, vel], 2)
        self.add(tick + length, [0x80 | ch, k, 0x40], 0)   # offs before ons at equal ticks
    def cc(self, tick, ch, number, value):
        self.add(tick, [0xB0 | ch, number, value])
    def program(self, tick, ch, prog):
        self.add(tick, [0xC0 | ch, prog])
    def chunk(self):
        out, last = bytearray(), 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1])):
            out += vlq(tick - last) + data
            last = tick
        out += vlq(0) + b"\xFF\x2F\x00"
        return b"MTrk" + struct.pack(">I", len(out)) + out

# The tune, bars 1 to 16 after the pick-up: (note, length in ticks, whether a syllable
# starts on it); a note without one continues the syllable before it.
PICKUP = ("D4", Q, True)
TUNE = [
    [("G4", H, True), ("B4", E, True), ("G4", E, False)],
    [("B4", H, True), ("A4", Q, True)],
    [("G4", H, True), ("E4", Q, True)],
    [("D4", H, True), ("D4", Q, True)],
    [("G4", H, True), ("B4", E, True), ("G4", E, False)],
    [("B4", H, True), ("A4", Q, True)],
    [("D5", DH + H, True), ("B4", Q, True)],
    [("D5", H, True), ("B4", E, True), ("G4", E, False)],
    [("B4", H, True), ("A4", Q, True)],
    [("G4", H, True), ("E4", Q, True)],
    [("D4", H, True), ("D4", Q, True)],
    [("G4", H, True), ("B4", E, True), ("G4", E, False)],
    [("B4", H, True), ("A4", Q, True)],
    [("G4", DH + DH, True)],
]
# Two verses, 28 syllables each: more than 40 lyric events, so that opening the song
# offers to make the melody's track the song text track.
VERSES = [
    "A |ma|zing |grace |how |sweet |the |sound |that |saved |a |wretch |like |me. |I "
    "|once |was |lost |but |now |am |found, |was |blind |but |now |I |see. ",
    "'Twas |grace |that |taught |my |heart |to |fear, |and |grace |my |fears |re|lieved; "
    "|how |pre|cious |did |that |grace |ap|pear |the |hour |I |first |be|lieved.",
]
CHORDS = ["G", "G", "C", "G", "G", "D", "D", "D", "G", "G7", "C", "G", "Em", "D", "G", "G"]
VOICING = {
    "G": ["G3", "B3", "D4"], "C": ["C4", "E4", "G4"], "D": ["D4", "F#4", "A4"],
    "G7": ["F3", "B3", "D4"], "Em": ["E3", "G3", "B3"],
}
ROOT = {"G": "G2", "C": "C3", "D": "D3", "G7": "G2", "Em": "E2"}

def build():
    conductor = Track("Amazing Grace")
    conductor.meta(0, 0x02, b"Arrangement (c) the Velisto developers; tune and words public domain")
    conductor.add(0, [0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x03, 0xF7], 0)  # GM2 System On
    conductor.meta(0, 0x51, struct.pack(">I", 60_000_000 // 76)[1:])
    conductor.meta(0, 0x58, bytes([4, 2, 24, 8]))
    conductor.meta(0, 0x59, bytes([1, 0]))                          # G major
    conductor.meta(COUNT_IN, 0x58, bytes([3, 2, 24, 8]))
    conductor.meta(bar(1), 0x06, b"Verse")
    conductor.meta(bar(8) + 2 * Q, 0x06, b"Second line")
    conductor.meta(bar(17), 0x06, b"Second verse")
    for n, bpm in ((BARS - 2, 70), (BARS - 1, 64), (BARS, 56)):
        conductor.meta(bar(n), 0x51, struct.pack(">I", 60_000_000 // bpm)[1:])

    melody = Track("Melody")
    melody.program(0, 0, 73)                                        # Flute
    for c, v in ((7, 110), (10, 60), (91, 60), (93, 20)):
        melody.cc(0, 0, c, v)
    t = COUNT_IN + BAR - Q
    for number, verse in enumerate(VERSES):
        syllables = iter(verse.split("|"))
        notes = [PICKUP] + [note for tune_bar in TUNE for note in tune_bar]
        if number + 1 < len(VERSES):
            # The last note is held a beat shorter: the next verse's pick-up takes that beat.
            name, length, sings = notes[-1]
            notes[-1] = (name, length - Q, sings)
        for name, length, sings in notes:
            melody.note(t, 0, key(name), 96, length - 20)
            if sings:
                melody.meta(t, 0x05, next(syllables).encode("latin-1"))
            t += length
        assert next(syllables, None) is None, "every syllable of a verse has its note"
    assert t == bar(BARS + 1), "the verses must add up to the song's bars of 3/4"
    for first in range(1, BARS + 1, 16):                             # vibrato on the long notes
        melody.cc(bar(first + 6), 0, 1, 40)
        melody.cc(bar(first + 7), 0, 1, 0)
        melody.cc(bar(first + 14), 0, 1, 50)
        melody.cc(bar(first + 15) + BAR - Q, 0, 1, 0)

    piano = Track("Piano")
    piano.program(0, 1, 0)
    for c, v in ((7, 90), (10, 40), (91, 50)):
        piano.cc(0, 1, c, v)
    bass = Track("Bass")
    bass.program(0, 2, 32)
    for c, v in ((7, 104), (10, 70)):
        bass.cc(0, 2, c, v)
    strings = Track("Strings")
    strings.program(0, 3, 48)
    for c, v in ((7, 80), (10, 88), (91, 80), (93, 40), (11, 50)):
        strings.cc(0, 3, c, v)
    for n, chord in enumerate(CHORDS * (BARS // len(CHORDS)), start=1):
        start = bar(n)
        for k in VOICING[chord]:
            piano.note(start, 1, key(k), 70, Q - 40)
            piano.note(start + Q, 1, key(k), 56, Q - 40)
            piano.note(start + 2 * Q, 1, key(k), 56, Q - 40)
            strings.note(start, 3, key(k) + 12, 64, BAR - 10)
        bass.note(start, 2, key(ROOT[chord]), 90, H - 20)
        bass.note(start + 2 * Q, 2, key(ROOT[chord]) + 7, 70, Q - 20)
        for step, value in enumerate((60, 80, 100, 90, 70)):        # an expression swell per bar
            strings.cc(start + step * BAR // 5, 3, 11, value)

    drums = Track("Drums")
    for c, v in ((7, 110), (91, 30)):
        drums.cc(0, 9, c, v)
    for beat in range(4):                                           # sticks count-in
        drums.note(beat * Q, 9, 37, 90 if beat == 0 else 70, E)
    for n in range(1, BARS):
        start = bar(n)
        drums.note(start, 9, 36, 80, E)
        for beat in range(3):
            drums.note(start + beat * Q, 9, 42, 60 if beat else 75, E)
        drums.note(start + Q, 9, 37, 55, E)
        drums.note(start + 2 * Q, 9, 37, 50, E)
    drums.note(bar(BARS), 9, 49, 90, DH)
    drums.note(bar(BARS), 9, 36, 90, Q)

    tracks = [conductor, melody, piano, bass, strings, drums]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return header + b"".join(t.chunk() for t in tracks)

if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources/demo/demo.mid"
    target.write_bytes(build())
    print(f"wrote {target}")
