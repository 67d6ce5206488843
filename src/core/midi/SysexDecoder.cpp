#include "midi/SysexDecoder.h"

#include "midi/DeviceMidiState.h"
#include "midi/GsParameterMap.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "midi/UniversalSysex.h"
#include "midi/XgParameterMap.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velisto {

namespace {

constexpr std::uint8_t kEox = 0xF7;
constexpr std::uint8_t kUniversalNonRealtime = 0x7E;
constexpr std::uint8_t kUniversalRealtime = 0x7F;
constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kYamaha = 0x43;
constexpr std::uint8_t kGsModel = 0x42;
constexpr std::uint8_t kGsDataSet = 0x12;
constexpr std::uint8_t kXgModel = 0x4C;
constexpr int kYamahaBulkDump = 0x0;
constexpr int kYamahaParameterChange = 0x1;

// Body offsets of the GS data-set message: 41 dev 42 12 a1 a2 a3 data... checksum.
constexpr std::size_t kGsCommand = 3;
constexpr std::size_t kGsAddress = 4;
constexpr std::size_t kGsData = 7;
// Body offsets of the XG parameter change: 43 1n 4C a1 a2 a3 data...
constexpr std::size_t kXgAddress = 3;
constexpr std::size_t kXgData = 6;
// The GM mode message is exactly 7E dev 09 value F7.
constexpr std::size_t kGmModeLength = 5;
constexpr std::size_t kGmModeValue = 3;

std::string hexText(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string hexText(std::uint8_t byte) { return hexText(std::span(&byte, 1)); }

void markWrongLength(DecodedSysex& result)
{
    result.wrongTotalLength = true;
    result.error = SysexError::WrongLength;
}

// A name's characters; each data byte must be a printable character.
void fillText(DecodedSysex& result, const SysexParameter& parameter, std::span<const std::uint8_t> data)
{
    std::string text;
    bool printable = true;
    for (const std::uint8_t byte : data) {
        printable = printable && byte >= parameter.minimum && byte <= parameter.maximum;
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
    result.valueText = "'" + text + "'";
    if (!printable) {
        result.wrongValueBytes = true;
        result.wrongValueDetail = result.description + ": data bytes " + result.valueBytes + " are no characters";
    }
}

// Fills the value fields from the row and the data bytes at offset (the caller checked
// that the body holds them).
void fillValue(DecodedSysex& result, const SysexParameter& parameter, const SysexFrame& frame, std::size_t offset)
{
    const auto data = frame.body.subspan(offset, static_cast<std::size_t>(parameter.dataBytes));
    result.parameter = &parameter;
    result.valueOffset = offset;
    result.valueLength = data.size();
    result.valueBytes = hexText(data);
    result.editKind = parameter.edit;
    result.minimum = parameter.minimum;
    result.maximum = parameter.maximum;
    result.rangeText = sysexRangeText(parameter);
    if (parameter.edit == SysexEditKind::Combo)
        result.choices = parameter.choices;
    if (parameter.style == SysexValueStyle::Text) {
        fillText(result, parameter, data);
        return;
    }
    const std::optional<int> raw = sysexRawValue(parameter, data);
    if (raw && sysexValueValid(parameter, *raw)) {
        result.value = *raw;
        result.valueText = sysexValueText(parameter, *raw);
        return;
    }
    result.value = raw.value_or(-1);
    // A type that is not in the list shows as the list writes its entries ("5,0").
    result.valueText = !raw ? "?" : isTypeList(parameter) ? sysexValueText(parameter, *raw) : std::to_string(*raw);
    result.wrongValueBytes = true;
    result.wrongValueDetail = result.description + ": " +
                              (raw ? result.valueText + " not in " + result.rangeText
                                   : "data bytes " + result.valueBytes + " do not fit");
}

// On the wire a byte of 80h or above ends a system exclusive message, wherever it stands;
// such a message is never what its other bytes seem to say.
void checkDataBytes(const SysexFrame& frame, DecodedSysex& result)
{
    const auto above = std::find_if(frame.body.begin(), frame.body.end(), [](std::uint8_t b) { return b > 0x7F; });
    if (above == frame.body.end())
        return;
    // Positions count from F0, as the message is written.
    const auto position = static_cast<std::size_t>(above - frame.body.begin()) + 1;
    std::string detail = "byte " + std::to_string(position) + " is " + hexText(*above) + "h";
    result.wrongValueBytes = true;
    result.wrongValueDetail = result.description.empty() ? detail : result.description + ": " + detail;
}

void decodeNonRealtime(const SysexFrame& frame, DecodedSysex& result)
{
    result.family = SysexFamily::UniversalNonRealtime;
    result.universalNonRealtime = true;
    const auto subId1 = frame.at(2);
    if (!subId1) {
        markWrongLength(result);
        return;
    }
    result.subIds = hexText(frame.body.subspan(2, std::min<std::size_t>(2, frame.body.size() - 2)));
    if (*subId1 != 0x09) {
        result.error = SysexError::UnknownNonRealtime;
        return;
    }
    const SysexParameter& gmMode = gmModeParameter();
    result.description = gmMode.name;
    if (!frame.terminated || frame.length() != kGmModeLength) {
        markWrongLength(result);
        return;
    }
    fillValue(result, gmMode, frame, kGmModeValue);
    if (result.wrongValueBytes)
        result.wrongValueDetail = std::string(kGmModeValueError);
    result.modeMessage = SysexModeMessage::Gm;
    result.modeValue = frame.body[kGmModeValue];
}

// 7F dev 04 ss lsb msb: master volume, fine or coarse tuning.
void decodeDeviceControl(const SysexFrame& frame, const SysexParameter& parameter, DecodedSysex& result)
{
    constexpr std::size_t kValue = 4;
    result.description = parameter.name;
    if (!frame.terminated || frame.body.size() != kValue + static_cast<std::size_t>(parameter.dataBytes)) {
        markWrongLength(result);
        return;
    }
    fillValue(result, parameter, frame, kValue);
    if (&parameter == deviceControlParameter(kMasterVolume) && !result.wrongValueBytes)
        result.masterVolume = result.value;
}

void decodeRealtime(const SysexFrame& frame, std::span<const SlotPathDefinition> slotPaths, bool gm2Device,
                    DecodedSysex& result)
{
    result.family = SysexFamily::UniversalRealtime;
    result.universalRealtime = true;
    const auto subId1 = frame.at(2);
    const auto subId2 = frame.at(3);
    if (!subId1 || !subId2) {
        markWrongLength(result);
        return;
    }
    result.subIds = hexText(frame.body.subspan(2, 2));
    if (const SysexParameter* control = *subId1 == 0x04 ? deviceControlParameter(*subId2) : nullptr)
        decodeDeviceControl(frame, *control, result);
    else if (*subId1 == 0x04 && *subId2 == 0x05)
        decodeGlobalParameterControl(frame, slotPaths, gm2Device, result);
    else if (*subId1 == 0x0A && *subId2 == 0x01)
        decodeKeyBasedController(frame, result);
    else
        result.error = SysexError::UnknownRealtime;
}

void checkGsChecksum(const SysexFrame& frame, DecodedSysex& result)
{
    // Address, at least the checksum, and the F7 that tells where the checksum is.
    if (!frame.terminated || frame.body.size() < kGsData + 1)
        return;
    const std::size_t checksumAt = frame.body.size() - 1;
    result.storedChecksum = frame.body[checksumAt];
    result.expectedChecksum = gsChecksum(frame.body.subspan(kGsAddress, checksumAt - kGsAddress));
    result.checksum =
        result.storedChecksum == result.expectedChecksum ? GsChecksumState::Right : GsChecksumState::Wrong;
}

void decodeRoland(const SysexFrame& frame, DecodedSysex& result)
{
    result.family = SysexFamily::Roland;
    const auto model = frame.at(2);
    if (!model) {
        markWrongLength(result);
        return;
    }
    result.modelId = hexText(*model);
    if (*model != kGsModel) {
        result.error = SysexError::NotMatched;
        return;
    }
    result.gs = true;
    result.modelName = "GS ";
    if (frame.body.size() < kGsData) {
        markWrongLength(result);
        return;
    }
    const auto address = frame.body.subspan(kGsAddress, 3);
    result.address = hexText(address);
    checkGsChecksum(frame, result);
    if (frame.body[kGsCommand] != kGsDataSet) {
        result.error = SysexError::NotMatched;
        return;
    }
    const bool addressValid = std::none_of(address.begin(), address.end(), [](std::uint8_t b) { return b > 0x7F; });
    const GsLookup lookup = addressValid ? gsParameterAt(address[0], address[1], address[2]) : GsLookup{};
    if (!lookup.parameter) {
        result.error = SysexError::UnknownGs;
        return;
    }
    result.description = lookup.description;
    result.partNumber = lookup.partNumber;
    result.partKind = lookup.partKind;
    const auto dataBytes = static_cast<std::size_t>(lookup.parameter->dataBytes);
    if (!frame.terminated || frame.body.size() != kGsData + dataBytes + 1) {
        markWrongLength(result);
        return;
    }
    fillValue(result, *lookup.parameter, frame, kGsData);
    if (address[0] == 0x40 && address[1] == 0x00 && address[2] == 0x7F) {
        result.modeMessage = SysexModeMessage::Gs;
        result.modeValue = frame.body[kGsData];
    } else if (address[0] == 0x00 && address[1] == 0x00 && address[2] == 0x7F && !result.wrongValueBytes) {
        // Either mode of the system mode set starts from a GS Reset.
        result.modeMessage = SysexModeMessage::Gs;
        result.modeValue = 0;
    } else if (address[0] == 0x40 && address[1] == 0x00 && address[2] == 0x04 && !result.wrongValueBytes) {
        result.masterVolume = gsMasterVolumeOf(result.value);
    }
}

SysexPartKind partKindOf(XgRole role)
{
    switch (role) {
    case XgRole::PartChannel:
        return SysexPartKind::MidiChannel;
    case XgRole::PartBankMsb:
        return SysexPartKind::BankSelectMsb;
    case XgRole::PartBankLsb:
        return SysexPartKind::BankSelectLsb;
    case XgRole::PartProgram:
        return SysexPartKind::ProgramNumber;
    case XgRole::PartRhythm:
        return SysexPartKind::UseForRhythm;
    default:
        return SysexPartKind::None;
    }
}

// The flags of the rows the interpreter acts on, once the value has been read.
void applyXgRole(XgRole role, const SysexFrame& frame, DecodedSysex& result)
{
    switch (role) {
    case XgRole::SystemOn:
        result.modeMessage = SysexModeMessage::Xg;
        result.modeValue = frame.body[kXgData];
        break;
    case XgRole::ResetDrumSetup:
        result.resetDrumSetupMap = true;
        break;
    case XgRole::VariationType:
        result.xgVariationType = true;
        result.variationType = result.value;
        break;
    default:
        break;
    }
}

// Byte 1 is 0n for a bulk dump and 1n for a parameter change (n: the device number).
void decodeYamaha(const SysexFrame& frame, DecodedSysex& result, int lastXgVariationType)
{
    result.family = SysexFamily::Yamaha;
    const auto model = frame.at(2);
    if (!model) {
        markWrongLength(result);
        return;
    }
    result.modelId = hexText(*model);
    const int kind = frame.body[1] >> 4;
    const bool xgModel = *model == kXgModel;
    if (xgModel) {
        result.xg = true;
        result.modelName = "XG ";
    }
    if (kind == kYamahaBulkDump) {
        result.description = xgModel ? "XG bulk dump" : "Yamaha native bulk dump";
        return;
    }
    if (kind != kYamahaParameterChange) {
        result.error = SysexError::NotMatched;
        return;
    }
    if (!xgModel) {
        result.description = "Yamaha native parameter change";
        return;
    }
    if (frame.body.size() < kXgData) {
        markWrongLength(result);
        return;
    }
    const auto address = frame.body.subspan(kXgAddress, 3);
    result.address = hexText(address);
    const bool addressValid = std::none_of(address.begin(), address.end(), [](std::uint8_t b) { return b > 0x7F; });
    const XgLookup lookup =
        addressValid ? xgParameterAt(address[0], address[1], address[2], lastXgVariationType) : XgLookup{};
    result.description = lookup.description;
    result.partNumber = lookup.partNumber;
    result.partKind = partKindOf(lookup.role);
    if (!lookup.parameter) {
        result.error = lookup.error.empty() ? std::string(SysexError::UnknownXg) : lookup.error;
        return;
    }
    const auto dataBytes = static_cast<std::size_t>(lookup.parameter->dataBytes);
    if (!frame.terminated || frame.body.size() != kXgData + dataBytes) {
        markWrongLength(result);
        return;
    }
    fillValue(result, *lookup.parameter, frame, kXgData);
    applyXgRole(lookup.role, frame, result);
}

std::vector<SlotPathDefinition> parsedSlotPaths(const OutputDevice* device)
{
    std::vector<SlotPathDefinition> definitions;
    if (!device)
        return definitions;
    for (const std::string& text : device->slotPaths)
        if (std::optional<SlotPathDefinition> definition = SlotPathDefinition::parse(text).definition)
            definitions.push_back(std::move(*definition));
    return definitions;
}

// Calls visit(field) for each field of a backslash-terminated list (a missing last
// backslash still ends the last field) until visit returns true; the number of fields
// visited. Lists are scanned in place: decoding must not allocate per choice.
template <class Visit> std::size_t forEachField(std::string_view list, Visit visit)
{
    std::size_t count = 0;
    while (!list.empty()) {
        const std::size_t end = list.find('\\');
        ++count;
        if (visit(list.substr(0, end)) || end == std::string_view::npos)
            break;
        list.remove_prefix(end + 1);
    }
    return count;
}

std::size_t fieldCountOf(std::string_view list)
{
    return forEachField(list, [](std::string_view) { return false; });
}

std::optional<std::string_view> fieldAt(std::string_view list, std::size_t index)
{
    std::optional<std::string_view> found;
    std::size_t i = 0;
    forEachField(list, [&](std::string_view field) {
        if (i++ == index)
            found = field;
        return found.has_value();
    });
    return found;
}

// "1,0" as 1 * 128 + 0; -1 when the text is no such pair.
int typePairValue(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || comma == 0 || comma + 1 >= text.size())
        return -1;
    int parts[2] = {0, 0};
    const std::string_view halves[2] = {text.substr(0, comma), text.substr(comma + 1)};
    for (int i = 0; i < 2; ++i) {
        if (halves[i].size() > 3)
            return -1;
        for (const char c : halves[i]) {
            if (c < '0' || c > '9')
                return -1;
            parts[i] = parts[i] * 10 + (c - '0');
        }
        if (parts[i] > 127)
            return -1;
    }
    return parts[0] * 128 + parts[1];
}

std::string numberText(double value, int decimals, bool plusSign)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string result(text, written.ptr);
    // A value that rounds to zero is shown without a sign.
    if (result.find_first_of("123456789") == std::string::npos) {
        if (result.front() == '-')
            result.erase(0, 1);
        return result;
    }
    if (plusSign && value > 0)
        result.insert(0, "+");
    return result;
}

double shownValue(const SysexParameter& parameter, int raw) { return (raw + parameter.offset) * parameter.scale; }

bool signedRange(const SysexParameter& parameter) { return shownValue(parameter, parameter.minimum) < 0; }

std::string withUnit(std::string text, std::string_view unit)
{
    if (!unit.empty()) {
        text += ' ';
        text += unit;
    }
    return text;
}

std::string panText(int raw, bool randomAtZero)
{
    if (raw == 0 && randomAtZero)
        return "random";
    const int position = raw - 64;
    if (position <= -63)
        return "-63(LEFT)";
    if (position >= 63)
        return "63(RIGHT)";
    return std::to_string(position);
}

// Names of a choice row; a type list counts its names, not its pairs.
std::size_t choiceCount(const SysexParameter& parameter)
{
    const std::size_t fields = fieldCountOf(parameter.choices);
    return isTypeList(parameter) ? fields / 2 : fields;
}

// Position of raw among a type list's pairs; -1 when none has it.
int typePosition(const SysexParameter& parameter, int raw)
{
    int position = -1;
    std::size_t i = 0;
    forEachField(parameter.choices, [&](std::string_view field) {
        if (i++ % 2 == 1 && typePairValue(field) == raw)
            position = static_cast<int>(i / 2 - 1);
        return position >= 0;
    });
    return position;
}

int choicePosition(const SysexParameter& parameter, int raw, std::size_t count)
{
    if (parameter.lastChoiceValue >= 0 && raw == parameter.lastChoiceValue)
        return static_cast<int>(count) - 1;
    return raw - parameter.minimum;
}

} // namespace

