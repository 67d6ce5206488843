#pragma once
// Editing one decoded system exclusive value: the checks of the list editor's in-place
// editors, with their messages, and the re-encoding of a message with a new value (and,
// for GS, the recomputed checksum).
// Thread contract: pure functions, callable from any thread.

#include "midi/SysexDecoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

namespace SysexEditMessage {
inline constexpr std::string_view NoItem = "No valid item selected in Listbox.";
inline constexpr std::string_view UnmatchedPair = "Unmatched databyte msb/lsb.";
} // namespace SysexEditMessage

struct SysexValueCheck {
    std::string error; // the message to show; empty when the value is accepted
    int value = -1;    // the raw value to re-encode when accepted

    bool accepted() const { return error.empty(); }
};

// The combo's chosen item (its position in the choice list; -1 when nothing is selected).
SysexValueCheck checkSysexChoice(const DecodedSysex& decoded, int item);
// Typed text. An "edit" value is a raw number between the row's minimum and maximum
// ("Wrong value. Minimum is " + min + ", Maximum is " + max); a combo takes one of its
// names or the raw number of one; a two-byte value also takes "MSB,LSB".
SysexValueCheck checkSysexValue(const DecodedSysex& decoded, std::string_view text);
// A raw value of the special editors (GM2 parameter values, key-based controller values)
// that travels in width bytes: "Allowed are 0 to " + (128^width - 1).
SysexValueCheck checkValueOfWidth(std::string_view text, int width);

// The stored message with the decoded value's bytes replaced by value (and the GS
// checksum recomputed); the rest of the bytes as they were. std::nullopt when the message
// has no single value to replace (wrong length, no parameter, special editors) or the row
// does not accept value.
std::optional<std::vector<std::uint8_t>> reencodeSysex(std::span<const std::uint8_t> stored,
                                                       const DecodedSysex& decoded, int value);

// Writes the checksum of a GS data-set message (41 dev 42 12 address data checksum F7)
// into its checksum byte. False, and nothing changed, for a message too short to hold one
// or without F7.
bool writeGsChecksum(std::vector<std::uint8_t>& stored);

} // namespace velisto
