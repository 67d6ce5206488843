#include "midi/DeviceParameterRules.h"

#include "midi/MidiModeDefinition.h"
#include "midi/SlotPathDefinition.h"
#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {
namespace {

constexpr std::string_view kHexChars = "0123456789ABCDEFabcdef";
constexpr int kMaxIdByte = 0x7F;

bool onlyHexChars(std::string_view text) { return text.find_first_not_of(kHexChars) == std::string_view::npos; }

std::string_view trimBlanks(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

RuleOutcome checkWidth(std::string_view text, int currentWidth, std::size_t parameterCount, std::string_view refusal,
                       std::string_view question)
{
    const std::optional<int> width = parseEntryNumber(text);
    if (!width || *width < kMinSlotPathWidth || *width > kMaxSlotPathWidth)
        return {std::string(refusal), {}};
    if (*width == currentWidth || parameterCount == 0)
        return {};
    return {{}, std::string(question)};
}

// "Because Parameter ID width of 1, Parameter Id must be between 0 and 127" and its kin.
std::string checkInWidth(std::optional<int> number, int width, std::string_view widthName, std::string_view what)
{
    const int max = maxForWidth(width);
    if (number && *number >= 0 && *number <= max)
        return {};
    return "Because " + std::string(widthName) + " width of " + numberText(width) + ", " + std::string(what) +
           " must be between 0 and " + numberText(max);
}

std::string checkSlotPathEntry(std::string_view entry, int k)
{
    const std::string prefix = numberText(k) + ". MSB/LSB 2-byte entry: ";
    const std::string shown = " (" + std::string(entry) + ")";
    if (!onlyHexChars(entry))
        return prefix + "please only use hex chars" + shown;
    if (entry.size() != 4)
        return prefix + "Length must be 4 hex characters, each 2 hex charactes" + shown;
    if (*hexParse(entry.substr(0, 2)) > kMaxIdByte || *hexParse(entry.substr(2, 2)) > kMaxIdByte)
        return prefix + "Maximum is 7F (h) for each byte" + shown;
    return {};
}

} // namespace

std::optional<int> parseEntryNumber(std::string_view text)
{
    // Nine digits at most, as the entry fields hold.
    text = trimBlanks(text);
    const std::size_t digits = text.size() - (text.starts_with('-') ? 1 : 0);
    return digits <= 9 ? parseDecimal(text) : std::nullopt;
}

std::string checkUniversalSysexId(std::string_view text)
{
    if (text.size() != 2)
        return "Universal Sysex Device ID : 2 hex characters needed";
    if (!onlyHexChars(text))
        return "Universal Sysex Device ID : please only use hex chars (" + std::string(text) + ")";
    if (*hexParse(text) > kMaxIdByte)
        return "Universal Sysex Device ID : Maximum is 7F (h)";
    return {};
}

std::string checkNonUniversalSysexId(std::string_view text, const NonUniversalIdContext& context)
{
    int mode = context.mode;
    if (mode != MidiMode::GS && mode != MidiMode::XG) {
        if (context.gsSupported)
            mode = MidiMode::GS;
        else if (context.xgSupported)
            mode = MidiMode::XG;
        else if (text == context.storedId)
            return {};
        else
            return "Non-Universal Sysex not supported in MIDI mode " + std::string(midiModeName(context.mode));
    }
    if (mode == MidiMode::GS && text.size() != 2)
        return "Non-Universal Sysex Device ID : 2 hex characters needed in MIDI mode GS";
    if (mode == MidiMode::XG && text.size() != 1)
        return "Non-Universal Sysex Device ID : Exactly 1 hex character needed in MIDI mode XG";
    if (!onlyHexChars(text))
        return "Non-Universal Sysex Device ID : please only use hex chars (" + std::string(text) + ")";
    if (mode == MidiMode::GS && *hexParse(text) > kMaxIdByte)
        return "Non-Universal Sysex Device ID : Maximum is 7F (h)";
    return {};
}

std::string checkNoBackslash(std::string_view text)
{
    if (text.find('\\') != std::string_view::npos)
        return "Don't use \\ (Backslash)";
    return {};
}

std::string checkTypeName(std::string_view text)
{
    std::string error = checkNoBackslash(text);
    if (error.empty() && text.find(';') != std::string_view::npos)
        error = "Don't use ; (Semicolon)";
    return error;
}

int maxForWidth(int width)
{
    if (width < kMinSlotPathWidth || width > kMaxSlotPathWidth)
        return -1;
    int max = 1;
    for (int i = 0; i < width; ++i)
        max *= 128;
    return max - 1;
}

RuleOutcome checkParameterIdWidth(std::string_view text, int currentWidth, std::size_t parameterCount)
{
    return checkWidth(text, currentWidth, parameterCount, "Please enter a parameter width between 1 and 4",
                      "This will delete all defined parameters in this slotpath");
}

RuleOutcome checkValueWidth(std::string_view text, int currentWidth, std::size_t parameterCount)
{
    return checkWidth(text, currentWidth, parameterCount, "Please enter a value width between 1 and 4",
                      "This will delete all defined parametes in this slotpath");
}

std::string checkParameterId(std::string_view text, int idWidth, std::span<const int> otherIds)
{
    const std::optional<int> id = parseEntryNumber(text);
    std::string error = checkInWidth(id, idWidth, "Parameter ID", "Parameter Id");
    if (error.empty() && std::find(otherIds.begin(), otherIds.end(), *id) != otherIds.end())
        error = "Parameter ID " + numberText(*id) + " already exists.";
    return error;
}

std::string checkTypeValue(std::string_view text, int valueWidth)
{
    return checkInWidth(parseEntryNumber(text), valueWidth, "Value", "Type");
}

std::string gm2OffQuestion(std::size_t slotPathCount)
{
    if (slotPathCount == 0)
        return {};
    return "This will delete all slotpath entries";
}

void switchGm2Support(bool on, int& powerOnMode, std::vector<std::string>& slotPaths)
{
    if (on) {
        if (slotPaths.empty())
            slotPaths = defaultSlotPaths();
        return;
    }
    slotPaths.clear();
    if (powerOnMode == MidiMode::GM2)
        powerOnMode = MidiMode::GM;
}

std::string checkSlotPathName(std::string_view name)
{
    if (name.empty())
        return "Please enter a slotpath name";
    return checkNoBackslash(name);
}

std::string checkSlotPathEntries(const std::array<std::string, 4>& entries)
{
    bool gap = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int k = static_cast<int>(i) + 1;
        if (entries[i].empty()) {
            gap = true;
            continue;
        }
        std::string error = checkSlotPathEntry(entries[i], k);
        if (error.empty() && gap)
            error = numberText(k) + ". MSB/LSB 2-byte entry: Leading MSB/LSB 2-byte entries may not be empty";
        if (!error.empty())
            return error;
    }
    return {};
}

} // namespace velisto