SysexFrame SysexFrame::of(std::span<const std::uint8_t> stored)
{
    const auto eox = std::find(stored.begin(), stored.end(), kEox);
    SysexFrame frame;
    frame.body = stored.first(static_cast<std::size_t>(eox - stored.begin()));
    frame.terminated = eox != stored.end();
    return frame;
}

std::string_view sysexFamilyText(SysexFamily family)
{
    switch (family) {
    case SysexFamily::UniversalNonRealtime:
        return "Universal non-realtime";
    case SysexFamily::UniversalRealtime:
        return "Universal realtime";
    case SysexFamily::Roland:
        return "Roland";
    case SysexFamily::Yamaha:
        return "Yamaha";
    case SysexFamily::None:
        break;
    }
    return {};
}

SysexDecoder::SysexDecoder(const OutputDevice* device)
    : gm2Device_(device && device->gm2Supported), slotPaths_(parsedSlotPaths(device))
{
}

DecodedSysex SysexDecoder::decode(std::span<const std::uint8_t> stored, int receiverMode, int lastXgVariationType) const
{
    DecodedSysex result;
    const SysexFrame frame = SysexFrame::of(stored);
    result.length = frame.length();
    if (result.length < 3 || frame.body.size() < 2) {
        result.error = SysexError::NotMatched;
        return result;
    }
    result.deviceId = hexText(frame.body[1]);
    switch (frame.body[0]) {
    case kUniversalNonRealtime:
        decodeNonRealtime(frame, result);
        break;
    case kUniversalRealtime:
        decodeRealtime(frame, slotPaths_, gm2Device_, result);
        break;
    case kRoland:
        decodeRoland(frame, result);
        break;
    case kYamaha:
        decodeYamaha(frame, result, lastXgVariationType);
        break;
    default:
        result.deviceId.clear();
        result.error = SysexError::NotMatched;
        break;
    }
    checkDataBytes(frame, result);
    result.unsupportedNote = unsupportedModeNote(result, receiverMode);
    return result;
}

