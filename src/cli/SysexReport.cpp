#include "SysexReport.h"

#include "Commands.h"
#include "Json.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"

#include <ostream>
#include <sstream>

namespace velisto {

namespace {

constexpr const char* kSysexUsage = "usage: velisto-cli sysex [--json] [--mode GM|GS|XG|GM2] HEXBYTES...\n"
                                    "  e.g. velisto-cli sysex F0 41 10 42 12 40 00 7F 00 41 F7\n";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view modeMessageText(SysexModeMessage mode)
{
    switch (mode) {
    case SysexModeMessage::Gm:
        return "GM";
    case SysexModeMessage::Gs:
        return "GS";
    case SysexModeMessage::Xg:
        return "XG";
    case SysexModeMessage::None:
        break;
    }
    return {};
}

std::string_view partKindText(SysexPartKind kind)
{
    switch (kind) {
    case SysexPartKind::MidiChannel:
        return "midi channel";
    case SysexPartKind::BankSelectMsb:
        return "bank select MSB";
    case SysexPartKind::BankSelectLsb:
        return "bank select LSB";
    case SysexPartKind::ProgramNumber:
        return "program number";
    case SysexPartKind::ToneNumber:
        return "tone number";
    case SysexPartKind::UseForRhythm:
        return "use for rythm";
    case SysexPartKind::None:
        break;
    }
    return {};
}

std::string_view checksumStateText(GsChecksumState state)
{
    switch (state) {
    case GsChecksumState::Right:
        return "right";
    case GsChecksumState::Wrong:
        return "wrong";
    case GsChecksumState::NotChecked:
        break;
    }
    return "not checked";
}

std::string_view translationText(GpcTranslation translation)
{
    switch (translation) {
    case GpcTranslation::Translated:
        return "translated";
    case GpcTranslation::NoGm2Device:
        return "no GM2 device";
    case GpcTranslation::WidthsNotMatched:
        return "widths not matched";
    case GpcTranslation::SlotPathUndefined:
        return "slotpath undefined";
    }
    return {};
}

std::string slotPathText(const std::vector<SlotPathEntry>& path)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const SlotPathEntry& entry : path) {
        if (!text.empty())
            text += ' ';
        for (const std::uint8_t byte : {entry.msb, entry.lsb}) {
            text += kDigits[(byte >> 4) & 0x0F];
            text += kDigits[byte & 0x0F];
        }
    }
    return text;
}

std::string familyWithFlag(const DecodedSysex& d)
{
    std::string text(d.familyText());
    if (d.gs)
        text += " (GS)";
    else if (d.xg)
        text += " (XG)";
    return text;
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }
const char* jsonBool(bool value) { return value ? "true" : "false"; }

void line(std::ostream& out, std::string_view name, std::string_view value) { out << name << ": " << value << '\n'; }

std::string flagsText(const DecodedSysex& d)
{
    std::ostringstream out;
    line(out, "wrong total length", yesNo(d.wrongTotalLength));
    line(out, "wrong value bytes", d.wrongValueBytes ? "yes (" + d.wrongValueDetail + ")" : "no");
    line(out, "mode message",
         d.modeMessage == SysexModeMessage::None
             ? std::string("none")
             : std::string(modeMessageText(d.modeMessage)) + " " + std::to_string(d.modeValue));
    line(out, "part", d.partNumber == 0 ? std::string("none") : std::to_string(d.partNumber));
    line(out, "part parameter", d.partKind == SysexPartKind::None ? "none" : partKindText(d.partKind));
    line(out, "reset drum setup map", yesNo(d.resetDrumSetupMap));
    line(out, "XG Variation type",
         d.xgVariationType ? std::to_string(d.variationType >> 7) + "," + std::to_string(d.variationType & 0x7F)
                           : std::string("no"));
    if (d.globalParameterControl) {
        line(out, "Global parameter control",
             "slotpath length " + std::to_string(d.gpc.slotPathLength) + ", parameter id width " +
                 std::to_string(d.gpc.parameterIdWidth) + ", value width " + std::to_string(d.gpc.valueWidth) +
                 (d.gpc.widthsValid ? ", " + std::string(translationText(d.gpc.translation)) : ", widths invalid"));
    } else {
        line(out, "Global parameter control", "no");
    }
    if (d.keyBasedController) {
        std::string pairs;
        for (const KeyBasedPair& pair : d.keyBased.pairs)
            pairs += " " + std::to_string(pair.controller) + "=" + std::to_string(pair.value);
        line(out, "Key-based instr. controller",
             "channel " + std::to_string(d.keyBased.channel + 1) + ", key " + std::to_string(d.keyBased.key) +
                 ", pairs" + (pairs.empty() ? std::string(" none") : pairs));
    } else {
        line(out, "Key-based instr. controller", "no");
    }
    return out.str();
}

