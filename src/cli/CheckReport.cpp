#include "CheckReport.h"

#include "Json.h"
#include "midi/MidiModeDefinition.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace velisto {

namespace {

std::string upper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

std::string supportedList(const CheckReceiver& receiver)
{
    std::string list = "GM";
    if (receiver.gsSupported)
        list += ", GS";
    if (receiver.xgSupported)
        list += ", XG";
    if (receiver.gm2Supported)
        list += ", GM2";
    return list;
}

// The explanation on the lines after a finding, each indented.
std::string indented(const std::string& text)
{
    std::string out = "      ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
        if (text[i] == '\n')
            out += "      ";
    }
    return out + '\n';
}

} // namespace

std::optional<int> parseCheckMode(std::string_view text)
{
    const std::string name = upper(trimmed(text));
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (name == midiModeName(mode))
            return mode;
    return std::nullopt;
}

std::string parseCheckSupports(std::string_view list, CheckReceiver& receiver)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string name = upper(trimmed(list.substr(start, comma - start)));
        if (name == "GS")
            receiver.gsSupported = true;
        else if (name == "XG")
            receiver.xgSupported = true;
        else if (name == "GM2")
            receiver.gm2Supported = true;
        else if (name != "GM" && !name.empty())
            return std::string(trimmed(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return {};
}

std::string checkText(const Song& song, const CheckReceiver& receiver, const CheckResult& result)
{
    std::ostringstream out;
    const int skipped = result.skippedCount();
    const auto sentAnyhow = static_cast<int>(result.findings.size()) - skipped;
    out << "Receiver: power-on mode " << midiModeName(receiver.powerOnMode) << ", supports " << supportedList(receiver)
        << '\n';
    out << "Checked " << result.checked << " events: " << skipped << " skipped, " << sentAnyhow
        << " sent anyhow; mode at the end: " << midiModeName(result.finalMode) << '\n';
    for (const CheckFinding& f : result.findings) {
        out << "track " << (f.track + 1) << "  " << positionText(song, f.tick) << "  ";
        if (f.channel >= 0)
            out << "ch " << (f.channel + 1) << "  ";
        out << f.event << "  " << (f.skipped ? "skipped" : "sent anyhow") << '\n' << indented(f.text);
    }
    return out.str();
}

std::string checkJson(const Song& song, const CheckReceiver& receiver, const CheckResult& result)
{
    std::ostringstream out;
    const int skipped = result.skippedCount();
    out << "{\"ok\":true,\"receiver\":{\"powerOnMode\":" << jsonString(midiModeName(receiver.powerOnMode))
        << ",\"gsSupported\":" << (receiver.gsSupported ? "true" : "false")
        << ",\"xgSupported\":" << (receiver.xgSupported ? "true" : "false")
        << ",\"gm2Supported\":" << (receiver.gm2Supported ? "true" : "false") << "},\"checked\":" << result.checked
        << ",\"skipped\":" << skipped << ",\"sentAnyhow\":" << (static_cast<int>(result.findings.size()) - skipped)
        << ",\"finalMode\":" << jsonString(midiModeName(result.finalMode)) << ",\"findings\":[";
    for (std::size_t i = 0; i < result.findings.size(); ++i) {
        const CheckFinding& f = result.findings[i];
        out << (i ? "," : "") << "{\"track\":" << (f.track + 1) << ",\"tick\":" << f.tick
            << ",\"position\":" << jsonString(positionText(song, f.tick)) << ",\"channel\":";
        if (f.channel >= 0)
            out << (f.channel + 1);
        else
            out << "null";
        out << ",\"event\":" << jsonString(f.event) << ",\"text\":" << jsonString(f.text)
            << ",\"verdict\":" << jsonString(f.skipped ? "skipped" : "sent anyhow") << '}';
    }
    out << "]}";
    return out.str();
}

} // namespace velisto
