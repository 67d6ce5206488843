#include "DeviceReport.h"

#include "Json.h"

#include <sstream>

namespace velisto {
namespace {

const char* yesNo(bool value) { return value ? "yes" : "no"; }
const char* jsonBool(bool value) { return value ? "true" : "false"; }

std::string supportedStandards(const OutputDevice& device)
{
    std::string text = "GM";
    if (device.gsSupported)
        text += ", GS";
    if (device.xgSupported)
        text += ", XG";
    if (device.gm2Supported)
        text += ", GM2";
    return text;
}

std::string jsonStrings(const std::vector<std::string>& values)
{
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + jsonString(values[i]);
    return text + "]";
}

std::string deviceJson(const OutputDevice& d)
{
    std::ostringstream out;
    out << "{\"index\":" << d.index << ",\"name\":" << jsonString(d.name) << ",\"kind\":\"" << deviceKind(d)
        << "\",\"open\":" << jsonBool(d.isOpen()) << ",\"wasOpen\":" << jsonBool(d.wasOpen) << ",\"row\":" << d.row
        << ",\"default\":" << jsonBool(d.isDefault) << ",\"powerOnMode\":" << jsonString(midiModeName(d.powerOnMode))
        << ",\"gsSupported\":" << jsonBool(d.gsSupported) << ",\"xgSupported\":" << jsonBool(d.xgSupported)
        << ",\"gm2Supported\":" << jsonBool(d.gm2Supported) << ",\"useRunningStatus\":" << jsonBool(d.useRunningStatus)
        << ",\"universalSysexId\":" << jsonString(d.universalSysexId)
        << ",\"nonUniversalSysexId\":" << jsonString(d.nonUniversalSysexId)
        << ",\"nativeModelId\":" << jsonString(d.nativeModelId) << ",\"slotPaths\":" << jsonStrings(d.slotPaths)
        << ",\"generatorEntries\":" << jsonStrings(d.generatorEntries) << "}";
    return out.str();
}

} // namespace

std::string deviceKind(const OutputDevice& device)
{
    if (device.isPlaceholder())
        return "placeholder";
    return device.isGenerator() ? "generator" : "port";
}

std::string deviceTableText(const DeviceTable& table, const std::string& midiApi)
{
    std::ostringstream out;
    out << "MIDI system: " << midiApi << "\n";
    for (int i = 0; i < table.count(); ++i) {
        const OutputDevice& d = table.device(i);
        out << "\n"
            << i << "  " << deviceKind(d) << "  " << d.name << "\n"
            << "    open: " << yesNo(d.isOpen()) << "  open in the last session: " << yesNo(d.wasOpen)
            << "  row: " << d.row << "  default: " << yesNo(d.isDefault) << "\n"
            << "    power-on mode: " << midiModeName(d.powerOnMode) << "  standards: " << supportedStandards(d)
            << "  running status: " << yesNo(d.useRunningStatus) << "\n"
            << "    sysex ids: universal " << d.universalSysexId << ", non-universal " << d.nonUniversalSysexId
            << ", native model " << d.nativeModelId << "\n"
            << "    slot paths: " << d.slotPaths.size() << "  generator entries: " << d.generatorEntries.size() << "\n";
    }
    return out.str();
}

std::string deviceTableJson(const DeviceTable& table, const std::string& midiApi)
{
    std::string text = "{\"api\":" + jsonString(midiApi) + ",\"devices\":[";
    for (int i = 0; i < table.count(); ++i)
        text += (i ? "," : "") + deviceJson(table.device(i));
    return text + "]}";
}

} // namespace velisto