DecodedSysex decodeSysex(std::span<const std::uint8_t> stored, const OutputDevice* device, int receiverMode,
                         int lastXgVariationType)
{
    return SysexDecoder(device).decode(stored, receiverMode, lastXgVariationType);
}

std::string unsupportedModeNote(const DecodedSysex& decoded, int receiverMode)
{
    if (decoded.modeMessage != SysexModeMessage::None || midiModeName(receiverMode).empty())
        return {};
    const bool other = (decoded.gs && receiverMode != MidiMode::GS) || (decoded.xg && receiverMode != MidiMode::XG);
    return other ? "*unsupported in " + std::string(midiModeName(receiverMode)) + "*" : std::string{};
}

std::string_view sysexEditKindText(SysexEditKind kind)
{
    switch (kind) {
    case SysexEditKind::Edit:
        return "edit";
    case SysexEditKind::Combo:
        return "combo";
    case SysexEditKind::GsToneNumber:
        return "gs_tonenumberselection";
    case SysexEditKind::GlobalParameterControl:
        return "globalparametercontrol";
    case SysexEditKind::KeyBasedInstrumentEditor:
        return "keybasedinstrumenteditor";
    case SysexEditKind::None:
        break;
    }
    return {};
}

std::string gsChecksumText(const DecodedSysex& decoded)
{
    switch (decoded.checksum) {
    case GsChecksumState::Right:
        return hexText(static_cast<std::uint8_t>(decoded.storedChecksum)) + " ok";
    case GsChecksumState::Wrong:
        return hexText(static_cast<std::uint8_t>(decoded.storedChecksum)) + " wrong, expected " +
               hexText(static_cast<std::uint8_t>(decoded.expectedChecksum));
    case GsChecksumState::NotChecked:
        break;
    }
    return "not checked";
}

