#include "song/MergedEvents.h"

#include "song/Song.h"

#include <algorithm>
#include <climits>
#include <queue>
#include <tuple>

namespace velisto {

std::int32_t effectiveTick(std::int32_t eventTick, std::int32_t tickOffset)
{
    // Widened so that an extreme stored tick cannot overflow.
    const std::int64_t tick = std::int64_t{eventTick} + tickOffset;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(tick, 0, INT32_MAX));
}

MergedEvents::MergedEvents(const Song* song, std::optional<int> deviceFilter) : song_(song), deviceFilter_(deviceFilter)
{
    if (!song_)
        return;
    for (int track = kTrackCount - 1; track >= 0; --track) {
        const Track& t = song_->tracks[static_cast<std::size_t>(track)];
        if (!t.empty() && (!deviceFilter_ || t.device == *deviceFilter_)) {
            lastTrack_ = track;
            break;
        }
    }
    cursor_.assign(static_cast<std::size_t>(lastTrack_ + 1), 0);
}

void MergedEvents::forEachBefore(std::int32_t startTick, const std::function<void(const MergedEvent&)>& visit) const
{
    forEachUntil(startTick, visit);
}

void MergedEvents::forEach(const std::function<void(const MergedEvent&)>& visit) const
{
    forEachUntil(std::nullopt, visit);
}

void MergedEvents::forEachUntil(std::optional<std::int32_t> endTick,
                                const std::function<void(const MergedEvent&)>& visit) const
{
    if (!song_)
        return;
    // A k-way merge on (effective tick, track); within a track ticks never decrease, and
    // neither do effective ticks, so each track only offers its next event.
    using Head = std::tuple<std::int32_t, int, std::int32_t>; // tick, track, index
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    auto offer = [&](int track, std::int32_t index) {
        const Track& t = song_->tracks[static_cast<std::size_t>(track)];
        if (index <= t.lastIndex() && (!endTick || t.event(index).tick < *endTick))
            heads.emplace(effectiveTick(t.event(index).tick, t.tickOffset), track, index);
    };
    for (int track = 0; track <= lastTrack_; ++track) {
        const Track& t = song_->tracks[static_cast<std::size_t>(track)];
        if (!deviceFilter_ || t.device == *deviceFilter_)
            offer(track, 0);
    }
    while (!heads.empty()) {
        const auto [tick, track, index] = heads.top();
        heads.pop();
        visit({tick, track, index, &song_->tracks[static_cast<std::size_t>(track)].event(index)});
        offer(track, index + 1);
    }
}

std::int32_t MergedEvents::playTick(int track, std::int32_t index) const
{
    const Track& t = song_->tracks[static_cast<std::size_t>(track)];
    return std::max(effectiveTick(t.event(index).tick, t.tickOffset), startTick_);
}

void MergedEvents::seek(std::int32_t startTick)
{
    startTick_ = startTick;
    for (int track = 0; track <= lastTrack_; ++track) {
        const Track& t = song_->tracks[static_cast<std::size_t>(track)];
        if (deviceFilter_ && t.device != *deviceFilter_) {
            cursor_[static_cast<std::size_t>(track)] = t.eventCount();
            continue;
        }
        const auto events = t.events();
        const auto first = std::lower_bound(events.begin(), events.end(), startTick,
                                            [](const MidiEvent& e, std::int32_t tick) { return e.tick < tick; });
        cursor_[static_cast<std::size_t>(track)] = static_cast<std::int32_t>(first - events.begin());
    }
    updateNextTick();
}

void MergedEvents::updateNextTick()
{
    nextTick_.reset();
    for (int track = 0; track <= lastTrack_; ++track) {
        const std::int32_t index = cursor_[static_cast<std::size_t>(track)];
        if (index <= song_->tracks[static_cast<std::size_t>(track)].lastIndex()) {
            const std::int32_t tick = playTick(track, index);
            if (!nextTick_ || tick < *nextTick_)
                nextTick_ = tick;
        }
    }
}

std::optional<std::int32_t> MergedEvents::nextTick() const { return nextTick_; }

void MergedEvents::takeDueAt(std::int32_t tick, const std::function<void(const MergedEvent&)>& visit)
{
    while (nextTick_ && *nextTick_ <= tick) {
        // All events at the earliest due tick: track by track, each in array order.
        const std::int32_t due = *nextTick_;
        for (int track = 0; track <= lastTrack_; ++track) {
            const Track& t = song_->tracks[static_cast<std::size_t>(track)];
            std::int32_t& index = cursor_[static_cast<std::size_t>(track)];
            while (index <= t.lastIndex() && playTick(track, index) == due) {
                visit({due, track, index, &t.event(index)});
                ++index;
            }
        }
        updateNextTick();
    }
}

} // namespace velisto
