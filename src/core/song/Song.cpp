#include "song/Song.h"

#include "song/Positions.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// The one insertion rule of the three master lists: same key overwrites; otherwise the
// entry goes in front of the first greater key and a full list loses its last entry; a
// key behind every used entry takes the first free slot, or is dropped when none is free.
template <typename Entry, typename KeyOf>
MasterListChange setInList(std::array<Entry, kMasterListSize>& list, const Entry& entry, KeyOf keyOf)
{
    const auto key = keyOf(entry);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].used()) {
            list[i] = entry;
            return MasterListChange::Inserted;
        }
        if (keyOf(list[i]) == key) {
            list[i] = entry;
            return MasterListChange::Replaced;
        }
        if (keyOf(list[i]) > key) {
            std::move_backward(list.begin() + static_cast<std::ptrdiff_t>(i), list.end() - 1, list.end());
            list[i] = entry;
            return MasterListChange::Inserted;
        }
    }
    return MasterListChange::Dropped;
}

template <typename Entry>
int countUsed(const std::array<Entry, kMasterListSize>& list)
{
    const auto end = std::find_if(list.begin(), list.end(), [](const Entry& e) { return !e.used(); });
    return static_cast<int>(end - list.begin());
}

template <typename Entry>
bool removeFromList(std::array<Entry, kMasterListSize>& list, int index)
{
    if (index < 0 || index >= countUsed(list))
        return false;
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(index);
    std::move(at + 1, list.end(), at);
    list.back() = Entry{};
    return true;
}

bool validTrack(int track) { return track >= 0 && track < kTrackCount; }

} // namespace

Song::Song()
{
    clear(-1);
}

void Song::clear(std::optional<std::int32_t> device)
{
    tempoList.fill(TempoEntry{});
    tempoList[0] = TempoEntry{120.0, 0};
    meterList.fill(MeterEntry{});
    meterList[0] = MeterEntry{4, 4, 0};
    keyList.fill(KeyEntry{});
    keyList[0] = KeyEntry{1, 0, 0};
    for (auto& track : tracks) {
        track.resetSettings();
        track.clearEvents();
        if (device)
            track.device = *device;
    }
    soloList_.clear();
}

void Song::clampTickOffsets()
{
    const std::int32_t limit = ppq / 4;
    for (auto& track : tracks)
        track.tickOffset = std::clamp(track.tickOffset, -limit, limit);
}

// Values that would read as a list's end marker are refused: storing one would cut off
// every entry behind it.
MasterListChange Song::setTempo(std::int32_t tick, double bpm)
{
    if (!(bpm > 0.0) || !std::isfinite(bpm))
        return MasterListChange::Dropped;
    return setInList(tempoList, TempoEntry{bpm, tick}, [](const TempoEntry& e) { return e.tick; });
}

MasterListChange Song::setKey(std::int32_t tick, std::int32_t sharpsFlats, std::int32_t major)
{
    if (sharpsFlats < -7 || sharpsFlats > 7)
        return MasterListChange::Dropped;
    return setInList(keyList, KeyEntry{major, sharpsFlats, tick}, [](const KeyEntry& e) { return e.tick; });
}

MasterListChange Song::setMeter(std::int32_t tick, std::int32_t numerator, std::int32_t denominator)
{
    return setMeterAtMeasure(measureOfTick(*this, tick), numerator, denominator);
}

MasterListChange Song::setMeterAtMeasure(std::int32_t measure, std::int32_t numerator, std::int32_t denominator)
{
    if (numerator <= 0 || denominator <= 0)
        return MasterListChange::Dropped;
    // A meter set before the song's start (a negative tick) applies from its start.
    measure = std::max(measure, 0);
    return setInList(meterList, MeterEntry{numerator, denominator, measure},
                     [](const MeterEntry& e) { return e.measure; });
}

bool Song::removeTempo(int index) { return removeFromList(tempoList, index); }
bool Song::removeMeter(int index) { return removeFromList(meterList, index); }
bool Song::removeKey(int index) { return removeFromList(keyList, index); }

int Song::tempoCount() const { return countUsed(tempoList); }
int Song::meterCount() const { return countUsed(meterList); }
int Song::keyCount() const { return countUsed(keyList); }

bool Song::isSolo(int track) const
{
    return std::find(soloList_.begin(), soloList_.end(), track) != soloList_.end();
}

void Song::setSolo(int track, bool on)
{
    if (!validTrack(track) || isSolo(track) == on)
        return;
    if (on)
        soloList_.push_back(track);
    else
        soloList_.erase(std::find(soloList_.begin(), soloList_.end(), track));
}

bool Song::isSilent(int track) const
{
    if (!validTrack(track))
        return true;
    if (!soloList_.empty())
        return !isSolo(track);
    return tracks[static_cast<std::size_t>(track)].muted != 0;
}

bool Song::isEmptyForSaving(int track) const
{
    if (!validTrack(track))
        return true;
    const Track& t = tracks[static_cast<std::size_t>(track)];
    return t.empty() && t.name.empty() && !isSolo(track) && t.muted == 0 && t.tickOffset == 0;
}

int Song::lastTrackToSave() const
{
    for (int i = kTrackCount - 1; i >= 0; --i)
        if (!isEmptyForSaving(i))
            return i;
    return -1;
}

} // namespace velisto
