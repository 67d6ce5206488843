#pragma once
// What `velisto-cli sysex` prints: every field of one decoded system exclusive message,
// as readable lines or as one JSON object.

#include "midi/SysexDecoder.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// The hex bytes of the arguments ("F0 7E 7F 09 01 F7", "F07E7F0901F7" or one byte per
// argument), F0 included. std::nullopt when an argument is no whole number of hex bytes.
std::optional<std::vector<std::uint8_t>> parseSysexHex(const std::vector<std::string>& words);

// "name: value" lines, one per field; flags and sections only where they apply.
std::string sysexReportText(const DecodedSysex& decoded, std::string_view message);
// {"message":"F0 ..","family":"..",...} with every field, named as in DecodedSysex.
std::string sysexReportJson(const DecodedSysex& decoded, std::string_view message);

// `velisto-cli sysex [--json] [--mode GM|GS|XG|GM2] HEXBYTES...`: args[0] is "sysex".
// Exit status 0 for a message decoded without defect, 1 when it has one (an error text,
// wrong value bytes or a wrong GS checksum), 2 for wrong usage (no bytes, bad hex, no
// leading F0, unknown mode).
int runSysex(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velisto
