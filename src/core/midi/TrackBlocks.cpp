#include "midi/TrackBlocks.h"

#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <limits>

namespace velisto {

namespace {

struct MeasureBlock {
    BlockKind kind = BlockKind::Empty;
    ProgramAtEvent program;
};

MeasureBlock measureBlock(const Song& song, const ProgramIndex& index, int trackIndex, int measure)
{
    const Track& track = song.tracks[static_cast<std::size_t>(trackIndex)];
    const std::int32_t start = measureStart(song, measure);
    const std::int32_t end = measureStart(song, measure + 1);
    const auto events = track.events();
    const auto first = std::lower_bound(events.begin(), events.end(), start,
                                        [](const MidiEvent& e, std::int32_t tick) { return e.tick < tick; });
    bool any = false;
    for (auto it = first; it != events.end() && it->tick < end; ++it) {
        any = true;
        if (!it->isChannelEvent())
            continue;
        const ProgramAtEvent program = index.programAt(song, trackIndex, static_cast<int>(it - events.begin()));
        if (!program.recorded)
            return {BlockKind::NoInstrument, {}};
        return {BlockKind::Instrument, program};
    }
    if (any)
        return {BlockKind::TextOnly, {}};
    const ProgramAtEvent held = programInForce(song, index, trackIndex, start);
    if (held.recorded)
        return {BlockKind::Holding, held};
    return {};
}

} // namespace

ProgramAtEvent programInForce(const Song& song, const ProgramIndex& index, int track, std::int32_t tick)
{
    const Track& row = song.tracks[static_cast<std::size_t>(track)];
    const std::int32_t effective = std::max(tick + row.tickOffset, 0);
    return index.programAt(row.channel, effective, track, std::numeric_limits<int>::max());
}

std::vector<BlockRun> trackBlockRuns(const Song& song, const ProgramIndex& index, int track, int firstMeasure,
                                     int lastMeasure)
{
    std::vector<BlockRun> runs;
    if (track < 0 || track >= kTrackCount)
        return runs;
    for (int measure = firstMeasure; measure <= lastMeasure; ++measure) {
        const MeasureBlock block = measureBlock(song, index, track, measure);
        if (!runs.empty() && runs.back().kind == block.kind && runs.back().program == block.program) {
            runs.back().lastMeasure = measure;
            continue;
        }
        runs.push_back({measure, measure, block.kind, block.program});
    }
    return runs;
}

std::string instrumentName(int mode, const ProgramAtEvent& program)
{
    if (program.effect)
        return std::string(xgSfxKitName(program.program));
    if (program.drum)
        return std::string(drumKitName(mode, program.program));
    return std::string(gmProgramName(program.program));
}

RgbColour programColour(const ProgramAtEvent& program)
{
    // The 16 instrument families (8 programs each) spread over the hue circle; within a
    // family the brightness steps. Drum kits share one dark red family.
    static constexpr RgbColour kFamilies[16] = {
        {150, 40, 40}, {160, 90, 30}, {150, 130, 20}, {100, 140, 30}, {40, 140, 50},  {30, 140, 110},
        {30, 120, 150}, {30, 80, 160}, {50, 50, 170}, {90, 40, 170}, {130, 40, 160}, {160, 40, 130},
        {120, 70, 70}, {70, 110, 70}, {70, 90, 120}, {110, 90, 60},
    };
    if (program.drum || program.effect)
        return {110, 20, 30};
    const int p = std::clamp(program.program, 0, 127);
    const RgbColour base = kFamilies[p / 8];
    const int lift = (p % 8) * 8;
    return {std::min(base.red + lift, 200), std::min(base.green + lift, 200), std::min(base.blue + lift, 200)};
}

} // namespace velisto
