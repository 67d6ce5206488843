#include "CheckReport.h"

#include "Json.h"
#include "midi/Interpreter.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <sstream>

namespace velisto {

namespace {

// Longer messages (bulk dumps) are cut in the listing; the explanation names the problem.
constexpr std::size_t kSysexBytesShown = 24;

std::string upper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

struct Due {
    std::int32_t tick;
    int track;
    std::int32_t index;
};

bool isCheckedEvent(const MidiEvent& e)
{
    if (e.isSysex())
        return e.sysex && !e.sysex->empty();
    const std::uint8_t kind = e.kind();
    return e.isChannelEvent() && kind != EventKind::ChannelPrefix && kind != 0x30 && kind != 0x40;
}

// Every checked event in playing order: by the tick it plays at, then track, then index.
std::vector<Due> playingOrder(const Song& song)
{
    std::vector<Due> due;
    for (int t = 0; t < kTrackCount; ++t) {
        const Track& track = song.tracks[static_cast<std::size_t>(t)];
        for (std::int32_t i = 0; i <= track.lastIndex(); ++i) {
            const MidiEvent& e = track.event(i);
            if (isCheckedEvent(e))
                due.push_back({std::max<std::int32_t>(0, e.tick + track.tickOffset), t, i});
        }
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Due& a, const Due& b) { return a.tick != b.tick ? a.tick < b.tick : a.track < b.track; });
    return due;
}

std::string describeSysex(const std::vector<std::uint8_t>& stored)
{
    if (stored.size() <= kSysexBytesShown)
        return "SYSEX " + sysexText(stored);
    const std::vector<std::uint8_t> head(stored.begin(), stored.begin() + kSysexBytesShown);
    return "SYSEX " + sysexText(head) + " ... (" + std::to_string(stored.size() + 1) + " bytes)";
}

std::string describeEvent(const MidiEvent& e, const DeviceMidiState& state)
{
    if (e.isSysex())
        return describeSysex(*e.sysex);
    const MidiModeDefinition& definition = state.definition();
    const std::string value = std::to_string(e.data2);
    switch (e.kind()) {
    case EventKind::Note:
    case 0x80:
        return "Note key " + std::string(noteName(e.data1)) + " Velocity " + value;
    case EventKind::PolyPressure:
        return "Polypressure Key " + std::string(noteName(e.data1)) + " Velocity " + value;
    case EventKind::Controller:
        return "Controller " + std::string(definition.longName(ParamKind::Controller, e.data1)) + " value " + value;
    case EventKind::ProgramChange:
        return "Program change #" + std::to_string(e.data1 + 1);
    case EventKind::ChannelPressure:
        return "Channelpressure Velocity " + std::to_string(e.data1);
    case EventKind::PitchBend:
        return "Pitchchange " + std::to_string((e.data2 - 64) * 128 + e.data1);
    case EventKind::Nrpn:
        return "NRPN " + std::string(definition.longName(ParamKind::Nrpn, e.data1)) + " value " + value;
    case EventKind::Rpn:
        return "RPN " + std::string(definition.longName(ParamKind::Rpn, e.data1)) + " value " + value;
    case EventKind::DrumNrpn:
        return "DrumNRPN " + std::string(definition.longName(ParamKind::DrumNrpn, e.data1)) + " key " +
               std::string(noteName(e.data3)) + " value " + value;
    default:
        return "Event " + hexByte(e.status) + hexByte(e.data1) + hexByte(e.data2);
    }
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

int CheckResult::skippedCount() const
{
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(), [](const CheckFinding& f) { return f.skipped; }));
}

CheckResult checkSong(const Song& song, const CheckReceiver& receiver)
{
    // A receiver of its own, opened nowhere: its live state is the model that is played.
    const auto device = std::make_unique<OutputDevice>(0, "velisto-cli check");
    device->powerOnMode = receiver.powerOnMode;
    device->gsSupported = receiver.gsSupported;
    device->xgSupported = receiver.xgSupported;
    device->gm2Supported = receiver.gm2Supported;
    device->resetSendingState();
    DeviceMidiState& state = device->liveState;
    const InterpretContext context{device.get(), true};

    CheckResult result;
    for (const Due& due : playingOrder(song)) {
        const MidiEvent& e = song.tracks[static_cast<std::size_t>(due.track)].event(due.index);
        ++result.checked;
        const InterpretResult verdict = e.isSysex()
                                            ? interpretSysex(state, *e.sysex, context)
                                            : interpretEvent(state, e.status, e.data1, e.data2, e.data3, context);
        if (verdict.valid)
            continue;
        CheckFinding finding;
        finding.track = due.track;
        finding.tick = due.tick;
        finding.channel = e.isSysex() ? -1 : e.channel();
        // Channel events leave the mode alone, so the names are those the event met.
        finding.event = describeEvent(e, state);
        finding.text = verdict.text;
        finding.skipped = verdict.skip;
        result.findings.push_back(std::move(finding));
    }
    result.finalMode = state.mode();
    return result;
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
