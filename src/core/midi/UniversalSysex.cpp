#include "midi/UniversalSysex.h"

#include "midi/DeviceMidiState.h"
#include "midi/Formula.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace velisto {

namespace {

constexpr SysexParameter kGmMode = {.name = "GM mode",
                                    .minimum = 1,
                                    .maximum = 3,
                                    .style = SysexValueStyle::Choice,
                                    .choices = "Enter GM\\Exit\\Enter GM2\\",
                                    .edit = SysexEditKind::Combo,
                                    .defaultValue = 1};

// 14 bits, least significant 7 first.
constexpr auto kDeviceControl = std::to_array<SysexParameter>({
    {.name = "Master volume",
     .dataBytes = 2,
     .maximum = DeviceMidiState::kMaxMasterVolume,
     .scale = 100.0 / DeviceMidiState::kMaxMasterVolume,
     .decimals = 1,
     .unit = "%",
     .defaultValue = DeviceMidiState::kMaxMasterVolume,
     .lsbFirst = true},
    fineTuningParameter("Master fine tuning", true),
    // Only the MSB counts (semitones around 40h); the LSB is sent as 0, so the highest
    // value is 7F 00.
    {.name = "Master coarse tuning",
     .dataBytes = 2,
     .maximum = 0x3F80,
     .offset = -0x2000,
     .scale = 1.0 / 128,
     .unit = "semitones",
     .defaultValue = 0x2000,
     .lsbFirst = true},
});
constexpr std::array<std::uint8_t, 3> kDeviceControlSubIds = {kMasterVolume, 0x03, 0x04};

// Offsets in the body of a Global Parameter Control message.
constexpr std::size_t kGpcSlotPathLength = 4;
constexpr std::size_t kGpcIdWidth = 5;
constexpr std::size_t kGpcValueWidth = 6;
constexpr std::size_t kGpcSlotPath = 7;
// ... and of a key-based instrument controller message.
constexpr std::size_t kKeyBasedChannel = 4;
constexpr std::size_t kKeyBasedKey = 5;
constexpr std::size_t kKeyBasedPairs = 6;

void markWrongLength(DecodedSysex& result)
{
    result.wrongTotalLength = true;
    result.error = SysexError::WrongLength;
}

void markWrongValue(DecodedSysex& result, std::string detail)
{
    if (!result.wrongValueBytes)
        result.wrongValueDetail = std::move(detail);
    result.wrongValueBytes = true;
}

std::string hexPair(std::uint8_t msb, std::uint8_t lsb)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", msb, lsb);
    return text;
}

std::string hexBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    char hex[4];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", byte);
        text += hex;
    }
    return text;
}

// LSB first, 7 bits a byte.
int lsbFirst(std::span<const std::uint8_t> bytes)
{
    int value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = (value << 7) | (bytes[i] & 0x7F);
    return value;
}

void appendLsbFirst(std::vector<std::uint8_t>& out, int value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>((value >> (7 * i)) & 0x7F));
}

// Two decimals at most, trailing zeros dropped: 1.8221 gives "1.82", 100.0 gives "100".
std::string formulaValueText(double value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string result = text;
    if (result.find('.') != std::string::npos) {
        while (result.back() == '0')
            result.pop_back();
        if (result.back() == '.')
            result.pop_back();
    }
    return result == "-0" ? "0" : result;
}

const SlotPathDefinition* definitionOf(std::span<const SlotPathDefinition> slotPaths,
                                       const std::vector<SlotPathEntry>& path)
{
    const auto found = std::find_if(slotPaths.begin(), slotPaths.end(),
                                    [&path](const SlotPathDefinition& d) { return d.slotPath == path; });
    return found == slotPaths.end() ? nullptr : &*found;
}

std::string gpcValueText(const SlotPathParameter& parameter, int value)
{
    if (parameter.kind == SlotPathParameter::Kind::TypeList) {
        const auto type = std::find_if(parameter.types.begin(), parameter.types.end(),
                                       [value](const SlotPathType& t) { return t.value == value; });
        return type != parameter.types.end() ? " " + type->name : " ***Type " + std::to_string(value) + " undefined***";
    }
    const std::optional<double> shown = evaluateFormula(parameter.formula, value);
    if (!shown)
        return " " + std::to_string(value);
    return " " + formulaValueText(*shown) + (parameter.unit.empty() ? "" : " " + parameter.unit);
}

std::string gpcGroupText(const SlotPathDefinition& definition, const GpcGroup& group)
{
    const auto parameter = std::find_if(definition.parameters.begin(), definition.parameters.end(),
                                        [&group](const SlotPathParameter& p) { return p.id == group.id; });
    if (parameter == definition.parameters.end())
        return " '***Parameter ID " + std::to_string(group.id) + " undefined***' " + std::to_string(group.value);
    return " '" + parameter->name + "'" + gpcValueText(*parameter, group.value);
}

