#pragma once
// What the track area draws in a track's blocks: per measure, whether the track has events
// there and which instrument is in force (from the program index of the track's device),
// gathered into runs of equal measures; the instrument's name and colour.
//
// Thread contract: user-interface thread, while nothing rebuilds the program index.

#include "midi/ProgramIndex.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velisto {

class Song;

enum class BlockKind {
    Empty,        // no events and no instrument: nothing drawn
    Holding,      // no events, but an instrument is in force (light grey)
    NoInstrument, // channel events before any instrument selection (the plain bands)
    TextOnly,     // only text or system exclusive events (mid grey)
    Instrument,   // channel events with an instrument (its colour and name)
};

struct BlockRun {
    int firstMeasure = 0;
    int lastMeasure = 0;
    BlockKind kind = BlockKind::Empty;
    ProgramAtEvent program; // for Holding and Instrument
    bool operator==(const BlockRun&) const = default;
};

// The instrument in force for track 0..255 at a song tick (its offset applied): any
// selection on the track's channel up to it.
ProgramAtEvent programInForce(const Song& song, const ProgramIndex& index, int track, std::int32_t tick);

// The runs of track's blocks over the measures first..last (from 0, inclusive). A run
// entering from the left starts at first.
std::vector<BlockRun> trackBlockRuns(const Song& song, const ProgramIndex& index, int track, int firstMeasure,
                                     int lastMeasure);

// The instrument's name under the device's track mode (MidiMode): the XG effect kit, the
// standard's drum kit, or the General MIDI program.
std::string instrumentName(int mode, const ProgramAtEvent& program);

struct RgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RgbColour&) const = default;
};
// The bar colour of a program: neighbouring programs differ clearly, every colour is dark
// enough for white text.
RgbColour programColour(const ProgramAtEvent& program);

} // namespace velisto