bool isTypeList(const SysexParameter& parameter)
{
    if (parameter.style != SysexValueStyle::Choice || parameter.dataBytes != 2)
        return false;
    // Two-byte rows may also name plain values (XG variation time tables): only a list
    // whose second field is an MSB,LSB pair alternates names and pairs.
    const std::optional<std::string_view> second = fieldAt(parameter.choices, 1);
    return second && typePairValue(*second) >= 0;
}

std::vector<std::string_view> sysexChoiceNames(const SysexParameter& parameter)
{
    const bool pairs = isTypeList(parameter);
    std::vector<std::string_view> names;
    std::size_t i = 0;
    forEachField(parameter.choices, [&](std::string_view field) {
        if (!pairs || i++ % 2 == 0)
            names.push_back(field);
        return false;
    });
    return names;
}

std::vector<int> sysexTypeValues(const SysexParameter& parameter)
{
    std::vector<int> values;
    if (!isTypeList(parameter))
        return values;
    std::size_t i = 0;
    forEachField(parameter.choices, [&](std::string_view field) {
        if (i++ % 2 == 1)
            values.push_back(typePairValue(field));
        return false;
    });
    return values;
}

int sysexChoiceValue(const SysexParameter& parameter, int item)
{
    if (item < 0)
        return -1;
    const auto position = static_cast<std::size_t>(item);
    if (isTypeList(parameter)) {
        const std::optional<std::string_view> pair = fieldAt(parameter.choices, 2 * position + 1);
        return pair ? typePairValue(*pair) : -1;
    }
    const std::size_t count = choiceCount(parameter);
    if (position >= count)
        return -1;
    if (parameter.lastChoiceValue >= 0 && position + 1 == count)
        return parameter.lastChoiceValue;
    const int value = parameter.minimum + item;
    return value <= parameter.maximum ? value : -1;
}

