#pragma once
// The song's events across tracks in play order. An event plays at its effective tick, its
// own tick plus the track's tick offset, never below 0; the next event is the one with the
// smallest effective tick, equal ticks going to the lower track, and within a track array
// order. From a start tick, the events whose own tick lies before it are the song's
// beginning (they set up the receivers), the rest are played, and one that the offset would
// move before the start plays at the start.
//
// Thread contract: reads the song; use it on one thread at a time while the song does not
// change.

#include "song/MidiEvent.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace velisto {

class Song;

// An event of the merged sequence and where it came from.
struct MergedEvent {
    std::int32_t tick = 0; // when it plays
    int track = 0;
    std::int32_t index = 0; // in the track's array
    const MidiEvent* event = nullptr;
};

// A track's event at a tick after its offset: never below 0.
std::int32_t effectiveTick(std::int32_t eventTick, std::int32_t tickOffset);

class MergedEvents {
public:
    // deviceFilter: only tracks on this device.
    explicit MergedEvents(const Song* song = nullptr, std::optional<int> deviceFilter = std::nullopt);

    // Every event before startTick (by its own tick), in merged order.
    void forEachBefore(std::int32_t startTick, const std::function<void(const MergedEvent&)>& visit) const;
    // Every event, in merged order.
    void forEach(const std::function<void(const MergedEvent&)>& visit) const;

    // Positions the play cursors at the first event of each track whose own tick is at or
    // after startTick.
    void seek(std::int32_t startTick);
    // The tick of the next event to play; nullopt when every track is done.
    std::optional<std::int32_t> nextTick() const;
    // Hands over, in merged order, every event that plays at tick and moves past them.
    // Events due before tick (a tick that was passed over) are handed over first.
    void takeDueAt(std::int32_t tick, const std::function<void(const MergedEvent&)>& visit);

private:
    void forEachUntil(std::optional<std::int32_t> endTick, const std::function<void(const MergedEvent&)>& visit) const;
    std::int32_t playTick(int track, std::int32_t index) const;
    void updateNextTick();

    const Song* song_ = nullptr;
    std::optional<int> deviceFilter_;
    int lastTrack_ = -1; // the last track with events (and passing the filter)
    std::int32_t startTick_ = 0;
    std::vector<std::int32_t> cursor_; // per track: next event index to play
    std::optional<std::int32_t> nextTick_;
};

} // namespace velisto
