#include "midi/ModeReset.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace velisto {
namespace {

constexpr std::uint8_t kUniversalAllCall = 0x7F;
constexpr std::uint8_t kGsDefaultDeviceId = 0x10;

// The whole text as a hex number of at most 7 bits; nullopt otherwise.
std::optional<std::uint8_t> sevenBitHex(std::string_view text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || error != std::errc() || stop != end || value > 0x7F)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

} // namespace

std::uint8_t universalDeviceByte(const OutputDevice& device)
{
    return sevenBitHex(device.universalSysexId).value_or(kUniversalAllCall);
}

std::uint8_t gsDeviceByte(const OutputDevice& device)
{
    if (!device.gsSupported)
        return kGsDefaultDeviceId;
    return sevenBitHex(device.nonUniversalSysexId).value_or(kGsDefaultDeviceId);
}

// XG addresses a device by the low nibble of 1n; a two-digit id such as the common "10"
// therefore reads as device 0.
std::uint8_t xgDeviceByte(const OutputDevice& device)
{
    if (!device.xgSupported)
        return 0x10;
    const std::uint8_t id = sevenBitHex(device.nonUniversalSysexId).value_or(0);
    return static_cast<std::uint8_t>(0x10 | (id & 0x0F));
}

std::vector<std::uint8_t> modeEnterMessage(int mode, const OutputDevice& device)
{
    switch (mode) {
    case MidiMode::GM:
        return {0xF0, 0x7E, universalDeviceByte(device), 0x09, 0x01, 0xF7};
    case MidiMode::GS:
        return {0xF0, 0x41, gsDeviceByte(device), 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    case MidiMode::XG:
        return {0xF0, 0x43, xgDeviceByte(device), 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    case MidiMode::GM2:
        return {0xF0, 0x7E, universalDeviceByte(device), 0x09, 0x03, 0xF7};
    default:
        return {};
    }
}

} // namespace velisto
