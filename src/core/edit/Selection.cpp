#include "edit/Selection.h"

#include "song/Positions.h"

namespace velisto {

SelectionTicks selectionTicks(const Song& song, const Selection& selection)
{
    SelectionTicks ticks;
    ticks.start = measureStart(song, selection.firstMeasure);
    const std::int32_t next = measureStart(song, selection.lastMeasure + 1);
    ticks.end = next > ticks.start ? next - 1 : ticks.start;
    return ticks;
}

bool inSelection(const Selection& selection, const SelectionTicks& ticks, int track, std::int32_t tick)
{
    return track >= selection.firstTrack && track <= selection.lastTrack && tick >= ticks.start && tick <= ticks.end;
}

} // namespace velisto
