#pragma once
// One of the song's 256 tracks: its settings and its events, sorted by tick.
// Thread contract: written by the user-interface thread only; the play thread reads. Mute
// and tick offset may change while a run plays them (LiveSetting).

#include "song/LiveSetting.h"
#include "song/MidiEvent.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velisto {

// What each of a track's three knobs (red, blue, green) controls.
namespace KnobKind {
inline constexpr int CommonController = 0;
inline constexpr int Nrpn = 1;
inline constexpr int DrumNrpn = 2;
inline constexpr int KeyBasedController = 3;
} // namespace KnobKind

inline constexpr int kKnobCount = 3;
// The event array grows and shrinks in steps of this many records (as seen in
// capacityIndex); the storage behind it grows geometrically.
inline constexpr int kEventArrayStep = 100;

class Track {
public:
    Track() { resetSettings(); }

    // Settings, in the order the track record keeps them.
    LiveSetting<std::int32_t> muted{0};
    std::string name;
    std::int32_t channel = 0; // 0..15, shown 1..16
    std::array<std::int32_t, kKnobCount> knobKind{};
    std::array<std::int32_t, kKnobCount> knobParam{};
    std::array<std::int32_t, kKnobCount> knobDrumMap{};
    std::array<std::int32_t, kKnobCount> knobKey{};
    LiveSetting<std::int32_t> tickOffset{0}; // added to every event at playback, |offset| <= ppq / 4
    std::int32_t device = -1;    // index into the output device table, -1 = none

    // Index of the last event, -1 when empty.
    std::int32_t lastIndex() const { return static_cast<std::int32_t>(events_.size()) - 1; }
    // Index of the last record the array has room for, -1 when there is no array.
    std::int32_t capacityIndex() const { return capacityIndex_; }
    std::int32_t eventCount() const { return lastIndex() + 1; }
    bool empty() const { return events_.empty(); }

    const MidiEvent& event(std::int32_t index) const { return events_[static_cast<std::size_t>(index)]; }
    MidiEvent& event(std::int32_t index) { return events_[static_cast<std::size_t>(index)]; }
    std::span<const MidiEvent> events() const { return events_; }
    std::span<MidiEvent> events() { return events_; }

    // Inserts behind every event whose tick is not greater, scanning forward from
    // startIndex. Returns the index used: pass it as startIndex of the next insertion
    // when inserting a run in ascending order.
    std::int32_t insertSorted(MidiEvent event, std::int32_t startIndex = 0);
    // Stores the record at index (0..eventCount), shifting the following ones up.
    void insertAt(std::int32_t index, MidiEvent event);
    // Appends without looking at the tick: the file reader relies on the file's order.
    void append(MidiEvent event);
    // The same, for a record filled in place (the reader's hot path): returns the new
    // last event, default-initialised.
    MidiEvent& appendNew();
    // Frees the event's payloads and closes the gap.
    void erase(std::int32_t index);
    // Sets the tick and moves the event behind the last event whose tick is not greater.
    // Returns the event's new index.
    std::int32_t moveToTick(std::int32_t index, std::int32_t tick);
    // Frees every event and the array.
    void clearEvents();
    // Makes room for count events behind the scenes; capacityIndex is unchanged.
    void reserve(std::int32_t count)
    {
        if (count > 0)
            events_.reserve(static_cast<std::size_t>(count));
    }

    // Name, knobs, channel, mute and tick offset back to a new track's (device untouched).
    void resetSettings();

private:
    void growIfNeeded();
    void shrinkIfNeeded();

    std::vector<MidiEvent> events_;
    std::int32_t capacityIndex_ = -1;
};

} // namespace velisto