bool sysexValueValid(const SysexParameter& parameter, int raw)
{
    if (raw < 0)
        return false;
    if (isTypeList(parameter))
        return typePosition(parameter, raw) >= 0;
    if (parameter.style == SysexValueStyle::Choice) {
        const std::size_t count = choiceCount(parameter);
        if (parameter.lastChoiceValue >= 0 && raw == parameter.lastChoiceValue)
            return true;
        const int highest = parameter.minimum + static_cast<int>(count) - (parameter.lastChoiceValue >= 0 ? 2 : 1);
        return raw >= parameter.minimum && raw <= std::min(highest, parameter.maximum);
    }
    return raw >= parameter.minimum && raw <= parameter.maximum;
}

std::string sysexValueText(const SysexParameter& parameter, int raw)
{
    if (parameter.edit == SysexEditKind::GsToneNumber)
        return "cc0:" + std::to_string(raw >> 7) + ", progch:#" + std::to_string(raw & 0x7F);
    if (raw == 0 && !parameter.zeroName.empty())
        return std::string(parameter.zeroName);
    switch (parameter.style) {
    case SysexValueStyle::Choice: {
        if (isTypeList(parameter)) {
            const int position = typePosition(parameter, raw);
            return position >= 0 ? std::string(*fieldAt(parameter.choices, 2 * static_cast<std::size_t>(position)))
                                 : std::to_string(raw >> 7) + "," + std::to_string(raw & 0x7F);
        }
        const int position = choicePosition(parameter, raw, choiceCount(parameter));
        const std::optional<std::string_view> name =
            position >= 0 ? fieldAt(parameter.choices, static_cast<std::size_t>(position)) : std::nullopt;
        return name ? std::string(*name) : std::to_string(raw);
    }
    case SysexValueStyle::Pan:
        return panText(raw, parameter.minimum == 0);
    case SysexValueStyle::Linear:
    case SysexValueStyle::Nibbles:
    case SysexValueStyle::Special:
    case SysexValueStyle::Text:
        break;
    }
    return withUnit(numberText(shownValue(parameter, raw), parameter.decimals, signedRange(parameter)), parameter.unit);
}

