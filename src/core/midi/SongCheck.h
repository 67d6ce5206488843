#pragma once
// "Check MIDI sequence": the song played from start to end into receiver models, nothing
// sent, and every event a receiver would refuse or that carries a redundant or wrong value,
// with the explanation that the output monitor would show. Either every track against one
// described receiver, or each track against the device it plays through.
// Thread contract: pure functions over a song the caller does not change meanwhile.

#include "app/Settings.h"
#include "midi/DeviceMidiState.h"
#include "midi/DeviceTable.h"
#include "song/Song.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velisto {

// A receiver described by its power-on mode and supported standards; its sysex ids are
// those of a new device.
struct CheckReceiver {
    int powerOnMode = 0; // MidiMode: GM, GS, XG, GM2
    bool gsSupported = false;
    bool xgSupported = false;
    bool gm2Supported = false;

    DeviceParameters parameters() const;
};

// The receiver of each device of the table (by device index) as its parameters describe
// it, so that slot paths and sysex ids decode as in playback; none for the placeholder,
// which passes nothing on.
std::vector<std::optional<DeviceParameters>> deviceReceivers(const DeviceTable& devices);

struct CheckFinding {
    int track = 0;          // 0..255
    std::int32_t index = 0; // the event's index in its track
    std::int32_t tick = 0;  // the tick it plays at (tick offset applied)
    int channel = -1;       // 0..15; -1 for system exclusive
    std::string event;      // "Controller Reverb Send Level value 40", "SYSEX F0 41 ..."
    std::string text;       // the explanation; may hold "\r\n"
    bool skipped = false;   // false: sent anyhow

    bool operator==(const CheckFinding&) const = default;
};

struct CheckResult {
    std::int64_t checked = 0; // events interpreted
    std::vector<CheckFinding> findings;
    // The mode after the last event, in the receiver it went to; without events the
    // power-on mode (per device: that of the lowest device index checked).
    int finalMode = 0;
    int skippedCount() const;
};

// Plays every channel, parameter and system exclusive event of the song in playing order
// (by tick with the tracks' offsets, then track, then position in the track).
CheckResult checkSong(const Song& song, const CheckReceiver& receiver);
// The same with each track against the receiver of its device (receivers indexed like the
// device table), every device a model of its own. Tracks whose device has no receiver are
// not checked.
CheckResult checkSong(const Song& song, std::span<const std::optional<DeviceParameters>> receivers);

// Whether the dialog lists the finding: only when its event passes the filter.
bool listedFinding(const CheckFinding& finding, const Song& song, const EventFilterSettings& filter);

// The event as a finding names it, with the parameter names of the state's mode.
std::string describeEvent(const MidiEvent& event, const DeviceMidiState& state);

} // namespace velisto
