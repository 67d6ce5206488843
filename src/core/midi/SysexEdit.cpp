#include "midi/SysexEdit.h"

#include "midi/GsParameterMap.h"
#include "midi/UniversalSysex.h"
#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {

namespace {

constexpr std::size_t kGsAddress = 4;
constexpr std::size_t kGsShortest = 8; // 41 dev 42 12 a1 a2 a3 checksum

// A decimal number of at most 9 digits with an optional minus; std::nullopt otherwise.
std::optional<int> parseNumber(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// "MSB,LSB" as MSB * 128 + LSB, each 0..127; std::nullopt otherwise.
std::optional<int> parsePair(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const std::optional<int> msb = parseNumber(trimmed(text.substr(0, comma)));
    const std::optional<int> lsb = parseNumber(trimmed(text.substr(comma + 1)));
    if (!msb || !lsb || *msb < 0 || *msb > 127 || *lsb < 0 || *lsb > 127)
        return std::nullopt;
    return *msb * 128 + *lsb;
}

SysexValueCheck accept(int value) { return {{}, value}; }
SysexValueCheck refuse(std::string message) { return {std::move(message), -1}; }

std::string rangeMessage(const SysexParameter& parameter)
{
    return "Wrong value. Minimum is " + std::to_string(parameter.minimum) + ", Maximum is " +
           std::to_string(parameter.maximum);
}

// The message for a number that names no choice.
std::string choiceNumberMessage(const SysexParameter& parameter)
{
    if (&parameter == &gmModeParameter())
        return std::string(kGmModeValueError);
    if (parameter.lastChoiceValue >= 0) {
        const auto count = static_cast<int>(sysexChoiceNames(parameter).size());
        return "Maximum is " + std::to_string(parameter.minimum + count - 2) + " or " +
               std::to_string(parameter.lastChoiceValue) + ".";
    }
    return rangeMessage(parameter);
}

SysexValueCheck checkCombo(const SysexParameter& parameter, std::string_view text)
{
    const std::vector<std::string_view> names = sysexChoiceNames(parameter);
    const auto named = std::find(names.begin(), names.end(), text);
    if (named != names.end())
        return accept(sysexChoiceValue(parameter, static_cast<int>(named - names.begin())));
    if (isTypeList(parameter)) {
        const std::optional<int> pair = parsePair(text);
        return pair && sysexValueValid(parameter, *pair) ? accept(*pair)
                                                         : refuse(std::string(SysexEditMessage::UnmatchedPair));
    }
    const std::optional<int> number = parseNumber(text);
    if (!number)
        return refuse(std::string(SysexEditMessage::NoItem));
    return sysexValueValid(parameter, *number) ? accept(*number) : refuse(choiceNumberMessage(parameter));
}

SysexValueCheck checkEdit(const SysexParameter& parameter, std::string_view text)
{
    if (parameter.dataBytes == 2 && text.find(',') != std::string_view::npos) {
        const std::optional<int> pair = parsePair(text);
        const bool fits = pair && parameter.style != SysexValueStyle::Nibbles && sysexValueValid(parameter, *pair);
        return fits ? accept(*pair) : refuse(std::string(SysexEditMessage::UnmatchedPair));
    }
    const std::optional<int> number = parseNumber(text);
    if (!number || !sysexValueValid(parameter, *number))
        return refuse(rangeMessage(parameter));
    return accept(*number);
}

} // namespace

SysexValueCheck checkSysexChoice(const DecodedSysex& decoded, int item)
{
    const int value = decoded.parameter ? sysexChoiceValue(*decoded.parameter, item) : -1;
    return value >= 0 ? accept(value) : refuse(std::string(SysexEditMessage::NoItem));
}

SysexValueCheck checkSysexValue(const DecodedSysex& decoded, std::string_view text)
{
    if (!decoded.parameter)
        return refuse(std::string(SysexEditMessage::NoItem));
    text = trimmed(text);
    if (decoded.parameter->edit == SysexEditKind::Combo)
        return checkCombo(*decoded.parameter, text);
    return checkEdit(*decoded.parameter, text);
}

SysexValueCheck checkValueOfWidth(std::string_view text, int width)
{
    int maximum = 0;
    for (int i = 0; i < std::clamp(width, 1, 4); ++i)
        maximum = maximum * 128 + 127;
    const std::optional<int> number = parseNumber(trimmed(text));
    if (!number || *number < 0 || *number > maximum)
        return refuse("Allowed are 0 to " + std::to_string(maximum));
    return accept(*number);
}

std::optional<std::vector<std::uint8_t>> reencodeSysex(std::span<const std::uint8_t> stored,
                                                       const DecodedSysex& decoded, int value)
{
    const SysexParameter* parameter = decoded.parameter;
    if (!parameter || decoded.wrongTotalLength || decoded.valueLength == 0 || !sysexValueValid(*parameter, value))
        return std::nullopt;
    const std::vector<std::uint8_t> data = sysexDataBytes(*parameter, value);
    if (data.size() != decoded.valueLength || decoded.valueOffset + data.size() > stored.size())
        return std::nullopt;
    std::vector<std::uint8_t> out(stored.begin(), stored.end());
    std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(decoded.valueOffset));
    if (decoded.gs)
        writeGsChecksum(out);
    return out;
}

bool writeGsChecksum(std::vector<std::uint8_t>& stored)
{
    const SysexFrame frame = SysexFrame::of(stored);
    if (!frame.terminated || frame.body.size() < kGsShortest)
        return false;
    const std::size_t checksumAt = frame.body.size() - 1;
    stored[checksumAt] = gsChecksum(frame.body.subspan(kGsAddress, checksumAt - kGsAddress));
    return true;
}

} // namespace velisto