bool anyAbove7F(std::span<const std::uint8_t> bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b > 0x7F; });
}

// A number as it travelled, LSB first; bytes of 80h and above (which a wire would not
// carry) are shown as they are stored, in hex, rather than masked to seven bits.
std::string wireNumberText(std::span<const std::uint8_t> bytes)
{
    if (!anyAbove7F(bytes))
        return std::to_string(lsbFirst(bytes));
    std::vector<std::uint8_t> msbFirst(bytes.rbegin(), bytes.rend());
    return hexBytes(msbFirst) + "h";
}

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string slotPathText(const GlobalParameterControlInfo& gpc, const SlotPathDefinition* definition)
{
    if (gpc.slotPath.empty())
        return "Top level parameters (" + (definition ? definition->name : std::string("no slotpath")) + ")";
    std::string hex;
    for (const SlotPathEntry& entry : gpc.slotPath)
        hex += (hex.empty() ? "" : " ") + hexPair(entry.msb, entry.lsb);
    return definition ? definition->name + " (" + hex + ")" : "slotpath " + hex;
}

std::string_view untranslatedReason(GpcTranslation translation)
{
    switch (translation) {
    case GpcTranslation::NoGm2Device:
        return " (not translated because no GM2 device)";
    case GpcTranslation::WidthsNotMatched:
        return " (not translated because slotpath's parameter id width or value width not matched)";
    case GpcTranslation::SlotPathUndefined:
        return " (not translated because slotpath is undefined)";
    case GpcTranslation::Translated:
        break;
    }
    return {};
}

} // namespace

const SysexParameter& gmModeParameter() { return kGmMode; }

const SysexParameter* deviceControlParameter(std::uint8_t subId2)
{
    const auto found = std::find(kDeviceControlSubIds.begin(), kDeviceControlSubIds.end(), subId2);
    return found == kDeviceControlSubIds.end()
               ? nullptr
               : &kDeviceControl[static_cast<std::size_t>(found - kDeviceControlSubIds.begin())];
}

void decodeGlobalParameterControl(const SysexFrame& frame, std::span<const SlotPathDefinition> slotPaths,
                                  bool gm2Device, DecodedSysex& result)
{
    result.description = "Global parameter control";
    result.globalParameterControl = true;
    result.editKind = SysexEditKind::GlobalParameterControl;
    GlobalParameterControlInfo& gpc = result.gpc;
    const std::span<const std::uint8_t> body = frame.body;
    if (body.size() <= kGpcValueWidth) {
        markWrongLength(result);
        return;
    }
    gpc.slotPathLength = body[kGpcSlotPathLength];
    gpc.parameterIdWidth = body[kGpcIdWidth];
    gpc.valueWidth = body[kGpcValueWidth];
    gpc.widthsValid =
        gpc.parameterIdWidth >= 1 && gpc.parameterIdWidth <= 4 && gpc.valueWidth >= 1 && gpc.valueWidth <= 4;
    if (!gpc.widthsValid) {
        result.error = SysexError::GpcWidth;
        return;
    }
    const std::size_t groupsStart = kGpcSlotPath + 2 * static_cast<std::size_t>(gpc.slotPathLength);
    const auto groupSize = static_cast<std::size_t>(gpc.parameterIdWidth + gpc.valueWidth);
    if (!frame.terminated || body.size() < groupsStart + groupSize || (body.size() - groupsStart) % groupSize != 0) {
        markWrongLength(result);
        return;
    }
    for (std::size_t i = kGpcSlotPath; i < groupsStart; i += 2)
        gpc.slotPath.push_back({body[i], body[i + 1]});
    std::vector<std::string> rawTexts; // per group, its id and value as shown untranslated
    for (std::size_t i = groupsStart; i < body.size(); i += groupSize) {
        const auto id = body.subspan(i, static_cast<std::size_t>(gpc.parameterIdWidth));
        const auto value = body.subspan(i + id.size(), static_cast<std::size_t>(gpc.valueWidth));
        gpc.groups.push_back({lsbFirst(id), lsbFirst(value)});
        rawTexts.push_back("id " + wireNumberText(id) + ": " + wireNumberText(value));
    }
    result.valueOffset = groupsStart;
    result.valueLength = body.size() - groupsStart;
    result.valueBytes = hexBytes(body.subspan(groupsStart));

    const SlotPathDefinition* definition = gm2Device ? definitionOf(slotPaths, gpc.slotPath) : nullptr;
    if (!gm2Device)
        gpc.translation = GpcTranslation::NoGm2Device;
    else if (!definition)
        gpc.translation = GpcTranslation::SlotPathUndefined;
    else if (definition->parameterIdWidth != gpc.parameterIdWidth || definition->valueWidth != gpc.valueWidth)
        gpc.translation = GpcTranslation::WidthsNotMatched;
    else
        gpc.translation = GpcTranslation::Translated;

    result.description += " " + slotPathText(gpc, definition);
    if (gpc.translation != GpcTranslation::Translated) {
        result.description += untranslatedReason(gpc.translation);
        result.valueText = joined(rawTexts);
        return;
    }
    std::string text;
    for (const GpcGroup& group : gpc.groups)
        text += (text.empty() ? "" : ",") + gpcGroupText(*definition, group);
    result.valueText = text.substr(1); // without the first group's leading blank
}

