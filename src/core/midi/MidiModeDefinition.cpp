#include "midi/MidiModeDefinition.h"

#include "midi/MidiStandardNames.h"
#include "midi/MidiStandardTables.h"

#include <cassert>
#include <charconv>

namespace velisto {

namespace tables = standard_tables;

namespace {

constexpr std::array<std::string_view, MidiMode::Count> kModeNames{"GM", "GS", "XG", "GM2"};
constexpr std::array<int, kParamKindCount> kSlotCounts{kControllerSlotCount, kNrpnSlotCount, kDrumNrpnSlotCount,
                                                       kRpnSlotCount};
// KindTable keeps room for the controller slots, the most of any kind.
static_assert(kNrpnSlotCount <= kControllerSlotCount && kDrumNrpnSlotCount <= kControllerSlotCount &&
              kRpnSlotCount <= kControllerSlotCount);
constexpr std::array<int, MidiMode::Count> kDrumMapCounts{1, 2, 3, 0};
constexpr std::array<std::string_view, 2> kGsDrumMapNames{"MAP1 (editable)", "MAP2 (editable)"};
constexpr std::array<std::string_view, 3> kXgDrumMapNames{"DRUM (not editable)", "DRUMS 1 (editable)",
                                                          "DRUMS 2 (editable)"};

constexpr int kPartCount = 16;
constexpr int kGsRhythmPart = 10; // owns block 0 of the GS part area
constexpr int kGsPartArea = 0x10;
constexpr int kGsSecondPartArea = 0x20;

bool isNumber(int number) { return number >= 0 && number < 128; }

std::size_t index(int value) { return static_cast<std::size_t>(value); }

// "-64" subtracts 64 for display; "-0" leaves the value as it is.
std::string offsetText(int offset)
{
    return offset <= 0 ? "-" + std::to_string(-offset) : "+" + std::to_string(offset);
}

// The shortest text that reads back as the same factor: "1", "100", "0.01220703125".
std::string factorText(double factor)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, factor);
    return std::string(buffer, result.ptr);
}

void appendField(std::string& text, std::string_view field)
{
    text += field;
    text += '\\';
}

} // namespace

int slotCount(ParamKind kind) { return kSlotCounts[index(static_cast<int>(kind))]; }

std::string_view rpnDataKindText(RpnDataKind kind)
{
    switch (kind) {
    case RpnDataKind::MsbOnly:
        return "MSBONLY";
    case RpnDataKind::MsbLsb:
        return "MSBLSB";
    case RpnDataKind::Nothing:
        return "NOTHING";
    }
    return {};
}

MidiModeDefinition::MidiModeDefinition(int mode) : mode_(mode)
{
    for (KindTable& kindTable : kinds_)
        kindTable.numberOfSlot.fill(-1);
    buildControllers();
    buildNrpns();
    buildDrumNrpns();
    buildRpns();
}

void MidiModeDefinition::buildControllers()
{
    KindTable& controllers = table(ParamKind::Controller);
    for (int number = 0; number < 128; ++number) {
        const tables::ControllerName& name = tables::kControllerNames[index(number)];
        ParamRow& row = controllers.rows[index(number)];
        row.longName = name.longName;
        row.shortName = name.shortName;
    }
    for (int slot = 0; slot < kControllerSlotCount; ++slot) {
        const tables::ControllerSlot& info = tables::kControllerSlots[index(slot)];
        ParamRow& row = controllers.rows[index(info.controller)];
        row.defaultValue = info.defaultValue;
        row.displayOffset = info.displayOffset;
        row.command = info.command;
        std::string_view ownName;
        std::string_view ownShortName;
        if (mode_ == MidiMode::XG) {
            ownName = info.xgName;
            ownShortName = info.xgShortName;
        } else if (mode_ == MidiMode::GM2) {
            ownName = info.gm2Name;
            ownShortName = info.gm2ShortName;
        }
        if (!ownName.empty())
            row.longName = ownName;
        if (!ownShortName.empty())
            row.shortName = ownShortName;
        if (tables::tracks(info.modes, mode_)) {
            row.slot = slot;
            controllers.numberOfSlot[index(slot)] = info.controller;
        }
    }
}

namespace {
// GS and XG each have their own rows; GM and GM2 have none.
template <std::size_t N>
void buildNrpnKind(int mode, std::array<ParamRow, 128>& rows, std::array<int, kControllerSlotCount>& numberOfSlot,
                   const std::array<tables::NrpnSlot, N>& slots)
{
    for (int slot = 0; slot < static_cast<int>(N); ++slot) {
        const tables::NrpnSlot& info = slots[index(slot)];
        const std::string_view name = mode == MidiMode::GS   ? info.gsName
                                      : mode == MidiMode::XG ? info.xgName
                                                             : std::string_view{};
        if (name.empty())
            continue;
        ParamRow& row = rows[index(info.number)];
        row.slot = slot;
        row.longName = name;
        row.shortName = info.shortName;
        row.defaultValue = info.defaultValue;
        row.displayOffset = info.displayOffset;
        row.command = info.lock;
        numberOfSlot[index(slot)] = info.number;
    }
}
} // namespace

