#include "midi/TrackMode.h"

#include "midi/Interpreter.h"
#include "midi/OutputDevice.h"
#include "midi/ProgramIndex.h"
#include "midi/SysexDecoder.h"
#include "song/MergedEvents.h"
#include "song/Song.h"

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace velisto {
namespace {

constexpr int kGm2SystemOn = 3;

bool isBankMsbSlot(int slot) { return numberForOutput(ParamKind::Controller, slot) == Cc::BankMsb; }
bool isBankLsbSlot(int slot) { return numberForOutput(ParamKind::Controller, slot) == Cc::BankLsb; }

// Bank MSB 126/127 are XG's drum banks and 120/121 GM2's rhythm and melody banks: a bank
// select names the standard whose bank it selects. GS knows no bank LSB but 0.
bool bankSelectCounts(int mode, int slot, int value)
{
    if (isBankMsbSlot(slot)) {
        const bool xgDrumBank = value == 126 || value == 127;
        const bool gm2Bank = value == 120 || value == 121;
        if (mode == MidiMode::GM2)
            return gm2Bank;
        if (mode == MidiMode::XG)
            return !gm2Bank;
        return !xgDrumBank && !gm2Bank;
    }
    if (isBankLsbSlot(slot) && mode == MidiMode::GS)
        return value == 0;
    return true;
}

} // namespace

void TrackModeCounter::count(const MidiEvent& event)
{
    switch (event.kind()) {
    case EventKind::Sysex:
        if (event.sysex)
            countSysex(decodeSysex(*event.sysex, nullptr));
        break;
    case EventKind::Controller:
        countController(event.data1, event.data2);
        break;
    case EventKind::Nrpn:
        countNrpn(event.data1);
        break;
    case EventKind::DrumNrpn:
        countDrumNrpn(event.data1);
        break;
    default:
        break;
    }
}

void TrackModeCounter::countSysex(const DecodedSysex& decoded)
{
    if (decoded.keyBasedController)
        ++counts_[MidiMode::GM2];
    else if (decoded.gs)
        ++counts_[MidiMode::GS];
    else if (decoded.xg)
        ++counts_[MidiMode::XG];
    else if (decoded.modeMessage == SysexModeMessage::Gm && decoded.modeValue == kGm2SystemOn)
        ++counts_[MidiMode::GM2];
}

void TrackModeCounter::countController(int slot, int value)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (midiModeDefinition(mode).isUsed(ParamKind::Controller, slot) && bankSelectCounts(mode, slot, value))
            ++counts_[static_cast<std::size_t>(mode)];
}

void TrackModeCounter::countNrpn(int slot) { countSlot(ParamKind::Nrpn, slot); }

void TrackModeCounter::countDrumNrpn(int slot) { countSlot(ParamKind::DrumNrpn, slot); }

void TrackModeCounter::countSlot(ParamKind kind, int slot)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (midiModeDefinition(mode).isUsed(kind, slot))
            ++counts_[static_cast<std::size_t>(mode)];
}

int TrackModeCounter::trackMode(bool gsSupported, bool xgSupported) const
{
    int best = MidiMode::GM;
    for (int mode = MidiMode::GM + 1; mode < MidiMode::Count; ++mode)
        if (counts_[static_cast<std::size_t>(mode)] > counts_[static_cast<std::size_t>(best)])
            best = mode;
    if (best == MidiMode::GS && counts_[MidiMode::GS] > 0 && counts_[MidiMode::GS] == counts_[MidiMode::XG] &&
        xgSupported && !gsSupported)
        return MidiMode::XG;
    return best;
}

void rebuildProgramIndex(OutputDevice& device, const Song& song, int deviceIndex)
{
    // The target state and the variation type are shared with the sending threads.
    const std::lock_guard lock(device.sendMutex());
    device.programIndex.clear();
    DeviceMidiState& state = device.targetState;
    if (!state.setMode(device.powerOnMode))
        state.setMode(MidiMode::GM);
    state.reset(ResetKind::MidiMode);

    InterpretContext context;
    context.device = &device;
    context.checkDevice = !device.isPlaceholder();
    context.recordProgram = &device.programIndex;
    const SysexDecoder decoder(&device);
    TrackModeCounter counter;

    MergedEvents(&song, deviceIndex).forEach([&](const MergedEvent& at) {
        const MidiEvent& event = *at.event;
        context.track = at.track;
        context.eventIndex = at.index;
        context.tick = at.tick;
        if (event.isSysex()) {
            if (!event.sysex)
                return;
            const DecodedSysex decoded = decoder.decode(*event.sysex, state.mode(), device.lastXgVariationType);
            counter.countSysex(decoded);
            interpretDecodedSysex(state, decoded, context);
        } else if (event.isChannelEvent() && event.kind() != EventKind::ChannelPrefix) {
            counter.count(event);
            interpretEvent(state, event.status, event.data1, event.data2, event.data3, context);
        }
    });
    device.trackMode = counter.trackMode(device.gsSupported, device.xgSupported);
}

} // namespace velisto
