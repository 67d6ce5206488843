#pragma once
// The universal messages the decoder knows: the General MIDI mode message (non-realtime
// sub-id 09) and GM2's Global Parameter Control (realtime 04 05) and key-based instrument
// controllers (realtime 0A 01); and builders for them, for the browse catalogue and the
// special editors.
// Thread contract: pure functions, callable from any thread.

#include "midi/SysexDecoder.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velisto {

// "GM mode": 1 "Enter GM", 2 "Exit", 3 "Enter GM2"; a combo.
const SysexParameter& gmModeParameter();
inline constexpr std::string_view kGmModeValueError = "Allowed are 1, 2 or 3.";

// The universal realtime device control messages (7F dev 04 ss lsb msb) of sub-id 2 ss:
// master volume (01), master fine tuning (03), master coarse tuning (04); nullptr for the
// others.
inline constexpr std::uint8_t kMasterVolume = 0x01;
const SysexParameter* deviceControlParameter(std::uint8_t subId2);

// Decoders of the realtime family below byte 1 (device id, set by the caller). They fill
// the description, value, flags and error of result.
void decodeGlobalParameterControl(const SysexFrame& frame, std::span<const SlotPathDefinition> slotPaths,
                                  bool gm2Device, DecodedSysex& result);
void decodeKeyBasedController(const SysexFrame& frame, DecodedSysex& result);

// Stored messages (after F0, up to and including F7).
std::vector<std::uint8_t> gmModeMessage(std::uint8_t deviceId, int value);
// Ids and values of more than one byte go LSB first; widths 1..4.
std::vector<std::uint8_t> globalParameterControlMessage(std::uint8_t deviceId, std::span<const SlotPathEntry> slotPath,
                                                        int parameterIdWidth, int valueWidth,
                                                        std::span<const GpcGroup> groups);
std::vector<std::uint8_t> keyBasedControllerMessage(std::uint8_t deviceId, int channel, int key,
                                                    std::span<const KeyBasedPair> pairs);

// The name of a key-based controller as the decoder shows it: the GM2 controller name,
// "?cc " + number without a row, "***unsupported " + name + "***" when GM2 does not allow
// it as a key-based controller, "?cc 87h" for a stored byte above 7F.
std::string keyBasedControllerName(int controller);

} // namespace velisto
