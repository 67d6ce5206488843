#include "midi/ProgramIndex.h"

#include "song/MergedEvents.h"
#include "song/Song.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace velisto {
namespace {

bool isChannel(int channel) { return channel >= 0 && channel < ProgramIndex::kChannels; }

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
}

bool ProgramIndex::empty() const
{
    return std::all_of(channels_.begin(), channels_.end(), [](const auto& list) { return list.empty(); });
}

bool ProgramIndex::record(int channel, const ProgramRecord& record)
{
    if (!isChannel(channel))
        return false;
    channels_[static_cast<std::size_t>(channel)].push_back(record);
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
    const ProgramRecord* best = nullptr;
    for (const ProgramRecord& entry : channels_[static_cast<std::size_t>(channel)]) {
        const auto position = std::tuple(entry.tick, entry.track, entry.eventIndex);
        if (position <= at && (!best || position >= std::tuple(best->tick, best->track, best->eventIndex)))
            best = &entry;
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
