#include "midi/Interpreter.h"

#include "midi/OutputDevice.h"
#include "midi/ProgramIndex.h"
#include "midi/SysexDecoder.h"
#include "song/MidiEvent.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <vector>

namespace velisto {
namespace {

constexpr int kDataByteLimit = 127;

struct ChannelEvent {
    int channel = 0;
    int data1 = 0;
    int data2 = 0;
    int data3 = 0;
};

// ---- results ----

InterpretResult valid() { return {}; }

// Refused and not sent: the receiver cannot take it.
InterpretResult skipped(std::string text) { return {false, true, false, std::move(text)}; }

// Refused but sent anyway: redundant, or a value the receiver may still use.
InterpretResult sentAnyway(std::string text) { return {false, false, false, std::move(text)}; }

// ---- texts ----

std::string number(int value) { return std::to_string(value); }

// Channels as the user sees them, 1..16.
std::string channelText(int channel) { return number(channel + 1); }

// A value as the mode shows it: whole numbers without decimals, others as short as they read
// back ("0.5", "-99.98779296875").
std::string displayText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e9)
        return number(static_cast<int>(value));
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string slotName(const DeviceMidiState& state, ParamKind kind, int slot)
{
    const std::string_view name = state.definition().longName(kind, slot);
    return name.empty() ? "#" + number(slot) : std::string(name);
}

std::string notSupportedText(const DeviceMidiState& state, std::string_view prefix, ParamKind kind, int slot)
{
    return std::string(prefix) + slotName(state, kind, slot) + " not supported in current MIDI mode " +
           std::string(state.modeName());
}

// A stored value out of 7 bits would turn into a status byte on the wire.
std::optional<InterpretResult> checkDataBytes(std::initializer_list<int> bytes)
{
    for (const int byte : bytes)
        if (byte < 0 || byte > kDataByteLimit)
            return skipped("MIDI event with wrong data byte " + number(byte) + " (allowed are 0 to 127)");
    return std::nullopt;
}

// ---- program index ----

void recordPart(const DeviceMidiState& state, int part, const InterpretContext& context)
{
    const std::optional<ProgramSelection> selection = state.selectionOfPart(part);
    if (selection && selection->midiChannel >= 0)
        context.recordProgram->record(selection->midiChannel, *selection, context.track, context.tick,
                                      context.eventIndex);
}

// A drum kit lives in a drum map that several parts may play from: every channel whose
// part uses the same map now sounds the new kit.
void recordProgramOfPart(const DeviceMidiState& state, int part, const InterpretContext& context)
{
    if (!context.recordProgram)
        return;
    recordPart(state, part, context);
    const int map = state.drumMapOfPart(part);
    if (map < 0)
        return;
    for (int other = 1; other <= DeviceMidiState::kParts; ++other)
        if (other != part && state.drumMapOfPart(other) == map)
            recordPart(state, other, context);
}

void recordChannel(const DeviceMidiState& state, int channel, const InterpretContext& context)
{
    if (!context.recordProgram)
        return;
    const int part = state.partOfChannel(channel);
    if (part > 0)
        recordPart(state, part, context);
}

std::vector<int> partsOfChannel(const DeviceMidiState& state, int channel)
{
    std::vector<int> parts;
    for (int part = 1; part <= DeviceMidiState::kParts; ++part)
        if (state.receives(channel, part))
            parts.push_back(part);
    return parts;
}

// ---- channel events, one function per kind ----

InterpretResult noteEvent(DeviceMidiState&, const ChannelEvent& event, const InterpretContext&)
{
    if (auto wrong = checkDataBytes({event.data1, event.data2}))
        return *wrong;
    return valid();
}

InterpretResult polyPressureEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    if (auto wrong = checkDataBytes({event.data1, event.data2}))
        return *wrong;
    const int key = event.data1;
    const int value = event.data2;
    if (state.mode() == MidiMode::GM)
        return skipped("Polyphonic aftertouch (Key pressure) not supported in current MIDI mode " +
                       std::string(state.modeName()) + "\r\nKey " + number(key) + " Velocity " + number(value));
    if (state.polyKeyValue(event.channel, key) == value)
        return sentAnyway("Polyphonic aftertouch (Key pressure) for key " + number(key) + " Velocity " + number(value) +
                          " already ");
    state.setPolyKeyValue(event.channel, key, value);
    return valid();
}