void MidiModeDefinition::buildNrpns()
{
    KindTable& nrpns = table(ParamKind::Nrpn);
    buildNrpnKind(mode_, nrpns.rows, nrpns.numberOfSlot, tables::kNrpnSlots);
}

void MidiModeDefinition::buildDrumNrpns()
{
    KindTable& drumNrpns = table(ParamKind::DrumNrpn);
    buildNrpnKind(mode_, drumNrpns.rows, drumNrpns.numberOfSlot, tables::kDrumNrpnSlots);
}

void MidiModeDefinition::buildRpns()
{
    KindTable& rpns = table(ParamKind::Rpn);
    for (const tables::RpnRowData& data : tables::kRpnRows) {
        ParamRow& row = rpns.rows[index(data.number)];
        row.slot = data.slot;
        row.longName = data.longName;
        row.shortName = data.shortName;
        row.defaultValue = data.defaultValue;
        row.displayOffset = data.displayOffset;
        row.command = data.lock;
        row.dataKind = data.dataKind;
        row.displayFactor = data.displayFactor;
        row.unit = data.unit;
        if (row.tracked())
            rpns.numberOfSlot[index(row.slot)] = data.number;
    }
}

std::string_view MidiModeDefinition::name() const { return midiModeName(mode_); }

const ParamRow* MidiModeDefinition::row(ParamKind kind, int number) const
{
    if (!isNumber(number))
        return nullptr;
    const ParamRow& found = table(kind).rows[index(number)];
    return found.exists() ? &found : nullptr;
}

const ParamRow* MidiModeDefinition::rowOfSlot(ParamKind kind, int slot) const
{
    const int number = numberOf(kind, slot);
    return number >= 0 ? &table(kind).rows[index(number)] : nullptr;
}

std::string MidiModeDefinition::rowText(ParamKind kind, int number) const
{
    const ParamRow* found = row(kind, number);
    if (!found)
        return {};
    std::string text;
    appendField(text, found->tracked() ? std::to_string(found->slot) : std::string());
    appendField(text, found->longName);
    appendField(text, found->shortName);
    if (kind == ParamKind::Rpn) {
        appendField(text, rpnDataKindText(found->dataKind));
        if (found->dataKind == RpnDataKind::Nothing) {
            text += "\\\\\\\\"; // no default, factor, offset or unit
        } else {
            appendField(text, std::to_string(found->defaultValue));
            appendField(text, "*" + factorText(found->displayFactor));
            appendField(text, offsetText(found->displayOffset));
            appendField(text, found->unit);
        }
    } else {
        appendField(text, std::to_string(found->defaultValue));
        appendField(text, offsetText(found->displayOffset));
    }
    if (kind != ParamKind::DrumNrpn)
        appendField(text, found->command ? "YES" : "NO");
    return text;
}

int MidiModeDefinition::slotOf(ParamKind kind, int number) const
{
    return isNumber(number) ? table(kind).rows[index(number)].slot : -1;
}

int MidiModeDefinition::numberOf(ParamKind kind, int slot) const
{
    return slot >= 0 && slot < slotCount(kind) ? table(kind).numberOfSlot[index(slot)] : -1;
}

int MidiModeDefinition::defaultOf(ParamKind kind, int slot) const
{
    const ParamRow* found = rowOfSlot(kind, slot);
    return found ? found->defaultValue : tables::kEmptySlotDefault[index(static_cast<int>(kind))];
}

int MidiModeDefinition::displayOffsetOf(ParamKind kind, int slot) const
{
    const ParamRow* found = rowOfSlot(kind, slot);
    return found ? found->displayOffset : 0;
}

double MidiModeDefinition::displayValue(ParamKind kind, int slot, int value) const
{
    const ParamRow* found = rowOfSlot(kind, slot);
    return found ? value * found->displayFactor + found->displayOffset : value;
}

const ParamRow* MidiModeDefinition::describingRow(ParamKind kind, int slot) const
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const MidiModeDefinition& user = midiModeDefinition(mode);
        const int number = user.numberOf(kind, slot);
        if (number < 0)
            continue;
        const ParamRow& own = table(kind).rows[index(number)];
        return own.exists() ? &own : &user.table(kind).rows[index(number)];
    }
    return nullptr;
}

std::string_view MidiModeDefinition::longName(ParamKind kind, int slot) const
{
    const ParamRow* found = describingRow(kind, slot);
    return found ? found->longName : std::string_view{};
}

std::string_view MidiModeDefinition::shortName(ParamKind kind, int slot) const
{
    const ParamRow* found = describingRow(kind, slot);
    return found ? found->shortName : std::string_view{};
}

bool MidiModeDefinition::isCommand(ParamKind kind, int slot) const
{
    const ParamRow* found = describingRow(kind, slot);
    return found && found->command;
}

bool MidiModeDefinition::isControllerSlot(int slot, int controllerNumber) const
{
    return isNumber(controllerNumber) && numberForOutput(ParamKind::Controller, slot) == controllerNumber;
}

