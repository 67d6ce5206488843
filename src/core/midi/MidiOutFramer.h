#pragma once
// What a MIDI output port accepts, shared by every MidiOutPort implementation so that the
// in-memory port of the tests refuses exactly what a real port refuses.
//
// Short messages: a status byte and as many data bytes as the status needs; further bytes
// are padding (a caller may always hand over three bytes) and are not sent. A message may
// also leave its status out (running status): it then starts with the data bytes and takes
// the status of the last channel message, which the port puts back in front, because the
// ALSA sequencer and JACK carry only whole messages. System common and system exclusive
// messages end running status; real-time messages (F8 to FF) do not.
// Refused: nothing at all, F0 or F7 (system exclusive goes as a long message), too few
// data bytes, a data byte of 0x80 or more, data bytes without a running status.
//
// Long messages: F0, data bytes below 0x80, F7.
//
// Thread contract: used by one sending thread at a time, like the port that owns it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace velisto {

class MidiOutFramer {
  public:
    struct Message {
        std::array<std::uint8_t, 3> bytes{};
        std::size_t size = 0;
        std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
    };

    // The whole message (status first) to send for bytes, or nullopt when they are refused.
    // Updates the running status only for a message that is not refused.
    std::optional<Message> frameShort(std::span<const std::uint8_t> bytes);
    // Whether bytes are one complete system exclusive message; one that is ends running status.
    bool acceptLong(std::span<const std::uint8_t> bytes);
    // Forgets the running status, as after opening a port.
    void reset() { runningStatus_ = 0; }

    // Length in bytes of a message with this status byte (1 to 3); 0 for F0, F7 and data bytes.
    static std::size_t messageLength(std::uint8_t status);

  private:
    std::uint8_t runningStatus_ = 0; // 0: none
};

} // namespace velisto
