#include "midi/SysexCatalogue.h"

#include "midi/GsParameterMap.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"
#include "midi/SysexEdit.h"
#include "midi/UniversalSysex.h"
#include "midi/XgParameterMap.h"
#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {

namespace {

constexpr std::uint8_t kDefaultUniversalId = 0x7F;
constexpr std::uint8_t kDefaultGsId = 0x10;
constexpr int kCataloguePart = 1;
constexpr std::uint8_t kCatalogueDrumKey = 36;
constexpr int kKeyBasedChannel = 9; // the rhythm channel 10
constexpr int kKeyBasedKey = 36;

struct Ids {
    std::uint8_t universal = kDefaultUniversalId;
    std::uint8_t gs = kDefaultGsId;
    std::uint8_t xg = 0x10; // parameter change, device number 0
};

std::optional<std::uint8_t> idOf(std::string_view text)
{
    if (text.size() == 1)
        return hexParse("0" + std::string(text));
    return hexParse(text);
}

Ids idsOf(const OutputDevice* device)
{
    Ids ids;
    if (!device)
        return ids;
    if (const auto universal = idOf(device->universalSysexId); universal && *universal <= 0x7F)
        ids.universal = *universal;
    if (const auto nonUniversal = idOf(device->nonUniversalSysexId); nonUniversal && *nonUniversal <= 0x7F) {
        ids.gs = *nonUniversal;
        ids.xg = static_cast<std::uint8_t>(0x10 | (*nonUniversal & 0x0F));
    }
    return ids;
}

std::vector<SlotPathDefinition> slotPathsOf(const OutputDevice* device)
{
    const std::vector<std::string> texts =
        device && !device->slotPaths.empty() ? device->slotPaths : defaultSlotPaths();
    std::vector<SlotPathDefinition> definitions;
    for (const std::string& text : texts)
        if (std::optional<SlotPathDefinition> definition = SlotPathDefinition::parse(text).definition)
            definitions.push_back(std::move(*definition));
    return definitions;
}

int widthMaximum(int width)
{
    int maximum = 0;
    for (int i = 0; i < width; ++i)
        maximum = maximum * 128 + 127;
    return maximum;
}

void addUniversal(std::vector<SysexCatalogueEntry>& entries, const Ids& ids, const OutputDevice* device)
{
    const SysexParameter& gmMode = gmModeParameter();
    const std::vector<std::string_view> names = sysexChoiceNames(gmMode);
    for (std::size_t i = 0; i < names.size(); ++i)
        entries.push_back({kCatalogueUniversal, std::string(gmMode.name), std::string(names[i]),
                           gmModeMessage(ids.universal, sysexChoiceValue(gmMode, static_cast<int>(i)))});

    for (const SlotPathDefinition& definition : slotPathsOf(device)) {
        for (const SlotPathParameter& parameter : definition.parameters) {
            const int value = parameter.kind == SlotPathParameter::Kind::TypeList && !parameter.types.empty()
                                  ? parameter.types.front().value
                                  : std::min(64, widthMaximum(definition.valueWidth));
            const GpcGroup group{parameter.id, value};
            entries.push_back(
                {kCatalogueUniversal, "Global parameter control", definition.name + ": " + parameter.name,
                 globalParameterControlMessage(ids.universal, definition.slotPath, definition.parameterIdWidth,
                                               definition.valueWidth, std::span(&group, 1))});
        }
    }

    for (const std::uint8_t subId2 : {std::uint8_t{0x01}, std::uint8_t{0x03}, std::uint8_t{0x04}}) {
        const SysexParameter& parameter = *deviceControlParameter(subId2);
        std::vector<std::uint8_t> message = {0x7F, ids.universal, 0x04, subId2};
        const std::vector<std::uint8_t> data = sysexDataBytes(parameter, parameter.defaultValue);
        message.insert(message.end(), data.begin(), data.end());
        message.push_back(0xF7);
        entries.push_back({kCatalogueUniversal, "Device control", std::string(parameter.name), std::move(message)});
    }

    const MidiModeDefinition& gm2 = midiModeDefinition(MidiMode::GM2);
    for (int controller = 0; controller < 128; ++controller) {
        const int slot = gm2.keyBasedSlotOf(controller);
        if (slot < 0)
            continue;
        const KeyBasedPair pair{controller, MidiModeDefinition::keyBasedDefault(slot, kKeyBasedKey, 0)};
        entries.push_back(
            {kCatalogueUniversal, "Key-based instr. controller", keyBasedControllerName(controller),
             keyBasedControllerMessage(ids.universal, kKeyBasedChannel, kKeyBasedKey, std::span(&pair, 1))});
    }
}

std::vector<std::uint8_t> gsMessage(const Ids& ids, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3,
                                    const SysexParameter& parameter)
{
    std::vector<std::uint8_t> message = {0x41, ids.gs, 0x42, 0x12, a1, a2, a3};
    const std::vector<std::uint8_t> data = sysexDataBytes(parameter, parameter.defaultValue);
    message.insert(message.end(), data.begin(), data.end());
    message.push_back(0x00);
    message.push_back(0xF7);
    writeGsChecksum(message);
    return message;
}

void addGsRows(std::vector<SysexCatalogueEntry>& entries, const Ids& ids, std::string_view area,
               std::span<const GsMapRow> rows, std::uint8_t a1, std::uint8_t a2)
{
    for (const GsMapRow& row : rows)
        entries.push_back({kCatalogueGs, std::string(area), std::string(row.parameter.name),
                           gsMessage(ids, a1, a2, row.address, row.parameter)});
}

void addGs(std::vector<SysexCatalogueEntry>& entries, const Ids& ids)
{
    const auto partBlock = static_cast<std::uint8_t>(MidiModeDefinition::gsPartAddress(kCataloguePart, false));
    const auto controllerBlock = static_cast<std::uint8_t>(MidiModeDefinition::gsPartAddress(kCataloguePart, true));
    addGsRows(entries, ids, "System", gsSystemRows(), 0x40, 0x00);
    addGsRows(entries, ids, "Effects", gsEffectRows(), 0x40, 0x01);
    addGsRows(entries, ids, "Equalizer", gsEqualizerRows(), 0x40, 0x02);
    addGsRows(entries, ids, "Insertion effect", gsInsertionEffectRows(), 0x40, 0x03);
    addGsRows(entries, ids, "Part parameters", gsPartRows(), 0x40, partBlock);
    addGsRows(entries, ids, "Part tone map and routing", gsPartToneMapRows(), 0x40,
              static_cast<std::uint8_t>(0x40 | (partBlock & 0x0F)));
    for (const GsControllerSource& source : gsControllerSources()) {
        for (const GsMapRow& destination : gsControllerDestinations()) {
            const SysexParameter& parameter = gsControllerParameter(source, destination);
            entries.push_back({kCatalogueGs, "Part controller settings",
                               std::string(source.prefix) + std::string(parameter.name),
                               gsMessage(ids, 0x40, controllerBlock,
                                         static_cast<std::uint8_t>(source.address | destination.address), parameter)});
        }
    }
    for (const GsMapRow& row : gsDrumRows()) {
        SysexParameter parameter = row.parameter;
        if (row.address == 0x1) // play pitch: the key itself sounds unchanged
            parameter.defaultValue = kCatalogueDrumKey;
        entries.push_back({kCatalogueGs, "Drum setup", std::string(row.parameter.name),
                           gsMessage(ids, 0x41, row.address, kCatalogueDrumKey, parameter)});
    }
}

void addXg(std::vector<SysexCatalogueEntry>& entries, const Ids& ids)
{
    for (const XgCatalogueEntry& entry : xgCatalogue()) {
        const auto& [a1, a2, a3] = entry.address;
        // The row itself knows how its value travels (nibbles, MSB/LSB pairs).
        const XgLookup lookup = xgParameterAt(a1, a2, a3, -1);
        std::vector<std::uint8_t> message = {0x43, ids.xg, 0x4C, a1, a2, a3};
        std::vector<std::uint8_t> data;
        if (lookup.parameter && lookup.parameter->dataBytes == entry.dataBytes)
            data = sysexDataBytes(*lookup.parameter, entry.defaultValue);
        else
            data = sysexDataBytes(SysexParameter{.dataBytes = entry.dataBytes}, entry.defaultValue);
        message.insert(message.end(), data.begin(), data.end());
        message.push_back(0xF7);
        entries.push_back({kCatalogueXg, std::string(entry.area), std::string(entry.name), std::move(message)});
    }
}

} // namespace

std::vector<std::string_view> sysexCatalogueFamilies() { return {kCatalogueUniversal, kCatalogueGs, kCatalogueXg}; }

std::vector<SysexCatalogueEntry> sysexCatalogue(const OutputDevice* device)
{
    const Ids ids = idsOf(device);
    std::vector<SysexCatalogueEntry> entries;
    addUniversal(entries, ids, device);
    addGs(entries, ids);
    addXg(entries, ids);
    return entries;
}

} // namespace velisto