bool MidiModeDefinition::isModeMessage(int slot) const
{
    return numberForOutput(ParamKind::Controller, slot) >= Cc::OmniOff;
}

int MidiModeDefinition::drumMapCount() const { return kDrumMapCounts[index(mode_)]; }

std::string MidiModeDefinition::drumMapName(int map) const
{
    if (map < 0 || map >= drumMapCount())
        return {};
    switch (mode_) {
    case MidiMode::GS:
        return std::string(kGsDrumMapNames[index(map)]);
    case MidiMode::XG:
        return std::string(kXgDrumMapNames[index(map)]);
    default:
        return "PSEUDO-MAP " + std::to_string(map + 1);
    }
}

bool MidiModeDefinition::isDrumMapEditable(int map) const
{
    if (map < 0 || map >= drumMapCount())
        return false;
    return mode_ == MidiMode::GS || (mode_ == MidiMode::XG && map > 0);
}

bool MidiModeDefinition::isRhythmValue(int rhythmValue) const
{
    switch (mode_) {
    case MidiMode::GS:
        return rhythmValue > 0;
    case MidiMode::XG:
        return rhythmValue > 1;
    default:
        return false;
    }
}

int MidiModeDefinition::gsPartAddress(int part, bool secondArea)
{
    if (part < 1 || part > kPartCount)
        return -1;
    const int block = part == kGsRhythmPart ? 0 : part < kGsRhythmPart ? part : part - 1;
    return block + (secondArea ? kGsSecondPartArea : kGsPartArea);
}

int MidiModeDefinition::gsPartOfBlock(int block)
{
    if (block < 0 || block >= kPartCount)
        return -1;
    return block == 0 ? kGsRhythmPart : block < kGsRhythmPart ? block : block + 1;
}

int MidiModeDefinition::xgPartAddress(int part) { return part >= 1 && part <= kPartCount ? part - 1 : -1; }

bool MidiModeDefinition::isKeyBasedCapable(int slot) const
{
    if (mode_ != MidiMode::GM2)
        return false;
    const ParamRow* found = rowOfSlot(ParamKind::Controller, slot);
    if (!found)
        return false;
    const int number = numberOf(ParamKind::Controller, slot);
    if (number == Cc::AllSoundsOff || number == Cc::ResetAllControllers)
        return true;
    return !found->command && number != Cc::BankMsb && number != Cc::BankLsb;
}

int MidiModeDefinition::keyBasedSlotOf(int controllerNumber) const
{
    const int slot = slotOf(ParamKind::Controller, controllerNumber);
    return slot >= 0 && isKeyBasedCapable(slot) ? slot : -1;
}

int MidiModeDefinition::keyBasedDefault(int slot, int key, int drumProgram)
{
    constexpr int kBassDrum2 = 35;
    constexpr int kBassDrum1 = 36;
    switch (numberForOutput(ParamKind::Controller, slot)) {
    case Cc::Pan:
        return drumKitPan(drumProgram, key);
    case Cc::Reverb:
        return key == kBassDrum2 || key == kBassDrum1 ? 0 : 127;
    case Cc::Chorus:
        return 0;
    default:
        return 64;
    }
}

std::string_view MidiModeDefinition::drumKitName(int program) const { return velisto::drumKitName(mode_, program); }

std::string_view MidiModeDefinition::drumName(int key, int drumProgram) const
{
    return velisto::drumName(mode_, key, drumProgram);
}

const MidiModeDefinition& midiModeDefinition(int mode)
{
    static const std::array<MidiModeDefinition, MidiMode::Count> definitions{
        MidiModeDefinition(MidiMode::GM), MidiModeDefinition(MidiMode::GS), MidiModeDefinition(MidiMode::XG),
        MidiModeDefinition(MidiMode::GM2)};
    assert(mode >= 0 && mode < MidiMode::Count);
    return definitions[index(mode >= 0 && mode < MidiMode::Count ? mode : MidiMode::GM)];
}

std::string_view midiModeName(int mode)
{
    return mode >= 0 && mode < MidiMode::Count ? kModeNames[index(mode)] : std::string_view{};
}

int slotForSong(ParamKind kind, int number)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const int slot = midiModeDefinition(mode).slotOf(kind, number);
        if (slot >= 0)
            return slot;
    }
    return -1;
}

int numberForOutput(ParamKind kind, int slot)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const int number = midiModeDefinition(mode).numberOf(kind, slot);
        if (number >= 0)
            return number;
    }
    return -1;
}

std::vector<ValueChoice> parameterChoices(ParamKind kind)
{
    // Any definition names every slot some standard tracks.
    const MidiModeDefinition& definition = midiModeDefinition(MidiMode::GM);
    std::vector<ValueChoice> choices;
    for (int slot = 0; slot < slotCount(kind); ++slot) {
        const std::string_view name = definition.longName(kind, slot);
        choices.push_back({slot, name.empty() ? std::to_string(slot) : std::string(name)});
    }
    return choices;
}

} // namespace velisto