bool isBankSlot(const MidiModeDefinition& definition, int slot)
{
    return definition.isControllerSlot(slot, Cc::BankMsb) || definition.isControllerSlot(slot, Cc::BankLsb);
}

bool partsHoldBank(const DeviceMidiState& state, const std::vector<int>& parts, bool msb, int value)
{
    for (const int part : parts) {
        const DeviceMidiState::Part* record = state.part(part);
        if ((msb ? record->bankMsb : record->bankLsb) != value)
            return false;
    }
    return true;
}

InterpretResult controllerEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    const MidiModeDefinition& definition = state.definition();
    const int slot = event.data1;
    const int value = event.data2;
    if (!definition.isUsed(ParamKind::Controller, slot))
        return skipped(notSupportedText(state, "Controller ", ParamKind::Controller, slot));
    if (auto wrong = checkDataBytes({value}))
        return *wrong;
    if (definition.isCommand(ParamKind::Controller, slot)) {
        if (definition.isControllerSlot(slot, Cc::ResetAllControllers))
            state.reset(ResetKind::AllControllers, event.channel);
        return valid();
    }
    const bool bank = isBankSlot(definition, slot);
    const bool msb = definition.isControllerSlot(slot, Cc::BankMsb);
    const std::vector<int> parts = bank ? partsOfChannel(state, event.channel) : std::vector<int>{};
    if (state.controllerValue(event.channel, slot) == value && (!bank || partsHoldBank(state, parts, msb, value)))
        return sentAnyway("Controller " + slotName(state, ParamKind::Controller, slot) + " value " +
                          displayText(definition.displayValue(ParamKind::Controller, slot, value)) + " already ");
    state.setControllerValue(event.channel, slot, value);
    for (const int part : parts)
        msb ? state.setPartBankMsb(part, value) : state.setPartBankLsb(part, value);
    return valid();
}

InterpretResult programChangeEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext& context)
{
    if (auto wrong = checkDataBytes({event.data1}))
        return *wrong;
    for (const int part : partsOfChannel(state, event.channel))
        if (state.programChangeOfPart(part, event.data1))
            recordProgramOfPart(state, part, context);
    return valid();
}

InterpretResult channelPressureEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    if (auto wrong = checkDataBytes({event.data1}))
        return *wrong;
    if (state.channelPressure(event.channel) == event.data1)
        return sentAnyway("Monophonic aftertouch (Channel pressure) current pressure already " + number(event.data1));
    state.setChannelPressure(event.channel, event.data1);
    return valid();
}

InterpretResult pitchBendEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    if (auto wrong = checkDataBytes({event.data1, event.data2}))
        return *wrong;
    const int lsb = event.data1;
    const int msb = event.data2;
    if (state.pitchBendLsb(event.channel) == lsb && state.pitchBendMsb(event.channel) == msb)
        return sentAnyway("Pitchwheel already " + number(state.pitchBend(event.channel)));
    state.setPitchBend(event.channel, lsb, msb);
    return valid();
}

// NRPN and RPN share their rules; only the kind and the texts differ.
InterpretResult parameterEvent(DeviceMidiState& state, const ChannelEvent& event, ParamKind kind,
                               std::string_view prefix)
{
    const MidiModeDefinition& definition = state.definition();
    const int slot = event.data1;
    const int value = event.data2;
    if (!definition.isUsed(kind, slot))
        return skipped(notSupportedText(state, prefix, kind, slot));
    if (definition.isCommand(kind, slot))
        return valid(); // the lock-in carries no value
    if (auto wrong = checkDataBytes({value}))
        return *wrong;
    const bool nrpn = kind == ParamKind::Nrpn;
    const int stored = nrpn ? state.nrpnValue(event.channel, slot) : state.rpnValue(event.channel, slot);
    if (stored == value)
        return sentAnyway(std::string(prefix) + slotName(state, kind, slot) + " value " +
                          displayText(definition.displayValue(kind, slot, value)) + " already ");
    nrpn ? state.setNrpnValue(event.channel, slot, value) : state.setRpnValue(event.channel, slot, value);
    return valid();
}