std::string gpcJson(const GlobalParameterControlInfo& gpc)
{
    std::string groups;
    for (const GpcGroup& group : gpc.groups)
        groups += std::string(groups.empty() ? "" : ",") + "{\"id\":" + std::to_string(group.id) +
                  ",\"value\":" + std::to_string(group.value) + "}";
    return "{\"slotPathLength\":" + std::to_string(gpc.slotPathLength) +
           ",\"parameterIdWidth\":" + std::to_string(gpc.parameterIdWidth) +
           ",\"valueWidth\":" + std::to_string(gpc.valueWidth) + ",\"widthsValid\":" + jsonBool(gpc.widthsValid) +
           ",\"slotPath\":" + jsonString(slotPathText(gpc.slotPath)) + ",\"groups\":[" + groups +
           "],\"translation\":" + jsonString(translationText(gpc.translation)) + "}";
}

std::string keyBasedJson(const KeyBasedControllerInfo& info)
{
    std::string pairs;
    for (const KeyBasedPair& pair : info.pairs)
        pairs += std::string(pairs.empty() ? "" : ",") + "{\"controller\":" + std::to_string(pair.controller) +
                 ",\"value\":" + std::to_string(pair.value) + "}";
    return "{\"channel\":" + std::to_string(info.channel) + ",\"key\":" + std::to_string(info.key) + ",\"pairs\":[" +
           pairs + "]}";
}

int modeOf(std::string_view name)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (midiModeName(mode) == name)
            return mode;
    return -1;
}

int usageError(std::ostream& err, const std::string& problem)
{
    err << "velisto-cli: " << problem << "\n\n" << kSysexUsage;
    return kExitUsage;
}

