#include "song/Track.h"

#include "midi/MidiModeDefinition.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace velisto {

void Track::resetSettings()
{
    muted = 0;
    name.clear();
    channel = 0;
    tickOffset = 0;
    // Red: modulation, blue: expression, green: pan.
    static constexpr std::array<int, kKnobCount> kDefaultKnobControllers{1, 11, 10};
    for (int k = 0; k < kKnobCount; ++k) {
        knobKind[k] = KnobKind::CommonController;
        knobParam[k] = slotForSong(ParamKind::Controller, kDefaultKnobControllers[k]);
        knobDrumMap[k] = 0;
        knobKey[k] = 0;
    }
}

// capacityIndex follows the documented steps of 100 records exactly; the vector behind
// it grows geometrically so that appending a long track stays linear.
void Track::growIfNeeded()
{
    if (lastIndex() > capacityIndex_)
        capacityIndex_ += kEventArrayStep;
}

void Track::shrinkIfNeeded()
{
    if (events_.empty()) {
        std::vector<MidiEvent>().swap(events_);
        capacityIndex_ = -1;
        return;
    }
    // One record of slack below the step, so that a track that has just grown past a
    // step does not shrink again on the first delete.
    if (lastIndex() >= capacityIndex_ - kEventArrayStep)
        return;
    capacityIndex_ -= kEventArrayStep;
    // Give memory back only when the storage is far larger than what is visible, so that
    // deleting a run of events does not copy the track at every step of 100.
    const auto visible = static_cast<std::size_t>(capacityIndex_ + 1);
    if (events_.capacity() > 4 * visible)
        events_.shrink_to_fit();
}

std::int32_t Track::insertSorted(MidiEvent event, std::int32_t startIndex)
{
    const auto byTick = [](std::int32_t t, const MidiEvent& e) { return t < e.tick; };
    auto from = events_.begin() + std::clamp(startIndex, 0, eventCount());
    // A start index past the right place (a caller inserting out of order) must not put
    // the event in front of later ticks: search the whole track then.
    if (from != events_.begin() && std::prev(from)->tick > event.tick)
        from = events_.begin();
    const auto index = static_cast<std::int32_t>(std::upper_bound(from, events_.end(), event.tick, byTick) - events_.begin());
    insertAt(index, std::move(event));
    return index;
}

void Track::insertAt(std::int32_t index, MidiEvent event)
{
    index = std::clamp(index, 0, eventCount());
    events_.insert(events_.begin() + index, std::move(event));
    growIfNeeded();
}

void Track::append(MidiEvent event)
{
    events_.push_back(std::move(event));
    growIfNeeded();
}

MidiEvent& Track::appendNew()
{
    events_.emplace_back();
    growIfNeeded();
    return events_.back();
}

void Track::erase(std::int32_t index)
{
    if (index < 0 || index > lastIndex())
        return;
    events_.erase(events_.begin() + index);
    shrinkIfNeeded();
}

std::int32_t Track::moveToTick(std::int32_t index, std::int32_t tick)
{
    if (index < 0 || index > lastIndex())
        return index;
    auto from = events_.begin() + index;
    from->tick = tick;
    // Behind the last event whose tick is not greater than the new one, with the moved
    // event itself left out of the search.
    auto before = std::upper_bound(events_.begin(), from, tick,
                                   [](std::int32_t t, const MidiEvent& e) { return t < e.tick; });
    if (before != from) {
        std::rotate(before, from, from + 1);
        return static_cast<std::int32_t>(before - events_.begin());
    }
    auto after = std::upper_bound(from + 1, events_.end(), tick,
                                  [](std::int32_t t, const MidiEvent& e) { return t < e.tick; });
    std::rotate(from, from + 1, after);
    return static_cast<std::int32_t>(after - events_.begin()) - 1;
}

void Track::clearEvents()
{
    std::vector<MidiEvent>().swap(events_);
    capacityIndex_ = -1;
}

} // namespace velisto