InterpretResult nrpnEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    return parameterEvent(state, event, ParamKind::Nrpn, "NRPN ");
}

InterpretResult rpnEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    return parameterEvent(state, event, ParamKind::Rpn, "RPN ");
}

std::string drumText(const DeviceMidiState& state, int channel, int key)
{
    const std::string_view name = state.drumName(state.partOfChannel(channel), key);
    return name.empty() ? noteName(key, false) : std::string(name);
}

InterpretResult drumNrpnEvent(DeviceMidiState& state, const ChannelEvent& event, const InterpretContext&)
{
    const MidiModeDefinition& definition = state.definition();
    const int slot = event.data1;
    const int value = event.data2;
    const int key = event.data3;
    if (!definition.isUsed(ParamKind::DrumNrpn, slot))
        return skipped(notSupportedText(state, "Drum NRPN ", ParamKind::DrumNrpn, slot));
    if (auto wrong = checkDataBytes({value, key}))
        return *wrong;

    std::vector<int> maps;
    for (const int part : partsOfChannel(state, event.channel)) {
        const int map = state.drumMapOfPart(part);
        if (map >= 0 && definition.isDrumMapEditable(map) && std::find(maps.begin(), maps.end(), map) == maps.end())
            maps.push_back(map);
    }
    const std::string head =
        "Drum NRPN " + slotName(state, ParamKind::DrumNrpn, slot) + " for drum " + drumText(state, event.channel, key);
    if (maps.empty())
        return sentAnyway(head + " has no affect" + "\r\nbecause no rythm-mode of any part with MIDI channel " +
                          channelText(event.channel) + " selects an an editable drum-map");
    bool changed = false;
    for (const int map : maps) {
        if (state.drumNrpnValue(map, key, slot) == value)
            continue;
        state.setDrumNrpnValue(map, key, slot, value);
        changed = true;
    }
    if (!changed)
        return sentAnyway(head + "\r\nin all drum-maps which are linked by the mode of parts with MIDI channel " +
                          channelText(event.channel) + " already " + number(value));
    return valid();
}

InterpretResult otherEvent(DeviceMidiState&, const ChannelEvent&, const InterpretContext&) { return valid(); }

using EventHandler = InterpretResult (*)(DeviceMidiState&, const ChannelEvent&, const InterpretContext&);

// By the status's high nibble. Kinds without a channel meaning (text, sysex, channel
// prefix) change nothing here.
constexpr std::array<EventHandler, 16> kEventHandlers{
    otherEvent,         // 0x0n
    otherEvent,         // 0x1n channel prefix
    drumNrpnEvent,      // 0x2n
    otherEvent,         // 0x3n
    otherEvent,         // 0x4n system exclusive: interpretSysex
    nrpnEvent,          // 0x5n
    rpnEvent,           // 0x6n
    otherEvent,         // 0x7n text kinds
    noteEvent,          // 0x8n
    noteEvent,          // 0x9n
    polyPressureEvent,  // 0xAn
    controllerEvent,    // 0xBn
    programChangeEvent, // 0xCn
    channelPressureEvent,
    pitchBendEvent,
    otherEvent, // 0xFn
};

// ---- system exclusive messages ----

bool isLiveStateOf(const DeviceMidiState& state, const InterpretContext& context)
{
    return context.device && &state == &context.device->liveState;
}

struct ModeEntry {
    int mode = MidiMode::GM;
    bool supported = true;
    std::string_view refusal;
};

