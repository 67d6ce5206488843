#include "midi/MidiOutFramer.h"

#include <algorithm>

namespace velisto {

namespace {

bool isData(std::uint8_t byte) { return byte < 0x80; }

bool allData(std::span<const std::uint8_t> bytes) { return std::all_of(bytes.begin(), bytes.end(), isData); }

} // namespace

std::size_t MidiOutFramer::messageLength(std::uint8_t status)
{
    if (isData(status))
        return 0;
    switch (status & 0xF0) {
    case 0xC0: // program change
    case 0xD0: // channel pressure
        return 2;
    case 0xF0:
        break;
    default: // note off/on, poly pressure, controller, pitch bend
        return 3;
    }
    switch (status) {
    case 0xF0:
    case 0xF7:
        return 0;
    case 0xF1: // MTC quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default: // tune request, real-time and the undefined ones
        return 1;
    }
}

std::optional<MidiOutFramer::Message> MidiOutFramer::frameShort(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return std::nullopt;
    const bool running = isData(bytes.front());
    const std::uint8_t status = running ? runningStatus_ : bytes.front();
    const std::size_t length = messageLength(status);
    if (length == 0)
        return std::nullopt; // F0/F7, or data bytes without a running status
    const std::size_t given = running ? length - 1 : length;
    if (bytes.size() < given)
        return std::nullopt;
    const auto data = bytes.subspan(running ? 0 : 1, length - 1);
    if (!allData(data))
        return std::nullopt;

    Message message;
    message.bytes[0] = status;
    std::copy(data.begin(), data.end(), message.bytes.begin() + 1);
    message.size = length;
    if (status < 0xF0)
        runningStatus_ = status;
    else if (status < 0xF8)
        runningStatus_ = 0;
    return message;
}

bool MidiOutFramer::acceptLong(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 2 || bytes.front() != 0xF0 || bytes.back() != 0xF7)
        return false;
    if (!allData(bytes.subspan(1, bytes.size() - 2)))
        return false;
    runningStatus_ = 0;
    return true;
}

} // namespace velisto