std::string messageText(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace

std::optional<std::vector<std::uint8_t>> parseSysexHex(const std::vector<std::string>& words)
{
    std::vector<std::uint8_t> bytes;
    for (const std::string& word : words) {
        std::istringstream tokens(word);
        std::string token;
        while (tokens >> token) {
            if (token.size() % 2 != 0)
                return std::nullopt;
            for (std::size_t i = 0; i < token.size(); i += 2) {
                const int high = hexDigit(token[i]);
                const int low = hexDigit(token[i + 1]);
                if (high < 0 || low < 0)
                    return std::nullopt;
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            }
        }
    }
    return bytes;
}

std::string sysexReportText(const DecodedSysex& d, std::string_view message)
{
    std::ostringstream out;
    line(out, "message", message);
    line(out, "length", std::to_string(d.length));
    line(out, "family", familyWithFlag(d));
    line(out, "device id", d.deviceId);
    line(out, "model id", d.modelId + (d.modelName.empty() ? "" : " (" + d.modelName.substr(0, 2) + ")"));
    line(out, "sub-ids", d.subIds);
    line(out, "address", d.address);
    line(out, "description", d.description);
    line(out, "value bytes", d.valueBytes);
    line(out, "value", d.valueText);
    line(out, "range", d.rangeText);
    line(out, "choices", d.choices);
    line(out, "editing", sysexEditKindText(d.editKind));
    line(out, "GS checksum", gsChecksumText(d));
    line(out, "error", d.error);
    if (!d.unsupportedNote.empty())
        line(out, "note", d.unsupportedNote);
    out << flagsText(d);
    return out.str();
}

std::string sysexReportJson(const DecodedSysex& d, std::string_view message)
{
    std::string json = "{";
    const auto field = [&json](std::string_view name, const std::string& value) {
        if (json.size() > 1)
            json += ',';
        json += jsonString(name) + ':' + value;
    };
    field("message", jsonString(message));
    field("length", std::to_string(d.length));
    field("family", jsonString(d.familyText()));
    field("universalNonRealtime", jsonBool(d.universalNonRealtime));
    field("universalRealtime", jsonBool(d.universalRealtime));
    field("gs", jsonBool(d.gs));
    field("xg", jsonBool(d.xg));
    field("deviceId", jsonString(d.deviceId));
    field("modelId", jsonString(d.modelId));
    field("modelName", jsonString(d.modelName));
    field("subIds", jsonString(d.subIds));
    field("address", jsonString(d.address));
    field("description", jsonString(d.description));
    field("valueBytes", jsonString(d.valueBytes));
    field("value", std::to_string(d.value));
    field("valueText", jsonString(d.valueText));
    field("rangeText", jsonString(d.rangeText));
    field("choices", jsonString(d.choices));
    field("editKind", jsonString(sysexEditKindText(d.editKind)));
    field("minimum", std::to_string(d.minimum));
    field("maximum", std::to_string(d.maximum));
    field("checksum", jsonString(checksumStateText(d.checksum)));
    field("storedChecksum", std::to_string(d.storedChecksum));
    field("expectedChecksum", std::to_string(d.expectedChecksum));
    field("error", jsonString(d.error));
    field("wrongTotalLength", jsonBool(d.wrongTotalLength));
    field("wrongValueBytes", jsonBool(d.wrongValueBytes));
    field("wrongValueDetail", jsonString(d.wrongValueDetail));
    field("modeMessage", jsonString(modeMessageText(d.modeMessage)));
    field("modeValue", std::to_string(d.modeValue));
    field("partNumber", std::to_string(d.partNumber));
    field("partKind", jsonString(partKindText(d.partKind)));
    field("resetDrumSetupMap", jsonBool(d.resetDrumSetupMap));
    field("xgVariationType", jsonBool(d.xgVariationType));
    field("variationType", std::to_string(d.variationType));
    field("globalParameterControl", jsonBool(d.globalParameterControl));
    field("gpc", gpcJson(d.gpc));
    field("keyBasedController", jsonBool(d.keyBasedController));
    field("keyBased", keyBasedJson(d.keyBased));
    field("unsupportedNote", jsonString(d.unsupportedNote));
    return json + "}";
}

int runSysex(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    bool json = false;
    int mode = -1;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--mode") {
            if (i + 1 >= args.size() || (mode = modeOf(args[i + 1])) < 0)
                return usageError(err, "--mode takes GM, GS, XG or GM2");
            ++i;
        } else if (args[i].starts_with("--")) {
            return usageError(err, "unknown option " + args[i]);
        } else {
            words.push_back(args[i]);
        }
    }
    const std::optional<std::vector<std::uint8_t>> bytes = parseSysexHex(words);
    if (!bytes)
        return usageError(err, "the message must be hex bytes, like F0 7E 7F 09 01 F7");
    if (bytes->empty() || bytes->front() != 0xF0)
        return usageError(err, "a system exclusive message begins with F0");

    // Decoded for a receiver with the Internal Sound Generator's GM2 defaults, so that
    // Global Parameter Control messages are translated through the default slot paths.
    OutputDevice device(1, std::string(kGeneratorDeviceName));
    device.gm2Supported = true;
    device.slotPaths = defaultSlotPaths();
    const std::span<const std::uint8_t> storedBytes = std::span(*bytes).subspan(1);
    const DecodedSysex decoded = SysexDecoder(&device).decode(storedBytes, mode);
    const std::string message = messageText(*bytes);
    if (json)
        out << sysexReportJson(decoded, message) << '\n';
    else
        out << sysexReportText(decoded, message);
    return decoded.hasDefect() ? kExitRefused : kExitOk;
}

} // namespace velisto
