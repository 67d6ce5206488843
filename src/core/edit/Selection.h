#pragma once
// The selection of the track area that every edit function works on: a rectangle of
// tracks and whole measures, and the ticks it covers. An event belongs to the selection
// when its track lies in the track range and its tick in the tick range.
//
// Thread contract: plain values and pure functions of the song; user-interface thread.

#include <cstdint>

namespace velisto {

class Song;

struct Selection {
    int firstTrack = 0; // 0..255, inclusive
    int lastTrack = 0;
    int firstMeasure = 0; // from 0, inclusive
    int lastMeasure = 0;
    bool operator==(const Selection&) const = default;
};

// The ticks of a selection, both inclusive: the first measure's first tick to the tick
// before the measure after the last.
struct SelectionTicks {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

SelectionTicks selectionTicks(const Song& song, const Selection& selection);
bool inSelection(const Selection& selection, const SelectionTicks& ticks, int track, std::int32_t tick);

} // namespace velisto