// The mode a mode message enters; nullopt for the messages that enter none (GS re-reset,
// GM System Off, and wrong values, which the value check reports).
std::optional<ModeEntry> modeEntryOf(const DecodedSysex& decoded, const OutputDevice* device)
{
    // A byte above 7F would have ended the message on the wire before it said anything.
    if (decoded.wrongValueBytes)
        return std::nullopt;
    const bool anyDevice = device == nullptr;
    switch (decoded.modeMessage) {
    case SysexModeMessage::Xg:
        if (decoded.modeValue > 0)
            return std::nullopt;
        return ModeEntry{MidiMode::XG, anyDevice || device->xgSupported,
                         "XG-reset has no affect in device which doesn't support XG"};
    case SysexModeMessage::Gs:
        if (decoded.modeValue != 0)
            return std::nullopt;
        return ModeEntry{MidiMode::GS, anyDevice || device->gsSupported,
                         "GS-reset has no affect in device which doesn't support GS"};
    case SysexModeMessage::Gm:
        if (decoded.modeValue == 1)
            return ModeEntry{MidiMode::GM, true, {}};
        if (decoded.modeValue == 3)
            return ModeEntry{MidiMode::GM2, anyDevice || device->gm2Supported,
                             "GM2 mode enter has no affect in device which doesn't support GM2"};
        return std::nullopt;
    case SysexModeMessage::None:
        break;
    }
    return std::nullopt;
}

bool leavesModeAlone(const DecodedSysex& decoded)
{
    constexpr int kGsReReset = 0x7F;
    constexpr int kGmSystemOff = 2;
    return (decoded.modeMessage == SysexModeMessage::Gs && decoded.modeValue == kGsReReset) ||
           (decoded.modeMessage == SysexModeMessage::Gm && decoded.modeValue == kGmSystemOff);
}

InterpretResult enterMode(DeviceMidiState& state, const ModeEntry& entry, const InterpretContext& context)
{
    if (context.checkDevice && !entry.supported)
        return skipped(std::string(entry.refusal));
    state.setMode(entry.mode);
    state.reset(ResetKind::MidiMode);
    // A mode reset returns the receiver's effects to their defaults.
    if (isLiveStateOf(state, context))
        context.device->lastXgVariationType = -1;
    for (int channel = 0; channel < DeviceMidiState::kChannels; ++channel)
        recordChannel(state, channel, context);
    InterpretResult result;
    result.modeChanged = true;
    return result;
}

InterpretResult globalParameterControl(const DeviceMidiState& state, const DecodedSysex& decoded)
{
    if (state.mode() != MidiMode::GM2)
        return skipped("SYESEX Global parameter control : only supported in GM2, but current MIDI mode is " +
                       std::string(state.modeName()));
    if (!decoded.gpc.widthsValid || decoded.gpc.translation == GpcTranslation::WidthsNotMatched)
        return sentAnyway("SYSEX 'Global parameter control' with wrong parameter id width or value width");
    return valid();
}

// ---- part parameters ----

std::string noChannelText(std::string_view parameter, int part)
{
    return "SYSEX " + std::string(parameter) + " : no MIDI channel assigned to part " + number(part);
}

bool hasChannel(const DeviceMidiState& state, int part) { return state.part(part)->midiChannel >= 0; }

InterpretResult partMidiChannel(DeviceMidiState& state, int part, int value, const InterpretContext& context)
{
    // GS 10h and XG 7Fh (and anything else above 0Fh) switch the part off.
    const int channel = value >= 0 && value < DeviceMidiState::kChannels ? value : -1;
    const int old = state.part(part)->midiChannel;
    state.assignPartChannel(part, channel);
    if (old >= 0)
        recordChannel(state, old, context);
    if (channel >= 0 && channel != old)
        recordChannel(state, channel, context);
    return valid();
}

// The bank waits for the next program number, as a bank select controller does.
InterpretResult partBank(DeviceMidiState& state, int part, int value, bool msb)
{
    msb ? state.setPartBankMsb(part, value) : state.setPartBankLsb(part, value);
    return hasChannel(state, part) ? valid() : sentAnyway(noChannelText("bank select", part));
}

