#include "midi/KnobSupport.h"

#include "midi/DeviceMidiState.h"
#include "midi/EventOutput.h"
#include "midi/MidiModeDefinition.h"
#include "midi/ModeReset.h"
#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"
#include "midi/UniversalSysex.h"
#include "song/MidiEvent.h"
#include "song/TextFormat.h"
#include "song/Track.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

namespace velisto {

namespace {

// The modes whose definition tracks the slot, as "GS and XG" (or "GS, XG and GM2").
std::string modesSupporting(ParamKind kind, int slot)
{
    std::vector<std::string_view> names;
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (midiModeDefinition(mode).isUsed(kind, slot))
            names.push_back(midiModeName(mode));
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string controllerText(const DeviceMidiState& state, int slot)
{
    const MidiModeDefinition& definition = state.definition();
    std::string text = "Controller " + std::string(definition.longName(ParamKind::Controller, slot)) +
                       " is not supported in current MIDI mode " + std::string(state.modeName()) + ".";
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (midiModeDefinition(mode).isUsed(ParamKind::Controller, slot))
            return text + "\n\nBut it is supported in MIDI mode " + std::string(midiModeName(mode)) + ".\n" +
                   "Switch to that mode or select a device which supports it.";
    return text;
}

// NRPNs and drum NRPNs: what is said is the same, about the whole kind.
std::string parameterKindText(const DeviceMidiState& state, ParamKind kind, int slot)
{
    const char* what = kind == ParamKind::Nrpn ? "NRPN messages" : "Drum-NRPN messages";
    return std::string(what) + " are not supported in current MIDI mode " + std::string(state.modeName()) + ".\n\n" +
           "But they are supported in MIDI modes " + modesSupporting(kind, slot) + ".\n" +
           "Switch to one of these modes or select a device which supports such mode.";
}

std::string drumNrpnText(const DeviceMidiState& state, const std::string& deviceName, int channel,
                         const KnobAssignment& knob)
{
    const MidiModeDefinition& definition = state.definition();
    if (!definition.isUsed(ParamKind::DrumNrpn, knob.param))
        return parameterKindText(state, ParamKind::DrumNrpn, knob.param);
    if (knob.drumMap < 0 || knob.drumMap >= definition.drumMapCount())
        return "Your selected drum-map is not supported in the current MIDI mode " + std::string(state.modeName()) +
               ".\n\n" + "Please assign another drum-map to this Knob.";
    if (!definition.isDrumMapEditable(knob.drumMap))
        return std::string("Your selected drum-map is not an editable drum-map in the current MIDI mode.\n\n") +
               "(XG only allows to edit the maps 'DRUMS 1' and 'DRUMS 2')\n\n" +
               "Please use the SYSEX event 'use for rythm part' to select an editable drum-map in the track's MIDI "
               "channel.";
    if (!state.isRhythmChannel(channel))
        return "No Part of MIDI channel " + numberText(channel + 1) + " of device '" + deviceName + "'\n" +
               "is in use for rythm.\n\n" +
               "Please simply insert the SYSEX event 'use for rythm part' to switch a MIDI channel part to drummode.";
    return {};
}

std::string keyBasedText(const DeviceMidiState& state, int channel)
{
    if (state.mode() != MidiMode::GM2)
        return "Key-based instr. controllers are not supported in current MIDI mode " + std::string(state.modeName()) +
               ".\n\n" + "But they are supported in MIDI mode " + std::string(midiModeName(MidiMode::GM2)) + ".\n" +
               "Switch to that mode or select a device which supports it.";
    if (!state.isRhythmChannel(channel))
        return std::string("Key-based instr. controllers can only be send in MIDI channels which are in use for "
                           "rythm.\n\n") +
               "Switch MIDI channel " + numberText(channel + 1) +
               " to rythm by sending controller 'Bank MSB' with value 120 (78h) and a Program-Change, first.";
    return {};
}

} // namespace

KnobAssignment knobAssignment(const Track& track, int knob)
{
    const auto k = static_cast<std::size_t>(std::clamp(knob, 0, kKnobCount - 1));
    return {track.knobKind[k], track.knobParam[k], track.knobDrumMap[k], track.knobKey[k]};
}

std::string knobSupportText(const DeviceMidiState& state, const std::string& deviceName, int channel,
                            const KnobAssignment& knob)
{
    switch (knob.kind) {
    case KnobKind::CommonController:
        return state.definition().isUsed(ParamKind::Controller, knob.param) ? std::string()
                                                                            : controllerText(state, knob.param);
    case KnobKind::Nrpn:
        return state.definition().isUsed(ParamKind::Nrpn, knob.param)
                   ? std::string()
                   : parameterKindText(state, ParamKind::Nrpn, knob.param);
    case KnobKind::DrumNrpn:
        return drumNrpnText(state, deviceName, channel, knob);
    case KnobKind::KeyBasedController:
        return keyBasedText(state, channel);
    default:
        return {}; // no such kind: nothing is sent either
    }
}

int knobValue(const DeviceMidiState& state, int channel, const KnobAssignment& knob)
{
    switch (knob.kind) {
    case KnobKind::CommonController:
        return state.controllerValue(channel, knob.param);
    case KnobKind::Nrpn:
        return state.nrpnValue(channel, knob.param);
    case KnobKind::DrumNrpn:
        return state.drumNrpnValue(knob.drumMap, knob.key, knob.param);
    case KnobKind::KeyBasedController:
        return state.keyBasedValue(state.keyMapOfChannel(channel), knob.key, knob.param);
    default:
        return -1;
    }
}

std::string sendKnobValue(EventOutput& output, OutputDevice& device, int channel, const KnobAssignment& knob, int value)
{
    if (channel < 0 || channel >= OutputDevice::kChannels)
        return {};
    {
        const std::lock_guard lock(device.sendMutex());
        if (std::string refused = knobSupportText(device.liveState, device.name, channel, knob); !refused.empty())
            return refused;
    }
    const auto byte = static_cast<std::uint8_t>(std::clamp(value, 0, 127));
    const auto ch = static_cast<std::uint8_t>(channel);
    const auto slot = static_cast<std::uint8_t>(std::clamp(knob.param, 0, 127));
    switch (knob.kind) {
    case KnobKind::CommonController:
        output.sendEvent(device, EventKind::Controller | ch, slot, byte, kNoDrumKey);
        break;
    case KnobKind::Nrpn:
        output.sendEvent(device, EventKind::Nrpn | ch, slot, byte, kNoDrumKey);
        break;
    case KnobKind::DrumNrpn:
        output.sendEvent(device, EventKind::DrumNrpn | ch, slot, byte,
                         static_cast<std::uint8_t>(std::clamp(knob.key, 0, 127)));
        break;
    case KnobKind::KeyBasedController: {
        const int number = midiModeDefinition(MidiMode::GM2).numberOf(ParamKind::Controller, knob.param);
        if (number < 0)
            break;
        const std::array<KeyBasedPair, 1> pairs{KeyBasedPair{number, byte}};
        output.sendSysex(device, keyBasedControllerMessage(universalDeviceByte(device), channel,
                                                           std::clamp(knob.key, 0, 127), pairs));
        break;
    }
    default:
        break;
    }
    return {};
}

} // namespace velisto
