#pragma once
// Minimal JSON output for velisto-cli.

#include <string>
#include <string_view>

namespace velisto {

// text as a quoted JSON string. Each byte is one character: bytes 0x80-0xFF become
// \u0080-\u00FF (MIDI texts are bytes, not UTF-8), control characters \u00XX.
std::string jsonString(std::string_view text);

// A number the way JSON wants it: no trailing zeros, never "nan" or "inf" (null then).
std::string jsonNumber(double value);

} // namespace velisto