std::string sysexRangeText(const SysexParameter& parameter)
{
    if (!parameter.rangeText.empty())
        return std::string(parameter.rangeText);
    if (isTypeList(parameter)) {
        const std::vector<int> types = sysexTypeValues(parameter);
        const auto pair = [](int raw) { return std::to_string(raw >> 7) + "," + std::to_string(raw & 0x7F); };
        return types.empty() ? std::string()
                             : "the " + std::to_string(types.size()) + " listed types, " + pair(types.front()) +
                                   " to " + pair(types.back());
    }
    if (parameter.style == SysexValueStyle::Pan)
        return parameter.minimum == 0 ? "random, -63(LEFT) to 63(RIGHT)" : "-63(LEFT) to 63(RIGHT)";
    if (parameter.style == SysexValueStyle::Choice) {
        const auto count = static_cast<int>(choiceCount(parameter));
        if (parameter.lastChoiceValue < 0)
            return std::to_string(parameter.minimum) + " to " + std::to_string(parameter.maximum);
        const std::string last = std::to_string(parameter.lastChoiceValue);
        return count <= 2 ? std::to_string(parameter.minimum) + " or " + last
                          : std::to_string(parameter.minimum) + " to " + std::to_string(parameter.minimum + count - 2) +
                                ", " + last;
    }
    const bool plus = signedRange(parameter);
    std::string low = numberText(shownValue(parameter, parameter.minimum), parameter.decimals, plus);
    if (parameter.minimum == 0 && !parameter.zeroName.empty())
        low = std::string(parameter.zeroName) + ", " + numberText(shownValue(parameter, 1), parameter.decimals, plus);
    return withUnit(low + " to " + numberText(shownValue(parameter, parameter.maximum), parameter.decimals, plus),
                    parameter.unit);
}

