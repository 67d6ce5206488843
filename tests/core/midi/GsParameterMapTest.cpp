#include "midi/GsParameterMap.h"

#include "midi/MidiModeDefinition.h"
#include "midi/SysexDecoder.h"

#include <gtest/gtest.h>

#include <set>

namespace velisto {
namespace {

std::uint8_t checksumOf(std::initializer_list<std::uint8_t> bytes)
{
    const std::vector<std::uint8_t> v(bytes);
    return gsChecksum(v);
}

TEST(GsParameterMapTest, ChecksumsOfPublishedMessages)
{
    EXPECT_EQ(checksumOf({0x40, 0x00, 0x7F, 0x00}), 0x41);
    EXPECT_EQ(checksumOf({0x40, 0x1A, 0x15, 0x02}), 0x0F);
    EXPECT_EQ(checksumOf({0x40, 0x43, 0x20, 0x00}), 0x5D);
    EXPECT_EQ(checksumOf({0x40, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}), 0x3C);
    EXPECT_EQ(checksumOf({0x00, 0x00}), 0x00) << "a sum that is already a multiple of 128";
}

TEST(GsParameterMapTest, EveryAreaHasUniqueAddressesAndValidDefaults)
{
    for (const auto rows : {gsSystemRows(), gsEffectRows(), gsEqualizerRows(), gsInsertionEffectRows(), gsPartRows(),
                            gsPartToneMapRows(), gsControllerDestinations(), gsDrumRows()}) {
        std::set<int> addresses;
        for (const GsMapRow& row : rows) {
            SCOPED_TRACE(std::string(row.parameter.name));
            EXPECT_TRUE(addresses.insert(row.address).second);
            EXPECT_TRUE(sysexValueValid(row.parameter, row.parameter.defaultValue));
            EXPECT_GE(row.parameter.dataBytes, 1);
            EXPECT_LE(row.parameter.dataBytes, 4);
            if (row.parameter.style == SysexValueStyle::Choice && row.parameter.lastChoiceValue < 0) {
                EXPECT_EQ(static_cast<int>(sysexChoiceNames(row.parameter).size()),
                          row.parameter.maximum - row.parameter.minimum + 1)
                    << "one name per value";
            }
        }
    }
}

TEST(GsParameterMapTest, EveryPartIsReachedInBothPartAreas)
{
    for (int part = 1; part <= 16; ++part) {
        const auto block = static_cast<std::uint8_t>(MidiModeDefinition::gsPartAddress(part, false));
        const GsLookup channel = gsParameterAt(0x40, block, 0x02);
        EXPECT_EQ(channel.partNumber, part);
        EXPECT_EQ(channel.area, GsArea::Part);
        EXPECT_EQ(channel.description, "part " + std::to_string(part) + " midi channel");
        const auto second = static_cast<std::uint8_t>(MidiModeDefinition::gsPartAddress(part, true));
        EXPECT_EQ(gsParameterAt(0x40, second, 0x05).partNumber, part);
        EXPECT_EQ(gsParameterAt(0x40, second, 0x05).area, GsArea::PartController);
    }
}

TEST(GsParameterMapTest, ControllerMatrixNamesSourceAndDestination)
{
    std::set<std::string> names;
    for (const GsControllerSource& source : gsControllerSources())
        for (const GsMapRow& destination : gsControllerDestinations()) {
            const GsLookup lookup =
                gsParameterAt(0x40, 0x21, static_cast<std::uint8_t>(source.address | destination.address));
            ASSERT_NE(lookup.parameter, nullptr);
            names.insert(lookup.description);
        }
    EXPECT_EQ(names.size(), 66u);
    EXPECT_TRUE(names.count("part 1 poly pressure LFO2 TVF depth"));
    EXPECT_TRUE(names.count("part 1 cc1 LFO1 rate control"));
    EXPECT_EQ(gsParameterAt(0x40, 0x21, 0x10).parameter->minimum, 0x40) << "bend range has no negative side";
    EXPECT_EQ(gsParameterAt(0x40, 0x21, 0x00).parameter->minimum, 0x28);
    EXPECT_EQ(gsParameterAt(0x40, 0x21, 0x60).parameter, nullptr) << "no seventh source";
}

TEST(GsParameterMapTest, DrumSetupNamesMapAndKey)
{
    const GsLookup level = gsParameterAt(0x41, 0x12, 60);
    EXPECT_EQ(level.area, GsArea::DrumSetup);
    EXPECT_EQ(level.drumMap, 2);
    EXPECT_EQ(level.drumKey, 60);
    EXPECT_EQ(level.description, "drum map 2's C5 TVA level");
    EXPECT_EQ(gsParameterAt(0x41, 0x08, 0).description, "drum map 1's C0 rx. note on");
    EXPECT_EQ(gsParameterAt(0x41, 0x09, 36).description, "drum map 1's C3 delay send level");
    EXPECT_EQ(gsParameterAt(0x41, 0x10, 0).description, "drum map 2 name");
    EXPECT_EQ(gsParameterAt(0x41, 0x00, 36).parameter, nullptr) << "the name starts at 41 m0 00 only";
    EXPECT_EQ(gsParameterAt(0x41, 0x0A, 36).parameter, nullptr);
    EXPECT_EQ(gsParameterAt(0x42, 0x01, 36).parameter, nullptr);
}

} // namespace
} // namespace velisto
