#pragma once
// Where events sent with the record flag go while a recording runs: its record buffer.
// Thread contract: called with the device's send lock held, from whichever thread sends;
// an implementation must not block for long.

#include <cstdint>
#include <span>

namespace velisto {

class EventRecorder {
public:
    virtual ~EventRecorder() = default;
    // A channel event or parameter event as sendEvent received it.
    virtual void recordEvent(int device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                             std::uint8_t data3) = 0;
    // A system exclusive message: the bytes after F0 up to and including F7.
    virtual void recordSysex(int device, std::span<const std::uint8_t> stored) = 0;
};

} // namespace velisto