int gsMasterVolumeOf(int value) { return std::clamp(value, 0, 127) * DeviceMidiState::kMaxMasterVolume / 127; }

std::optional<int> sysexRawValue(const SysexParameter& parameter, std::span<const std::uint8_t> data)
{
    const bool nibbles = parameter.style == SysexValueStyle::Nibbles;
    const int bits = nibbles ? 4 : 7;
    const std::uint8_t limit = nibbles ? 0x0F : 0x7F;
    if (parameter.style == SysexValueStyle::Text || data.size() > 4)
        return std::nullopt;
    int raw = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t byte = data[parameter.lsbFirst ? data.size() - 1 - i : i];
        if (byte > limit)
            return std::nullopt;
        raw = (raw << bits) | byte;
    }
    return raw;
}

std::vector<std::uint8_t> sysexDataBytes(const SysexParameter& parameter, int raw)
{
    const bool nibbles = parameter.style == SysexValueStyle::Nibbles;
    const int bits = nibbles ? 4 : 7;
    const int mask = nibbles ? 0x0F : 0x7F;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(parameter.dataBytes, 0)));
    for (std::size_t i = bytes.size(); i-- > 0;) {
        bytes[i] = static_cast<std::uint8_t>(raw & mask);
        raw >>= bits;
    }
    if (parameter.lsbFirst)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

} // namespace velisto
