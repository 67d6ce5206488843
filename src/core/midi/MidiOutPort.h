#pragma once
// A MIDI output port as the device table sees it: short and system exclusive messages that
// reach the receiver in call order. Implemented over ALSA/JACK in src/platform, by an
// in-memory loopback in tests.
// Thread contract: opened and closed on the user-interface thread; send* may be called from
// the play thread and the MIDI input callback while the port is open (never concurrently
// for one port).

#include <cstdint>
#include <span>
#include <string>

namespace velisto {

class MidiOutPort {
public:
    virtual ~MidiOutPort() = default;
    // One channel or system message of 1 to 3 bytes, status byte first; or, when the
    // device uses running status, its data bytes only.
    virtual bool sendShort(std::span<const std::uint8_t> bytes) = 0;
    // A whole system exclusive message, F0 ... F7.
    virtual bool sendLong(std::span<const std::uint8_t> bytes) = 0;
};

} // namespace velisto