InterpretResult partProgram(DeviceMidiState& state, int part, int program, std::string_view parameter,
                            const InterpretContext& context)
{
    state.programChangeOfPart(part, program);
    if (!hasChannel(state, part))
        return sentAnyway(noChannelText(parameter, part));
    recordProgramOfPart(state, part, context);
    return valid();
}

InterpretResult partToneNumber(DeviceMidiState& state, int part, int value, const InterpretContext& context)
{
    state.setPartBankMsb(part, (value >> 7) & kDataByteLimit);
    return partProgram(state, part, value & kDataByteLimit, "tone number", context);
}

InterpretResult partRhythm(DeviceMidiState& state, int part, int value, const InterpretContext& context)
{
    const std::string prefix = "SYSEX use for rythm part/part mode";
    const int highest = state.maxRhythmValue();
    const bool inRange = value >= 0 && value <= highest;
    const bool unchanged = state.part(part)->rhythmValue == value;
    if (inRange)
        state.setPartRhythmValue(part, value);
    if (!hasChannel(state, part))
        return sentAnyway(prefix + " : no MIDI channel assigned to part " + number(part));
    if (!inRange)
        return sentAnyway(prefix + " wrong value " + number(value) + "." + "\r\nThe greatest Drum-Map value in " +
                          std::string(state.modeName()) + " is " + number(highest));
    if (unchanged)
        return sentAnyway(prefix + " for part " + number(part) + " current value already " + number(value));
    // The part now plays another drum map, or an instrument again.
    recordProgramOfPart(state, part, context);
    return valid();
}

InterpretResult partParameter(DeviceMidiState& state, const DecodedSysex& decoded, const InterpretContext& context)
{
    const int part = decoded.partNumber;
    if (part < 1 || part > DeviceMidiState::kParts)
        return sentAnyway("SYSEX part mode for wrong part-number: " + number(part) + "." +
                          "\r\nOnly Parts 1-16 allowed");
    const int value = decoded.value;
    switch (decoded.partKind) {
    case SysexPartKind::MidiChannel:
        return partMidiChannel(state, part, value, context);
    case SysexPartKind::BankSelectMsb:
        return partBank(state, part, value, true);
    case SysexPartKind::BankSelectLsb:
        return partBank(state, part, value, false);
    case SysexPartKind::ProgramNumber:
        return partProgram(state, part, value, "program number", context);
    case SysexPartKind::ToneNumber:
        return partToneNumber(state, part, value, context);
    case SysexPartKind::UseForRhythm:
        return partRhythm(state, part, value, context);
    case SysexPartKind::None:
        break;
    }
    return valid();
}

// ---- XG and GM2 specials ----

InterpretResult resetDrumSetupMap(DeviceMidiState& state, int value)
{
    // DRUMS 1 and DRUMS 2 are the XG maps after the fixed DRUM map.
    if (value == 0 || value == 1) {
        state.reset(ResetKind::Map, value + 1);
        return valid();
    }
    return sentAnyway("SYSEX reset drum setup map with wrong value " + number(value) + "." +
                      "\r\nXG allows to reset map DRUMS 1 (value 0) and DRUMS 2 (value 1) only");
}

