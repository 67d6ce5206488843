#pragma once
// Small text helpers shared across the program: hexadecimal bytes, system exclusive
// dumps, the fields of separator-delimited definition strings, fixed-width overwriting,
// numbers and note names. Pure functions; callable from any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

// Two upper-case hex digits and a blank: 10 gives "0A ". Only the low 8 bits are shown.
std::string hexByte(int value);
// Exactly two hex digits, either case. Anything else gives std::nullopt.
std::optional<std::uint8_t> hexParse(std::string_view two);
// stored: the bytes of a system exclusive event after F0, normally ending with F7.
// Gives "F0" and each stored byte, blank-separated: 7E 7F 09 01 F7 gives
// "F0 7E 7F 09 01 F7". Bytes are shown as stored; a missing F7 is not made up.
std::string sysexText(std::span<const std::uint8_t> stored);

// Field n (from 1) of text split at separator: "VLX:TICKOFFSET:25" gives "25" for n 3.
// The last field runs to the end of the text; a field beyond it (or n below 1) is empty.
std::string field(std::string_view text, char separator, int n);
// Fields from..to (from 1) with the separators between them. Fields beyond the last one
// add nothing; from below 1 counts as 1; empty when from > to or from is beyond the last.
std::string fieldRange(std::string_view text, char separator, int from, int to);
// Number of separators plus 1 (so an empty text has one field).
int fieldCount(std::string_view text, char separator);
// Writes source over the start of target and blanks the rest; target keeps its length
// (a longer source is cut).
void overwrite(std::string& target, std::string_view source);
// Decimal, with a minus sign when negative.
std::string numberText(int value);
// The text without the blanks and tabs around it.
std::string_view trimmed(std::string_view text);
// The whole text as a decimal number: an optional minus sign and digits (leading zeros
// allowed), nothing else, within the range of int. std::nullopt otherwise.
std::optional<int> parseDecimal(std::string_view text);
// Pitch class and octave key / 12: key 0 is "C0", 60 "C5", 61 "C#5" (sharps) or "Db5"
// (flats), 127 "G10". Empty for a key outside 0..127.
std::string noteName(int key, bool flat);

} // namespace velisto
