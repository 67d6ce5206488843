// libFuzzer target: any bytes as a stored system exclusive message (after F0), decoded
// against no device and against a GM2 device with the default slot paths, in every
// receiver mode, with and without a remembered XG variation type. Beyond not crashing or
// reading past the message, it checks that every value the decoder offers for editing
// re-encodes into a message that decodes to that value, with a right GS checksum.
//
// Input: byte 0 picks the receiver mode (bits 0-2), the device (bit 3) and whether bytes
// 1-2 carry a variation type (bit 7); the rest is the message. The whole input is also
// decoded as a message, so that plain messages work as seeds.

#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"
#include "midi/SysexEdit.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace velisto;

void require(bool holds)
{
    if (!holds)
        std::abort();
}

const SysexDecoder& gm2Decoder()
{
    static const SysexDecoder decoder = [] {
        OutputDevice device(1, "fuzz");
        device.gm2Supported = true;
        device.slotPaths = defaultSlotPaths();
        device.slotPaths.push_back("0201\\Wide\\2\\3\\200\\Level\\0\\dB;(val-8192)/100\\");
        return SysexDecoder(&device);
    }();
    return decoder;
}

void checkRoundTrip(const SysexDecoder& decoder, std::span<const std::uint8_t> message, const DecodedSysex& decoded,
                    int variationType, int value)
{
    const SysexParameter& parameter = *decoded.parameter;
    if (!sysexValueValid(parameter, value))
        return;
    const auto reencoded = reencodeSysex(message, decoded, value);
    require(reencoded.has_value());
    require(reencoded->size() == message.size());
    const DecodedSysex again = decoder.decode(*reencoded, -1, variationType);
    require(again.value == value);
    require(!again.wrongValueBytes && !again.wrongTotalLength);
    require(again.description == decoded.description);
    require(again.parameter == decoded.parameter);
    if (decoded.gs)
        require(again.checksum == GsChecksumState::Right);
    require(checkSysexValue(again, std::to_string(value)).accepted() || parameter.edit != SysexEditKind::Edit);
}

void fuzzOne(const SysexDecoder& decoder, std::span<const std::uint8_t> message, int mode, int variationType,
             std::string_view typed)
{
    // An exactly sized copy, so that a read past the message is a read past the buffer.
    const std::vector<std::uint8_t> copy(message.begin(), message.end());
    const DecodedSysex decoded = decoder.decode(copy, mode, variationType);
    require(decoded.length <= copy.size());
    require(decoded.valueOffset + decoded.valueLength <= copy.size());
    require(decoded.error.empty() || decoded.error.starts_with("<"));
    require(decoded.wrongTotalLength == (decoded.error == SysexError::WrongLength));
    require(!(decoded.universalNonRealtime + decoded.universalRealtime + decoded.gs + decoded.xg > 1));
    (void)gsChecksumText(decoded);
    (void)sysexEditKindText(decoded.editKind);
    (void)unsupportedModeNote(decoded, mode);
    (void)checkSysexValue(decoded, typed);
    (void)checkSysexChoice(decoded, static_cast<int>(typed.size()) - 1);
    if (!decoded.parameter || decoded.valueLength == 0 || decoded.wrongTotalLength)
        return;
    const SysexParameter& parameter = *decoded.parameter;
    for (const int value : {decoded.value, parameter.minimum, parameter.maximum, parameter.defaultValue,
                            sysexChoiceValue(parameter, 1), parameter.lastChoiceValue})
        checkRoundTrip(decoder, copy, decoded, variationType, value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const SysexDecoder noDevice(nullptr);
    const std::span<const std::uint8_t> all(data, size);
    const std::string_view typed(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 8));
    fuzzOne(noDevice, all, -1, -1, typed);
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    std::size_t start = 1;
    int variationType = -1;
    if ((control & 0x80) && size >= 3) {
        variationType = (data[1] & 0x7F) * 128 + (data[2] & 0x7F);
        start = 3;
    }
    const int mode = (control & 0x07) % 5 - 1;
    const SysexDecoder& decoder = (control & 0x08) ? gm2Decoder() : noDevice;
    fuzzOne(decoder, all.subspan(start), mode, variationType, typed);
    return 0;
}
