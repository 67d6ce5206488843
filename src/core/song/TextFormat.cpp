#include "song/TextFormat.h"

#include "midi/MidiStandardNames.h"

#include <algorithm>
#include <charconv>
#include <array>

namespace velisto {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";


std::optional<int> hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

void appendHex(std::string& out, std::uint8_t value)
{
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0x0F];
}

// Offset of the first character of field n (from 1), or npos when the text has fewer
// than n - 1 separators.
std::size_t fieldBegin(std::string_view text, char separator, int n)
{
    std::size_t begin = 0;
    for (int i = 1; i < n; ++i) {
        const std::size_t at = text.find(separator, begin);
        if (at == std::string_view::npos)
            return std::string_view::npos;
        begin = at + 1;
    }
    return begin;
}

} // namespace

std::string hexByte(int value)
{
    std::string text;
    text.reserve(3);
    appendHex(text, static_cast<std::uint8_t>(value & 0xFF));
    text += ' ';
    return text;
}

std::optional<std::uint8_t> hexParse(std::string_view two)
{
    if (two.size() != 2)
        return std::nullopt;
    const auto high = hexDigit(two[0]);
    const auto low = hexDigit(two[1]);
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

std::string sysexText(std::span<const std::uint8_t> stored)
{
    std::string text = "F0";
    text.reserve(2 + 3 * stored.size());
    for (const std::uint8_t byte : stored) {
        text += ' ';
        appendHex(text, byte);
    }
    return text;
}

std::string field(std::string_view text, char separator, int n)
{
    if (n < 1)
        return {};
    const std::size_t begin = fieldBegin(text, separator, n);
    if (begin == std::string_view::npos)
        return {};
    const std::size_t end = text.find(separator, begin);
    return std::string(text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}

std::string fieldRange(std::string_view text, char separator, int from, int to)
{
    from = std::max(from, 1);
    if (from > to)
        return {};
    const std::size_t begin = fieldBegin(text, separator, from);
    if (begin == std::string_view::npos)
        return {};
    std::size_t end = begin;
    for (int i = from; i <= to; ++i) {
        end = text.find(separator, end);
        if (end == std::string_view::npos)
            return std::string(text.substr(begin));
        if (i < to)
            ++end;
    }
    return std::string(text.substr(begin, end - begin));
}

int fieldCount(std::string_view text, char separator)
{
    return static_cast<int>(std::count(text.begin(), text.end(), separator)) + 1;
}

void overwrite(std::string& target, std::string_view source)
{
    const std::size_t copied = std::min(target.size(), source.size());
    std::copy_n(source.begin(), copied, target.begin());
    std::fill(target.begin() + static_cast<std::ptrdiff_t>(copied), target.end(), ' ');
}

std::string numberText(int value) { return std::to_string(value); }

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int> parseDecimal(std::string_view text)
{
    // from_chars takes no plus sign and no blanks, which is what the callers want.
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

std::string noteName(int key, bool flat)
{
    // The name lists ("durnotes", "mollnotes") live with the MIDI standard definitions.
    return std::string(velisto::noteName(key, flat ? NoteSpelling::Flats : NoteSpelling::Sharps));
}

} // namespace velisto
