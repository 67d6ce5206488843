#include "midi/MidiInPort.h"

namespace velisto {

namespace {

// Bytes a message with this status has in all; 0 for what an input port drops.
std::size_t shortMessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    switch (status) {
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6: // tune request
        return 1;
    default: // sysex, its end, time code (a timing message like clock), undefined and real-time
        return 0;
    }
}

} // namespace

std::optional<MidiInMessage> shortInputMessage(std::span<const std::uint8_t> bytes, double time)
{
    if (bytes.empty())
        return std::nullopt;
    const std::size_t length = shortMessageLength(bytes[0]);
    if (length == 0 || bytes.size() != length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i)
        if (bytes[i] >= 0x80)
            return std::nullopt;
    MidiInMessage message;
    message.status = bytes[0];
    message.data1 = length > 1 ? bytes[1] : 0;
    message.data2 = length > 2 ? bytes[2] : 0;
    message.time = time;
    return message;
}

} // namespace velisto