std::string keyBasedControllerName(int controller)
{
    if (controller > 0x7F) {
        char text[16];
        std::snprintf(text, sizeof text, "?cc %02Xh", static_cast<unsigned>(controller & 0xFF));
        return text;
    }
    const MidiModeDefinition& gm2 = midiModeDefinition(MidiMode::GM2);
    const ParamRow* row = gm2.row(ParamKind::Controller, controller);
    // The standard's placeholder rows for unassigned numbers name nothing.
    if (!row || row->longName.starts_with("Undefined"))
        return "?cc " + std::to_string(controller);
    if (gm2.keyBasedSlotOf(controller) < 0)
        return "***unsupported " + std::string(row->longName) + "***";
    return std::string(row->longName);
}

void decodeKeyBasedController(const SysexFrame& frame, DecodedSysex& result)
{
    result.description = "Key-based instr. controller";
    result.keyBasedController = true;
    result.editKind = SysexEditKind::KeyBasedInstrumentEditor;
    const std::span<const std::uint8_t> body = frame.body;
    // At least one controller/value pair, and whole pairs only.
    if (!frame.terminated || body.size() < kKeyBasedPairs + 2 || (body.size() - kKeyBasedPairs) % 2 != 0) {
        markWrongLength(result);
        return;
    }
    KeyBasedControllerInfo& info = result.keyBased;
    info.channel = body[kKeyBasedChannel];
    info.key = body[kKeyBasedKey];
    if (info.channel > 15)
        markWrongValue(result, "Key-based instr. controller: channel " + std::to_string(info.channel));
    const std::string key = info.key > 0x7F ? hexBytes(body.subspan(kKeyBasedKey, 1)) + "h"
                                              : std::string(noteName(info.key));
    std::string text = "Channel " + std::to_string(info.channel + 1) + ", key '" + key + "':";
    for (std::size_t i = kKeyBasedPairs; i < body.size(); i += 2) {
        info.pairs.push_back({body[i], body[i + 1]});
        text += (i == kKeyBasedPairs ? " " : ", ") + keyBasedControllerName(body[i]) + " " +
                std::to_string(body[i + 1]);
    }
    result.valueOffset = kKeyBasedChannel;
    result.valueLength = body.size() - kKeyBasedChannel;
    result.valueBytes = hexBytes(body.subspan(kKeyBasedChannel));
    result.valueText = std::move(text);
}

std::vector<std::uint8_t> gmModeMessage(std::uint8_t deviceId, int value)
{
    return {0x7E, deviceId, 0x09, static_cast<std::uint8_t>(value & 0x7F), 0xF7};
}

std::vector<std::uint8_t> globalParameterControlMessage(std::uint8_t deviceId, std::span<const SlotPathEntry> slotPath,
                                                        int parameterIdWidth, int valueWidth,
                                                        std::span<const GpcGroup> groups)
{
    std::vector<std::uint8_t> out = {0x7F,
                                     deviceId,
                                     0x04,
                                     0x05,
                                     static_cast<std::uint8_t>(slotPath.size() & 0x7F),
                                     static_cast<std::uint8_t>(parameterIdWidth & 0x7F),
                                     static_cast<std::uint8_t>(valueWidth & 0x7F)};
    for (const SlotPathEntry& entry : slotPath) {
        out.push_back(entry.msb & 0x7F);
        out.push_back(entry.lsb & 0x7F);
    }
    for (const GpcGroup& group : groups) {
        appendLsbFirst(out, group.id, parameterIdWidth);
        appendLsbFirst(out, group.value, valueWidth);
    }
    out.push_back(0xF7);
    return out;
}

std::vector<std::uint8_t> keyBasedControllerMessage(std::uint8_t deviceId, int channel, int key,
                                                    std::span<const KeyBasedPair> pairs)
{
    std::vector<std::uint8_t> out = {
        0x7F, deviceId, 0x0A, 0x01, static_cast<std::uint8_t>(channel & 0x0F), static_cast<std::uint8_t>(key & 0x7F)};
    for (const KeyBasedPair& pair : pairs) {
        out.push_back(static_cast<std::uint8_t>(pair.controller & 0x7F));
        out.push_back(static_cast<std::uint8_t>(pair.value & 0x7F));
    }
    out.push_back(0xF7);
    return out;
}

} // namespace velisto
