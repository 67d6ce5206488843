#pragma once
// The system exclusive messages that put a receiver into a MIDI mode: GM System On, GS
// Reset, XG System On and GM2 System On, addressed with the device's sysex ids.
// Thread contract: pure functions, callable from any thread.

#include "midi/OutputDevice.h"

#include <cstdint>
#include <vector>

namespace velisto {

// The whole message, F0 ... F7, that enters mode (MidiMode::GM ...) on the device; empty
// for a mode outside 0..3. An id that is not a hex number in range falls back to its
// factory value (universal 7F, GS 10h, XG 0), so a damaged record never sends a bad byte.
std::vector<std::uint8_t> modeEnterMessage(int mode, const OutputDevice& device);

// The device byte of universal messages to the device: its universal id, else 7Fh (all
// call).
std::uint8_t universalDeviceByte(const OutputDevice& device);
// The device byte of GS messages to the device: its non-universal id where it supports
// GS, else 10h.
std::uint8_t gsDeviceByte(const OutputDevice& device);
// The device byte 1n of XG messages: n is the low nibble of the non-universal id where
// the device supports XG ("10" gives 10h, "3" gives 13h), else 0.
std::uint8_t xgDeviceByte(const OutputDevice& device);

} // namespace velisto
