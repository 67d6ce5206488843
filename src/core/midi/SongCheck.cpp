#include "midi/SongCheck.h"

#include "edit/EventFilter.h"
#include "midi/Interpreter.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <map>
#include <memory>

namespace velisto {

namespace {

// Longer messages (bulk dumps) are cut in the listing; the explanation names the problem.
constexpr std::size_t kSysexBytesShown = 24;
constexpr std::string_view kScratchDeviceName = "Check MIDI sequence";

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

// Every checked event of the chosen tracks in playing order: by the tick it plays at, then
// track, then index.
template <class Chosen> std::vector<Due> playingOrder(const Song& song, Chosen chosen)
{
    std::vector<Due> due;
    for (int t = 0; t < kTrackCount; ++t) {
        const Track& track = song.tracks[static_cast<std::size_t>(t)];
        if (!chosen(track))
            continue;
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

// A receiver of its own, opened nowhere: its live state is the model that is played.
std::unique_ptr<OutputDevice> scratchReceiver(const DeviceParameters& parameters)
{
    auto device = std::make_unique<OutputDevice>(0, std::string(kScratchDeviceName));
    parameters.applyTo(*device);
    device->resetSendingState();
    return device;
}

// Interprets due events, each in the receiver receiverOf gives its track.
template <class ReceiverOf> CheckResult playInto(const Song& song, const std::vector<Due>& order, ReceiverOf receiverOf)
{
    CheckResult result;
    for (const Due& due : order) {
        const MidiEvent& e = song.tracks[static_cast<std::size_t>(due.track)].event(due.index);
        OutputDevice& device = receiverOf(due.track);
        DeviceMidiState& state = device.liveState;
        const InterpretContext context{&device, true};
        ++result.checked;
        const InterpretResult verdict = e.isSysex()
                                            ? interpretSysex(state, *e.sysex, context)
                                            : interpretEvent(state, e.status, e.data1, e.data2, e.data3, context);
        result.finalMode = state.mode();
        if (verdict.valid)
            continue;
        CheckFinding finding;
        finding.track = due.track;
        finding.index = due.index;
        finding.tick = due.tick;
        finding.channel = e.isSysex() ? -1 : e.channel();
        // Channel events leave the mode alone, so the names are those the event met.
        finding.event = describeEvent(e, state);
        finding.text = verdict.text;
        finding.skipped = verdict.skip;
        result.findings.push_back(std::move(finding));
    }
    return result;
}

} // namespace

DeviceParameters CheckReceiver::parameters() const
{
    DeviceParameters parameters = DeviceParameters::of(OutputDevice(0, std::string(kScratchDeviceName)));
    parameters.powerOnMode = powerOnMode;
    parameters.gsSupported = gsSupported;
    parameters.xgSupported = xgSupported;
    parameters.gm2Supported = gm2Supported;
    return parameters;
}

std::vector<std::optional<DeviceParameters>> deviceReceivers(const DeviceTable& devices)
{
    std::vector<std::optional<DeviceParameters>> receivers(static_cast<std::size_t>(devices.count()));
    for (int i = 0; i < devices.count(); ++i)
        if (!devices.device(i).isPlaceholder())
            receivers[static_cast<std::size_t>(i)] = DeviceParameters::of(devices.device(i));
    return receivers;
}

int CheckResult::skippedCount() const
{
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(), [](const CheckFinding& f) { return f.skipped; }));
}

CheckResult checkSong(const Song& song, const CheckReceiver& receiver)
{
    const auto device = scratchReceiver(receiver.parameters());
    CheckResult result = playInto(song, playingOrder(song, [](const Track&) { return true; }),
                                  [&](int) -> OutputDevice& { return *device; });
    if (result.checked == 0)
        result.finalMode = device->liveState.mode();
    return result;
}

CheckResult checkSong(const Song& song, std::span<const std::optional<DeviceParameters>> receivers)
{
    const auto hasReceiver = [&](std::int32_t index) {
        return index >= 0 && static_cast<std::size_t>(index) < receivers.size() &&
               receivers[static_cast<std::size_t>(index)].has_value();
    };
    std::map<std::int32_t, std::unique_ptr<OutputDevice>> models;
    for (const Track& track : song.tracks)
        if (hasReceiver(track.device) && !models.contains(track.device))
            models[track.device] = scratchReceiver(*receivers[static_cast<std::size_t>(track.device)]);
    CheckResult result = playInto(
        song, playingOrder(song, [&](const Track& track) { return hasReceiver(track.device); }),
        [&](int track) -> OutputDevice& { return *models.at(song.tracks[static_cast<std::size_t>(track)].device); });
    if (result.checked == 0 && !models.empty())
        result.finalMode = models.begin()->second->liveState.mode();
    return result;
}

bool listedFinding(const CheckFinding& finding, const Song& song, const EventFilterSettings& filter)
{
    return passesFilter(filter, song, finding.track, finding.index);
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

} // namespace velisto
