#pragma once
// The three knobs of a track row: whether the track device's current MIDI mode lets a
// knob's parameter be sent (and the text that says why not), the value the knob shows,
// and sending a new value: a controller, NRPN or drum-NRPN event through the interpreter,
// or a GM2 key-based instrument controller message.
//
// Thread contract: user-interface thread. The state passed to the queries is the device's
// live state read under its sendMutex() (or a copy of it); sendKnobValue takes the lock
// itself.

#include <cstdint>
#include <string>

namespace velisto {

class DeviceMidiState;
class EventOutput;
class OutputDevice;
class Track;

// What one knob controls: KnobKind, the slot of that kind (kind 3: a controller slot), the
// drum map (from 0) and the key of drum-NRPN and key-based knobs.
struct KnobAssignment {
    int kind = 0;
    int param = 0;
    int drumMap = 0;
    int key = 0;
    bool operator==(const KnobAssignment&) const = default;
};
// Knob 0 (red), 1 (blue) or 2 (green) of the track.
KnobAssignment knobAssignment(const Track& track, int knob);

// "" when the knob may send on channel 0..15 of the device in its current mode; else the
// text to show.
std::string knobSupportText(const DeviceMidiState& state, const std::string& deviceName, int channel,
                            const KnobAssignment& knob);

// The value the knob shows, 0..127: what the state holds for the parameter on the channel
// (drum NRPNs: in the knob's drum map; key-based: in the channel's key map). -1 where the
// state holds none.
int knobValue(const DeviceMidiState& state, int channel, const KnobAssignment& knob);

// Sends value (clamped to 0..127) for the knob on the channel, after the support test: its
// text is returned and nothing is sent when the test refuses; "" otherwise.
std::string sendKnobValue(EventOutput& output, OutputDevice& device, int channel, const KnobAssignment& knob,
                          int value);

} // namespace velisto
