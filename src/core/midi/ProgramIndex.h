#pragma once
// The program index of an output device (CProgram): for each MIDI channel the program
// selections that the device's tracks make, in the order they take effect, so that the
// track area and the list editor can name the instrument or drum kit an event plays with.
// It is rebuilt from the song (see TrackMode.h), never edited in place.
//
// Ticks are effective ticks: the event's tick plus its track's tick offset, never below 0,
// the position at which playback sends it.
//
// Thread contract: built and read on the user-interface thread, or by the play thread's
// stop sequence after a recording, while nothing else reads it.

#include "midi/DeviceMidiState.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

class Song;

namespace ProgramFlag {
inline constexpr int Drum = 1;   // a rhythm part: program is the drum kit
inline constexpr int Effect = 2; // XG: the kit is a sound effect kit (bank MSB 126)
} // namespace ProgramFlag

struct ProgramRecord {
    int program = 0; // instrument program, or the drum map's program on a rhythm part
    int track = -1;  // -1: not caused by a track's event
    std::int32_t tick = 0;
    int eventIndex = -1;
    int bankMsb = 0;
    int bankLsb = 0;
    int flags = 0; // ProgramFlag bits

    bool operator==(const ProgramRecord&) const = default;
};

// What plays on a channel at an event.
struct ProgramAtEvent {
    int program = 0;
    int bankMsb = 0;
    int bankLsb = 0;
    bool drum = false;
    bool effect = false;
    // False when no selection precedes the event: the answer is then the receiver's start
    // (program 0, bank 0, channel 10 a drum channel).
    bool recorded = false;

    bool operator==(const ProgramAtEvent&) const = default;
};

class ProgramIndex {
public:
    static constexpr int kChannels = 16;
    static constexpr int kDrumChannel = 9;

    void clear();
    bool empty() const;

    // Appends a record to channel 0..15's list; false, storing nothing, for another channel.
    bool record(int channel, const ProgramRecord& record);
    // The selection a part makes, as one record on the channel.
    bool record(int channel, const ProgramSelection& selection, int track, std::int32_t tick, int eventIndex);

    // Channel 0..15's records in the order they were made; empty for another channel.
    std::span<const ProgramRecord> records(int channel) const;

    // The last selection on the channel at or before the event (tick, then track, then
    // event index; of several records at the same event the last one made). An event that
    // makes a selection itself sees it.
    ProgramAtEvent programAt(int channel, std::int32_t tick, int track, int eventIndex) const;
    // The same for event eventIndex of a song track, on the event's own channel (the
    // track's channel for events without one). The start answer when the event does not
    // exist.
    ProgramAtEvent programAt(const Song& song, int track, int eventIndex) const;

private:
    std::array<std::vector<ProgramRecord>, kChannels> channels_;
    // A channel whose records did not arrive in position order is searched one by one.
    std::array<bool, kChannels> unordered_{};
};

} // namespace velisto
