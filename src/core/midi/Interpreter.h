#pragma once
// Applies one event or one system exclusive message to a receiver model and judges it:
// valid in the receiver's current state or not, and if not, whether it is skipped or sent
// anyway; whether the MIDI mode changed; and a text that explains a refusal.
// Thread contract: called with the state's owner holding the device's lock (live state)
// or on a private copy (target state, the program index rebuild, velisto-cli check).

#include "midi/DeviceMidiState.h"

#include <cstdint>
#include <span>
#include <string>

namespace velisto {

class OutputDevice;
class ProgramIndex;
struct DecodedSysex;

struct InterpretResult {
    bool valid = true;
    bool skip = false;        // invalid and not to be sent
    bool modeChanged = false;
    std::string text;         // why it is invalid; empty when valid
};

struct InterpretContext {
    // The device whose state is interpreted: its supported standards (with checkDevice),
    // its slot path definitions (Global Parameter Control) and its remembered XG variation
    // type. May be null for a bare state.
    OutputDevice* device = nullptr;
    // Respect the device's "supported" parameters (a real device, not a scratch state).
    bool checkDevice = false;
    // Non-null: program selections go into this index, with the track, event index and tick.
    ProgramIndex* recordProgram = nullptr;
    int track = -1;
    int eventIndex = -1;
    std::int32_t tick = -1;
};

// A channel event or one of the song's parameter kinds (status 0x8n..0xEn, 0x2n, 0x5n,
// 0x6n; data1 is the slot for controllers and parameter kinds; data3 the drum key).
InterpretResult interpretEvent(DeviceMidiState& state, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                               std::uint8_t data3, const InterpretContext& context);

// A system exclusive message as the song stores it: the bytes after F0 up to and
// including F7.
InterpretResult interpretSysex(DeviceMidiState& state, std::span<const std::uint8_t> stored,
                               const InterpretContext& context);

// The same for a message the caller has decoded already (with the state's mode and the
// device's last XG variation type), so that it is decoded once.
InterpretResult interpretDecodedSysex(DeviceMidiState& state, const DecodedSysex& decoded,
                                      const InterpretContext& context);

} // namespace velisto
