#include "midi/ProgramIndex.h"

#include "song/MergedEvents.h"
#include "song/Song.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace velisto {
namespace {

bool isChannel(int channel) { return channel >= 0 && channel < ProgramIndex::kChannels; }

auto positionOf(const ProgramRecord& record) { return std::tuple(record.tick, record.track, record.eventIndex); }

ProgramAtEvent startOf(int channel)
{
    ProgramAtEvent start;
    start.drum = channel == ProgramIndex::kDrumChannel;
    return start;
}

} // namespace

void ProgramIndex::clear()
{
    for (auto& list : channels_)
        list.clear();
    unordered_.fill(false);
}

bool ProgramIndex::empty() const
{
    return std::all_of(channels_.begin(), channels_.end(), [](const auto& list) { return list.empty(); });
}

bool ProgramIndex::record(int channel, const ProgramRecord& record)
{
    if (!isChannel(channel))
        return false;
    auto& list = channels_[static_cast<std::size_t>(channel)];
    if (!list.empty() && positionOf(record) < positionOf(list.back()))
        unordered_[static_cast<std::size_t>(channel)] = true;
    list.push_back(record);
    return true;
}

bool ProgramIndex::record(int channel, const ProgramSelection& selection, int track, std::int32_t tick, int eventIndex)
{
    ProgramRecord entry;
    entry.program = selection.program;
    entry.track = track;
    entry.tick = tick;
    entry.eventIndex = eventIndex;
    entry.bankMsb = selection.bankMsb;
    entry.bankLsb = selection.bankLsb;
    entry.flags = (selection.rhythm ? ProgramFlag::Drum : 0) | (selection.effect ? ProgramFlag::Effect : 0);
    return record(channel, entry);
}

std::span<const ProgramRecord> ProgramIndex::records(int channel) const
{
    if (!isChannel(channel))
        return {};
    return channels_[static_cast<std::size_t>(channel)];
}

ProgramAtEvent ProgramIndex::programAt(int channel, std::int32_t tick, int track, int eventIndex) const
{
    ProgramAtEvent answer = startOf(channel);
    if (!isChannel(channel))
        return answer;
    // Records arrive in merged order, but a list is not required to be sorted: the latest
    // record not after the event wins, and among equal positions the one made last.
    const auto at = std::tuple(tick, track, eventIndex);
    const auto& list = channels_[static_cast<std::size_t>(channel)];
    const ProgramRecord* best = nullptr;
    if (!unordered_[static_cast<std::size_t>(channel)]) {
        // The usual case, and the one the track area asks on every paint: a binary search.
        const auto after = std::upper_bound(list.begin(), list.end(), at, [](const auto& position, const ProgramRecord& entry) {
            return position < positionOf(entry);
        });
        if (after != list.begin())
            best = &*(after - 1);
    } else {
        for (const ProgramRecord& entry : list) {
            if (positionOf(entry) <= at && (!best || positionOf(entry) >= positionOf(*best)))
                best = &entry;
        }
    }
    if (!best)
        return answer;
    answer.program = best->program;
    answer.bankMsb = best->bankMsb;
    answer.bankLsb = best->bankLsb;
    answer.drum = (best->flags & ProgramFlag::Drum) != 0;
    answer.effect = (best->flags & ProgramFlag::Effect) != 0;
    answer.recorded = true;
    return answer;
}

ProgramAtEvent ProgramIndex::programAt(const Song& song, int track, int eventIndex) const
{
    if (track < 0 || track >= kTrackCount)
        return startOf(-1);
    const Track& owner = song.tracks[static_cast<std::size_t>(track)];
    if (eventIndex < 0 || eventIndex > owner.lastIndex())
        return startOf(owner.channel);
    const MidiEvent& event = owner.event(eventIndex);
    const int channel = event.isChannelEvent() ? event.channel() : owner.channel;
    return programAt(channel, effectiveTick(event.tick, owner.tickOffset), track, eventIndex);
}

} // namespace velisto
