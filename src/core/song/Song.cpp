#include "song/Song.h"

#include "song/Positions.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// The one insertion rule of the three master lists: same key overwrites; otherwise the
// entry goes in front of the first greater key, or behind the last one. Whatever lay
// behind an end marker was no part of the list and goes.
template <typename Entry, typename KeyOf>
MasterListChange setInList(std::vector<Entry>& list, const Entry& entry, KeyOf keyOf)
{
    list.resize(usedEntries(list).size());
    const auto key = keyOf(entry);
    // Files and editors mostly add behind the last entry: no walk for those.
    if (list.empty() || keyOf(list.back()) < key) {
        list.push_back(entry);
        return MasterListChange::Inserted;
    }
    const auto at = std::find_if(list.begin(), list.end(), [&](const Entry& e) { return keyOf(e) >= key; });
    if (keyOf(*at) == key) {
        *at = entry;
        return MasterListChange::Replaced;
    }
    list.insert(at, entry);
    return MasterListChange::Inserted;
}

template <typename Entry>
bool removeFromList(std::vector<Entry>& list, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= usedEntries(list).size())
        return false;
    list.erase(list.begin() + index);
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
    tempoList.assign(1, TempoEntry{120.0, 0});
    meterList.assign(1, MeterEntry{4, 4, 0});
    keyList.assign(1, KeyEntry{1, 0, 0});
    for (auto& track : tracks) {
        track.resetSettings();
        track.clearEvents();
        if (device)
            track.device = *device;
    }
    for (int track = 0; track < kTrackCount; ++track)
        setSolo(track, false);
}

void Song::clampTickOffsets()
{
    const std::int32_t limit = ppq / 4;
    for (auto& track : tracks)
        track.tickOffset = std::clamp<std::int32_t>(track.tickOffset, -limit, limit);
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

int Song::tempoCount() const { return static_cast<int>(usedEntries(tempoList).size()); }
int Song::meterCount() const { return static_cast<int>(usedEntries(meterList).size()); }
int Song::keyCount() const { return static_cast<int>(usedEntries(keyList).size()); }

bool Song::isSolo(int track) const { return validTrack(track) && solo_[static_cast<std::size_t>(track)].load(); }

void Song::setSolo(int track, bool on)
{
    if (!validTrack(track) || isSolo(track) == on)
        return;
    solo_[static_cast<std::size_t>(track)] = on;
    // The user-interface thread is the only writer, so the count cannot miss a change.
    soloCount_ = soloCount_.load() + (on ? 1 : -1);
}

std::vector<int> Song::soloList() const
{
    std::vector<int> list;
    for (int track = 0; track < kTrackCount; ++track)
        if (isSolo(track))
            list.push_back(track);
    return list;
}

bool Song::isSilent(int track) const
{
    if (!validTrack(track))
        return true;
    if (tracks[static_cast<std::size_t>(track)].muted.load() != 0)
        return true;
    return soloActive() && !isSolo(track);
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

std::optional<std::string> waveFileNameFor(std::string_view fileName)
{
    if (fileName.size() < 4 || fileName[fileName.size() - 4] != '.')
        return std::nullopt;
    return std::string(fileName.substr(0, fileName.size() - 3)) + "wav";
}

} // namespace velisto