InterpretResult keyBasedController(DeviceMidiState& state, const KeyBasedControllerInfo& info)
{
    const std::string prefix = "SYESEX Key-based instr. controller : ";
    if (state.mode() != MidiMode::GM2)
        return skipped(prefix + "only supported in GM2, but current MIDI mode is " + std::string(state.modeName()));
    const int channel = info.channel;
    const int key = info.key;
    std::vector<std::string> wrong;
    if (channel < 0 || channel >= DeviceMidiState::kChannels)
        wrong.push_back("MIDI channel " + channelText(channel));
    if (key < 0 || key >= DeviceMidiState::kKeys)
        wrong.push_back("key " + number(key));
    if (wrong.empty()) {
        const int part = state.partOfChannel(channel);
        if (!state.isRhythmPart(part))
            return sentAnyway(prefix + "MIDI channel " + channelText(channel) +
                              " is no rythm channel. Use bank select MSB 120 first");
    }

    const MidiModeDefinition& definition = state.definition();
    const int map = wrong.empty() ? state.keyMapOfChannel(channel) : -1;
    bool changed = false;
    for (const KeyBasedPair& pair : info.pairs) {
        if (pair.controller < 0 || pair.controller > kDataByteLimit || pair.value < 0 ||
            pair.value > kDataByteLimit) {
            wrong.push_back("controller " + number(pair.controller) + " value " + number(pair.value));
            continue;
        }
        // A controller that cannot be set per key is ignored, as the receiver ignores it.
        const int slot = definition.keyBasedSlotOf(pair.controller);
        if (slot < 0 || map < 0 || state.keyBasedValue(map, key, slot) == pair.value)
            continue;
        state.setKeyBasedValue(map, key, slot, pair.value);
        changed = true;
    }
    if (!wrong.empty()) {
        std::string detail;
        for (const std::string& item : wrong)
            detail += (detail.empty() ? "" : ", ") + item;
        return sentAnyway("SYSEX with wrong value (" + detail + ")");
    }
    if (!changed)
        return sentAnyway(prefix + "MIDI channel " + channelText(channel) + ", key " + number(key) + ":\r\n" +
                          "all listed controllers have the named values, or no supported controllers are listed.");
    return valid();
}

} // namespace

InterpretResult interpretEvent(DeviceMidiState& state, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                               std::uint8_t data3, const InterpretContext& context)
{
    const ChannelEvent event{status & 0x0F, data1, data2, data3};
    return kEventHandlers[static_cast<std::size_t>(status >> 4)](state, event, context);
}

InterpretResult interpretSysex(DeviceMidiState& state, std::span<const std::uint8_t> stored,
                               const InterpretContext& context)
{
    const int variation = context.device ? context.device->lastXgVariationType : -1;
    return interpretDecodedSysex(state, decodeSysex(stored, context.device, state.mode(), variation), context);
}

InterpretResult interpretDecodedSysex(DeviceMidiState& state, const DecodedSysex& decoded,
                                      const InterpretContext& context)
{
    if (decoded.wrongTotalLength)
        return skipped("SYSEX with wrong total length");
    // A GS receiver discards a message whose checksum does not match: it changes nothing.
    if (decoded.checksum == GsChecksumState::Wrong)
        return skipped("SYSEX with wrong checksum (" + gsChecksumText(decoded) + ")");
    if (const std::optional<ModeEntry> entry = modeEntryOf(decoded, context.device))
        return enterMode(state, *entry, context);
    if (leavesModeAlone(decoded))
        return valid();
    const bool modeMessage = decoded.modeMessage != SysexModeMessage::None;
    if (decoded.gs && !modeMessage && state.mode() != MidiMode::GS)
        return skipped("GS-SYSEX which is no mode reset has no affect in current MIDI mode " +
                       std::string(state.modeName()));
    if (decoded.xg && !modeMessage && state.mode() != MidiMode::XG)
        return skipped("XG-SYSEX which is no mode reset has no affect in current MIDI mode " +
                       std::string(state.modeName()));
    if (decoded.wrongValueBytes)
        return sentAnyway("SYSEX with wrong value (" + decoded.wrongValueDetail + ")");
    if (decoded.globalParameterControl)
        return globalParameterControl(state, decoded);
    if (decoded.partNumber != 0 || decoded.partKind != SysexPartKind::None)
        return partParameter(state, decoded, context);
    if (decoded.resetDrumSetupMap)
        return resetDrumSetupMap(state, decoded.value);
    if (decoded.xgVariationType) {
        if (isLiveStateOf(state, context))
            context.device->lastXgVariationType = decoded.variationType;
        return valid();
    }
    if (decoded.keyBasedController)
        return keyBasedController(state, decoded.keyBased);
    if (decoded.masterVolume >= 0)
        state.setMasterVolume(decoded.masterVolume);
    return valid();
}

} // namespace velisto
