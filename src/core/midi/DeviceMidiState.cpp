#include "midi/DeviceMidiState.h"

#include <cstddef>

namespace velisto {

namespace {

struct ResetKindName {
    ResetKind kind;
    std::string_view text;
};
constexpr std::array<ResetKindName, 3> kResetKindNames{{
    {ResetKind::MidiMode, "resetmidimode"},
    {ResetKind::AllControllers, "resetallcontrollermode"},
    {ResetKind::Map, "resetmap"},
}};

constexpr int kPitchBendCentreMsb = 64;

std::size_t at(int value) { return static_cast<std::size_t>(value); }

bool inRange(int value, int count) { return value >= 0 && value < count; }
bool isChannel(int channel) { return inRange(channel, DeviceMidiState::kChannels); }
bool isKey(int key) { return inRange(key, DeviceMidiState::kKeys); }
bool isPartNumber(int part) { return part >= 1 && part <= DeviceMidiState::kParts; }
bool isDataByte(int value) { return inRange(value, 128); }

} // namespace

std::string_view resetKindText(ResetKind kind)
{
    for (const ResetKindName& entry : kResetKindNames)
        if (entry.kind == kind)
            return entry.text;
    return {};
}

std::optional<ResetKind> resetKindFromText(std::string_view text)
{
    for (const ResetKindName& entry : kResetKindNames)
        if (entry.text == text)
            return entry.kind;
    return std::nullopt;
}

DeviceMidiState::DeviceMidiState() = default;

bool DeviceMidiState::setMode(int mode)
{
    if (!inRange(mode, MidiMode::Count))
        return false;
    mode_ = mode;
    return true;
}

std::string_view DeviceMidiState::modeName() const { return midiModeName(mode_); }

const MidiModeDefinition& DeviceMidiState::definition() const { return midiModeDefinition(mode_); }

bool DeviceMidiState::setMasterVolume(int value)
{
    if (value < 0 || value > kMaxMasterVolume)
        return false;
    masterVolume_ = value;
    return true;
}

// ---- resets ----

bool DeviceMidiState::reset(ResetKind kind, int argument)
{
    switch (kind) {
    case ResetKind::MidiMode:
        fullReset();
        return true;
    case ResetKind::AllControllers:
        if (!isChannel(argument))
            return false;
        resetAllControllers(argument);
        return true;
    case ResetKind::Map:
        if (mode_ == MidiMode::GM2) {
            if (!inRange(argument, keyMapCount()))
                return false;
            resetKeyMap(argument);
            return true;
        }
        if (!inRange(argument, drumMapCount()))
            return false;
        resetDrumMap(drumMaps_[at(argument)]);
        return true;
    }
    return false;
}

void DeviceMidiState::fullReset()
{
    const MidiModeDefinition& def = definition();
    resetDone_ = true;
    masterVolume_ = kMaxMasterVolume;

    drumMaps_.assign(at(def.drumMapCount()), DrumMap{});
    keyMaps_.clear();
    if (mode_ == MidiMode::GM2) {
        keyMaps_.assign(at(kGm2KeyMapCount), KeyMap{});
        for (Part& part : parts_)
            part.program = 0;
    }

    for (DrumMap& map : drumMaps_)
        resetDrumMap(map);
    // Every key map gets its kit's values, so that a part turning rhythm later starts from
    // the defaults; only the rhythm part's map is in use after the reset.
    for (int map = 0; map < keyMapCount(); ++map)
        resetKeyMap(map);
    for (int map = 0; map < keyMapCount(); ++map)
        keyMaps_[at(map)].valid = map == kRhythmPart - 1;

    for (int channel = 0; channel < kChannels; ++channel) {
        const std::size_t c = at(channel);
        for (int slot = 0; slot < kControllerSlotCount; ++slot)
            if (def.isUsed(ParamKind::Controller, slot) && !def.isCommand(ParamKind::Controller, slot))
                controllerValues_[c][at(slot)] = def.defaultOf(ParamKind::Controller, slot);
        polyKeyValues_[c].fill(0);
        pitchBendLsb_[c] = 0;
        pitchBendMsb_[c] = kPitchBendCentreMsb;
        channelPressure_[c] = 0;
        parts_[c].midiChannel = channel;
        receiveMatrix_[c].fill(false);
        receiveMatrix_[c][c] = true;
        for (int slot = 0; slot < kNrpnSlotCount; ++slot)
            if (def.isUsed(ParamKind::Nrpn, slot) && !def.isCommand(ParamKind::Nrpn, slot))
                nrpnValues_[c][at(slot)] = def.defaultOf(ParamKind::Nrpn, slot);
        for (int slot = 0; slot < kRpnSlotCount; ++slot)
            if (def.isUsed(ParamKind::Rpn, slot) && !def.isCommand(ParamKind::Rpn, slot))
                rpnValues_[c][at(slot)] = def.defaultOf(ParamKind::Rpn, slot);
    }
    resetPartsAfterModeReset();
}

// Parts and their bank controllers as a receiver holds them right after the mode message.
void DeviceMidiState::resetPartsAfterModeReset()
{
    const MidiModeDefinition& def = definition();
    const int bankMsbSlot = def.slotOf(ParamKind::Controller, Cc::BankMsb);
    const int bankLsbSlot = def.slotOf(ParamKind::Controller, Cc::BankLsb);
    auto setBankControllers = [&](int channel, int msb) {
        if (bankMsbSlot >= 0)
            controllerValues_[at(channel)][at(bankMsbSlot)] = msb;
        if (bankLsbSlot >= 0)
            controllerValues_[at(channel)][at(bankLsbSlot)] = 0;
    };

    for (int index = 0; index < kParts; ++index) {
        Part& part = parts_[at(index)];
        part.rhythmValue = 0;
        part.bankMsb = 0;
        part.bankLsb = 0;
        part.program = 0; // part 10 too: it would surface when the part stops being rhythm
        part.lastEnteredBankMsb = 0;
        part.lastEnteredBankLsb = 0;
        if (index == kRhythmPart - 1) {
            part.rhythmValue = 1;
            if (mode_ == MidiMode::XG) {
                part.rhythmValue = 2;
                part.bankMsb = kXgDrumBank;
                setBankControllers(index, kXgDrumBank);
            } else if (mode_ == MidiMode::GM2) {
                part.rhythmValue = kGm2RhythmValue;
                part.bankMsb = kGm2DrumBank;
                part.lastEnteredBankMsb = kGm2DrumBank;
                setBankControllers(index, kGm2DrumBank);
            }
        } else if (mode_ == MidiMode::GM2) {
            part.bankMsb = kGm2MelodyBank;
            part.lastEnteredBankMsb = kGm2MelodyBank;
            setBankControllers(index, kGm2MelodyBank);
        }
    }
}

// Reset All Controllers (controller 121) as the standards define it: modulation,
// expression and sustain return to their defaults; volume, pan, banks and the parameter
// numbers stay.
void DeviceMidiState::resetAllControllers(int channel)
{
    static constexpr std::array<int, 3> kResetControllers{Cc::Modulation, Cc::Expression, Cc::Sustain};
    const MidiModeDefinition& def = definition();
    const std::size_t c = at(channel);
    for (int number : kResetControllers) {
        const int slot = def.slotOf(ParamKind::Controller, number);
        if (slot >= 0)
            controllerValues_[c][at(slot)] = def.defaultOf(ParamKind::Controller, slot);
    }
    polyKeyValues_[c].fill(0);
    pitchBendLsb_[c] = 0;
    pitchBendMsb_[c] = kPitchBendCentreMsb;
    channelPressure_[c] = 0;
}

void DeviceMidiState::resetDrumMap(DrumMap& map) const
{
    const MidiModeDefinition& def = definition();
    for (auto& key : map.values)
        for (int slot = 0; slot < kDrumNrpnSlotCount; ++slot)
            if (def.isUsed(ParamKind::DrumNrpn, slot))
                key[at(slot)] = def.defaultOf(ParamKind::DrumNrpn, slot);
}

void DeviceMidiState::resetKeyMap(int map)
{
    const MidiModeDefinition& def = definition();
    KeyMap& keyMap = keyMaps_[at(map)];
    const int drumProgram = parts_[at(map)].program;
    for (int key = 0; key < kKeys; ++key)
        for (int slot = 0; slot < kControllerSlotCount; ++slot)
            if (def.isKeyBasedCapable(slot))
                keyMap.values[at(key)][at(slot)] = MidiModeDefinition::keyBasedDefault(slot, key, drumProgram);
    keyMap.valid = true;
}

// ---- program change ----

// XG and GM2 choose between instrument and drum bank with the bank MSB that the part
// holds when the program change arrives.
void DeviceMidiState::applyBankRhythmRules(Part& part)
{
    static constexpr int kXgDrumsTwo = 3; // XG part mode "DRUMS 2"
    if (mode_ == MidiMode::XG) {
        if (part.bankMsb >= kXgSfxBank && part.rhythmValue == 0)
            part.rhythmValue = kXgDrumsTwo;
        else if (part.bankMsb < kXgSfxBank && part.rhythmValue > 0)
            part.rhythmValue = 0;
    } else if (mode_ == MidiMode::GM2) {
        if (part.bankMsb == kGm2DrumBank && part.rhythmValue == 0)
            part.rhythmValue = kGm2RhythmValue;
        else if (part.bankMsb == kGm2MelodyBank)
            part.rhythmValue = 0;
    }
}

std::optional<ProgramSelection> DeviceMidiState::programChangeOfPart(int partNumber, int program)
{
    if (!isPartNumber(partNumber) || !isDataByte(program))
        return std::nullopt;
    const int index = partNumber - 1;
    Part& part = parts_[at(index)];
    applyBankRhythmRules(part);

    if (part.rhythmValue == 0) {
        part.lastEnteredBankMsb = part.bankMsb;
        part.lastEnteredBankLsb = part.bankLsb;
        part.program = program;
    } else if (mode_ == MidiMode::GS || mode_ == MidiMode::XG) {
        const int map = drumMapOfPart(partNumber);
        if (map >= 0) {
            DrumMap& drumMap = drumMaps_[at(map)];
            drumMap.mapProgram = program;
            if (mode_ == MidiMode::XG)
                drumMap.mapIsEffect = part.bankMsb == kXgSfxBank;
            else
                resetDrumMap(drumMap);
        }
    } else if (mode_ == MidiMode::GM2) {
        part.program = program;
        if (inRange(index, keyMapCount()))
            resetKeyMap(index);
    }
    // GM has one fixed kit: a program change on its rhythm part changes nothing.
    return selectionOfPart(partNumber);
}

std::optional<ProgramSelection> DeviceMidiState::selectionOfPart(int partNumber) const
{
    const Part* found = part(partNumber);
    if (!found)
        return std::nullopt;
    ProgramSelection selection;
    selection.part = partNumber;
    selection.midiChannel = found->midiChannel;
    selection.program = found->program;
    selection.bankMsb = found->bankMsb;
    selection.bankLsb = found->bankLsb;
    selection.rhythm = isRhythmPart(partNumber);
    selection.drumMap = drumMapOfPart(partNumber);
    if (const DrumMap* map = drumMap(selection.drumMap)) {
        selection.program = map->mapProgram;
        selection.effect = map->mapIsEffect;
    }
    return selection;
}

// ---- parts ----

const DeviceMidiState::Part* DeviceMidiState::part(int partNumber) const
{
    return isPartNumber(partNumber) ? &parts_[at(partNumber - 1)] : nullptr;
}

bool DeviceMidiState::receives(int channel, int partNumber) const
{
    return isChannel(channel) && isPartNumber(partNumber) && receiveMatrix_[at(channel)][at(partNumber - 1)];
}

int DeviceMidiState::partOfChannel(int channel) const
{
    for (int partNumber = 1; partNumber <= kParts; ++partNumber)
        if (receives(channel, partNumber))
            return partNumber;
    return -1;
}

bool DeviceMidiState::isRhythmPart(int partNumber) const
{
    const Part* found = part(partNumber);
    if (!found)
        return false;
    if (mode_ == MidiMode::GS || mode_ == MidiMode::XG)
        return definition().isRhythmValue(found->rhythmValue);
    return found->rhythmValue > 0;
}

bool DeviceMidiState::isRhythmChannel(int channel) const
{
    for (int partNumber = 1; partNumber <= kParts; ++partNumber)
        if (receives(channel, partNumber) && isRhythmPart(partNumber))
            return true;
    return false;
}

int DeviceMidiState::drumMapOfPart(int partNumber) const
{
    const Part* found = part(partNumber);
    if (!found || mode_ == MidiMode::GM2)
        return -1;
    const int map = found->rhythmValue - 1;
    return inRange(map, drumMapCount()) ? map : -1;
}

int DeviceMidiState::keyMapOfChannel(int channel) const
{
    if (mode_ != MidiMode::GM2)
        return -1;
    const int map = partOfChannel(channel) - 1;
    return inRange(map, keyMapCount()) ? map : -1;
}

int DeviceMidiState::maxRhythmValue() const
{
    return mode_ == MidiMode::GM2 ? kGm2RhythmValue : definition().drumMapCount();
}

bool DeviceMidiState::setPartRhythmValue(int partNumber, int value)
{
    if (!isPartNumber(partNumber) || value < 0 || value > maxRhythmValue())
        return false;
    parts_[at(partNumber - 1)].rhythmValue = value;
    return true;
}

bool DeviceMidiState::setPartBankMsb(int partNumber, int value)
{
    if (!isPartNumber(partNumber) || !isDataByte(value))
        return false;
    parts_[at(partNumber - 1)].bankMsb = value;
    return true;
}

bool DeviceMidiState::setPartBankLsb(int partNumber, int value)
{
    if (!isPartNumber(partNumber) || !isDataByte(value))
        return false;
    parts_[at(partNumber - 1)].bankLsb = value;
    return true;
}

bool DeviceMidiState::assignPartChannel(int partNumber, int channel)
{
    if (!isPartNumber(partNumber) || (channel != -1 && !isChannel(channel)))
        return false;
    const std::size_t index = at(partNumber - 1);
    for (auto& row : receiveMatrix_)
        row[index] = false;
    if (channel >= 0)
        receiveMatrix_[at(channel)][index] = true;
    parts_[index].midiChannel = channel;
    return true;
}

// ---- channel values ----

namespace {

template <typename Table> int valueAt(const Table& table, int channel, int index, int count)
{
    return isChannel(channel) && inRange(index, count) ? table[at(channel)][at(index)] : -1;
}

template <typename Table> bool storeAt(Table& table, int channel, int index, int count, int value)
{
    if (!isChannel(channel) || !inRange(index, count) || !isDataByte(value))
        return false;
    table[at(channel)][at(index)] = value;
    return true;
}

} // namespace

int DeviceMidiState::controllerValue(int channel, int slot) const
{
    return valueAt(controllerValues_, channel, slot, kControllerSlotCount);
}

bool DeviceMidiState::setControllerValue(int channel, int slot, int value)
{
    return storeAt(controllerValues_, channel, slot, kControllerSlotCount, value);
}

int DeviceMidiState::nrpnValue(int channel, int slot) const
{
    return valueAt(nrpnValues_, channel, slot, kNrpnSlotCount);
}

bool DeviceMidiState::setNrpnValue(int channel, int slot, int value)
{
    return storeAt(nrpnValues_, channel, slot, kNrpnSlotCount, value);
}

int DeviceMidiState::rpnValue(int channel, int slot) const { return valueAt(rpnValues_, channel, slot, kRpnSlotCount); }

bool DeviceMidiState::setRpnValue(int channel, int slot, int value)
{
    return storeAt(rpnValues_, channel, slot, kRpnSlotCount, value);
}

int DeviceMidiState::pitchBendLsb(int channel) const { return isChannel(channel) ? pitchBendLsb_[at(channel)] : -1; }

int DeviceMidiState::pitchBendMsb(int channel) const { return isChannel(channel) ? pitchBendMsb_[at(channel)] : -1; }

int DeviceMidiState::pitchBend(int channel) const
{
    if (!isChannel(channel))
        return 0;
    return (pitchBendMsb_[at(channel)] - kPitchBendCentreMsb) * 128 + pitchBendLsb_[at(channel)];
}

bool DeviceMidiState::setPitchBend(int channel, int lsb, int msb)
{
    if (!isChannel(channel) || !isDataByte(lsb) || !isDataByte(msb))
        return false;
    pitchBendLsb_[at(channel)] = lsb;
    pitchBendMsb_[at(channel)] = msb;
    return true;
}

int DeviceMidiState::channelPressure(int channel) const
{
    return isChannel(channel) ? channelPressure_[at(channel)] : -1;
}

bool DeviceMidiState::setChannelPressure(int channel, int value)
{
    if (!isChannel(channel) || !isDataByte(value))
        return false;
    channelPressure_[at(channel)] = value;
    return true;
}

int DeviceMidiState::polyKeyValue(int channel, int key) const { return valueAt(polyKeyValues_, channel, key, kKeys); }

bool DeviceMidiState::setPolyKeyValue(int channel, int key, int value)
{
    return storeAt(polyKeyValues_, channel, key, kKeys, value);
}

// ---- maps ----

const DeviceMidiState::DrumMap* DeviceMidiState::drumMap(int map) const
{
    return inRange(map, drumMapCount()) ? &drumMaps_[at(map)] : nullptr;
}

int DeviceMidiState::drumNrpnValue(int map, int key, int slot) const
{
    const DrumMap* found = drumMap(map);
    return found && isKey(key) && inRange(slot, kDrumNrpnSlotCount) ? found->values[at(key)][at(slot)] : -1;
}

bool DeviceMidiState::setDrumNrpnValue(int map, int key, int slot, int value)
{
    if (!inRange(map, drumMapCount()) || !isKey(key) || !inRange(slot, kDrumNrpnSlotCount) || !isDataByte(value))
        return false;
    drumMaps_[at(map)].values[at(key)][at(slot)] = value;
    return true;
}

bool DeviceMidiState::setDrumMapProgram(int map, int program, bool isEffect)
{
    if (!inRange(map, drumMapCount()) || !isDataByte(program))
        return false;
    drumMaps_[at(map)].mapProgram = program;
    drumMaps_[at(map)].mapIsEffect = isEffect;
    return true;
}

const DeviceMidiState::KeyMap* DeviceMidiState::keyMap(int map) const
{
    return inRange(map, keyMapCount()) ? &keyMaps_[at(map)] : nullptr;
}

int DeviceMidiState::keyBasedValue(int map, int key, int slot) const
{
    const KeyMap* found = keyMap(map);
    return found && isKey(key) && inRange(slot, kControllerSlotCount) ? found->values[at(key)][at(slot)] : -1;
}

bool DeviceMidiState::setKeyBasedValue(int map, int key, int slot, int value)
{
    if (!inRange(map, keyMapCount()) || !isKey(key) || !inRange(slot, kControllerSlotCount) || !isDataByte(value))
        return false;
    keyMaps_[at(map)].values[at(key)][at(slot)] = value;
    return true;
}

std::string_view DeviceMidiState::drumName(int partNumber, int key) const
{
    const MidiModeDefinition& def = definition();
    int kit = 0;
    if (const DrumMap* map = drumMap(drumMapOfPart(partNumber))) {
        if (map->mapIsEffect)
            return {};
        kit = map->mapProgram;
    } else if (mode_ == MidiMode::GM2 && isRhythmPart(partNumber)) {
        kit = parts_[at(partNumber - 1)].program;
    }
    return def.drumName(key, kit);
}

// ---- dump ----

std::vector<std::string> DeviceMidiState::dump(std::string_view deviceName) const
{
    const std::string stars(50, '*');
    std::vector<std::string> lines;
    lines.push_back(stars);
    lines.push_back("DEVICEMIDISTATES " + std::string(deviceName));
    lines.push_back(stars);
    lines.emplace_back(modeName());
    lines.emplace_back();
    dumpParts(lines);
    dumpDrumMaps(lines);
    const std::string rule(48, '=');
    lines.push_back(rule);
    lines.push_back(rule);
    lines.emplace_back();
    dumpChannels(lines);
    return lines;
}

void DeviceMidiState::dumpParts(std::vector<std::string>& lines) const
{
    for (int index = 0; index < kParts; ++index) {
        const Part& part = parts_[at(index)];
        lines.push_back("Part " + std::to_string(index + 1));
        lines.emplace_back("=======");
        lines.push_back("Use for rythm : " + std::to_string(part.rhythmValue));
        lines.push_back("midichannel : " + (part.midiChannel >= 0 ? std::to_string(part.midiChannel + 1) : "off"));
        lines.push_back("Bank MSB : " + std::to_string(part.bankMsb));
        lines.push_back("Bank LSB : " + std::to_string(part.bankLsb));
        lines.push_back("Prog:" + std::to_string(part.program));
        lines.push_back("Last entered instr. Bank MSB : " + std::to_string(part.lastEnteredBankMsb));
        lines.push_back("Last entered instr. Bank LSB : " + std::to_string(part.lastEnteredBankLsb));
        lines.emplace_back();
    }
}

void DeviceMidiState::dumpDrumMaps(std::vector<std::string>& lines) const
{
    for (int map = 0; map < drumMapCount(); ++map) {
        const DrumMap& drumMap = drumMaps_[at(map)];
        lines.push_back("DRUMMAP : " + std::to_string(map + 1));
        lines.emplace_back("============");
        lines.push_back("Mapprogram : " + std::to_string(drumMap.mapProgram));
        if (mode_ == MidiMode::XG)
            lines.push_back(std::string("Map is effect : ") + (drumMap.mapIsEffect ? "true" : "false"));
        lines.emplace_back();
    }
}

// Only the bank controllers: they are what tells which sound a channel's parts play.
void DeviceMidiState::dumpChannels(std::vector<std::string>& lines) const
{
    const MidiModeDefinition& def = definition();
    for (int channel = 0; channel < kChannels; ++channel) {
        lines.push_back("MIDI channel " + std::to_string(channel + 1));
        lines.emplace_back("==============");
        for (int slot = 0; slot < kControllerSlotCount; ++slot) {
            if (!def.isUsed(ParamKind::Controller, slot))
                continue;
            const std::string value = std::to_string(controllerValues_[at(channel)][at(slot)]);
            if (def.isControllerSlot(slot, Cc::BankMsb))
                lines.push_back("Controller Bank MSB : " + value);
            else if (def.isControllerSlot(slot, Cc::BankLsb))
                lines.push_back("Controller Bank LSB : " + value);
        }
        lines.emplace_back();
    }
}

} // namespace velisto
