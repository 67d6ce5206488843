#pragma once
// A MIDI input port as recording and MIDI thru see it: the keyboard's short messages, one at
// a time, handed to a callback given when the port is opened. Implemented over ALSA/JACK in
// src/platform, by an in-memory loopback in tests.
// Thread contract: opened, started, stopped and closed on the user-interface thread; the
// callback runs on the backend's own thread, one message at a time, only between start()
// and stop(); once stop() (or the destructor) returns, no callback runs any more.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace velisto {

// A channel message (8x..Ex) or a song position, song select or tune request (F2, F3, F6),
// status first; unused data bytes are 0. Sysex, time code and the real-time messages
// (clock, active sensing ...) never arrive here.
struct MidiInMessage {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    // Seconds since the port was started, by the backend's clock.
    double time = 0.0;
    bool operator==(const MidiInMessage&) const = default;
};

using MidiInCallback = std::function<void(const MidiInMessage&)>;

// The message as the input callback receives it, or nothing for what an input port drops:
// sysex, real-time and undefined messages, stray data bytes, and messages of the wrong
// length. Backends deliver complete messages, so there is no running status to resolve.
std::optional<MidiInMessage> shortInputMessage(std::span<const std::uint8_t> bytes, double time);

class MidiInPort {
public:
    virtual ~MidiInPort() = default;
    // Messages reach the callback from now on; false when the backend refused.
    virtual bool start() = 0;
    // No more messages; waits for a callback that is running to return, so the callback
    // must not call stop() itself.
    virtual void stop() = 0;
};

} // namespace velisto
