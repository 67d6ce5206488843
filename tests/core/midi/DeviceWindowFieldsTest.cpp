#include "midi/DeviceWindowFields.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiModeDefinition.h"
#include "playback/OutputMonitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kGsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const Bytes kXgSystemOn{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
// XG variation type (02 01 40) MSB/LSB.
Bytes xgVariationType(int msb, int lsb)
{
    return {0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, static_cast<std::uint8_t>(msb), static_cast<std::uint8_t>(lsb),
            0xF7};
}
// XG part (08 pp 04) receive channel.
Bytes xgPartChannel(int part, int value)
{
    return {0x43, 0x10, 0x4C, 0x08, static_cast<std::uint8_t>(part - 1), 0x04, static_cast<std::uint8_t>(value),
            0xF7};
}

class DeviceWindowFieldsTest : public ::testing::Test {
protected:
    OutputDevice& openPort(int mode, bool gs, bool xg, bool gm2)
    {
        DeviceParameters parameters = DeviceParameters::of(table.device(2));
        parameters.powerOnMode = mode;
        parameters.gsSupported = gs;
        parameters.xgSupported = xg;
        parameters.gm2Supported = gm2;
        if (xg && !gs)
            parameters.nonUniversalSysexId = "0";
        EXPECT_EQ(table.applyParameters(2, parameters), "");
        EXPECT_EQ(table.open(2), "");
        return table.device(2);
    }
    std::string value(std::string_view key, const OutputDevice& device)
    {
        return deviceWindowField(key, device, DeviceWindowState::of(device)).value;
    }

    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    OutputMonitor monitor;
    EventOutput output{monitor, [](std::chrono::milliseconds) {}};
};

TEST_F(DeviceWindowFieldsTest, GsResetShowsPartsAndChannelsWithTheRhythmPartHighlighted)
{
    OutputDevice& device = openPort(MidiMode::GM, true, false, false);
    device.isDefault = true;
    EXPECT_EQ(value(DeviceField::DeviceMode, device), "[GM]");
    output.sendSysex(device, kGsReset);

    const DeviceWindowState state = DeviceWindowState::of(device);
    const DeviceWindowParts parts = deviceWindowParts(state);
    EXPECT_EQ(parts.caption, "Part/MIDI channel assignment");
    ASSERT_EQ(parts.rows.size(), 2u);
    EXPECT_EQ(DeviceWindowParts::line(parts.rows[0]), "Part  1 2 3 4 5 6 7 8 910111213141516");
    EXPECT_EQ(DeviceWindowParts::line(parts.rows[1]), "Cha. 1 2 3 4 5 6 7 8 910111213141516");
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(parts.highlighted[static_cast<std::size_t>(i)], i == 9) << "part " << i + 1;

    EXPECT_EQ(value(DeviceField::DeviceName, device), "Synth");
    EXPECT_EQ(value(DeviceField::IsDefault, device), "yes");
    EXPECT_EQ(value(DeviceField::DeviceMode, device), "[GS]");
    EXPECT_EQ(value(DeviceField::SupportedStandards, device), "[GM][GS]");
    EXPECT_EQ(value(DeviceField::TrackMode, device), "[GM]");
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "-- no XG --");
    const DeviceWindowField label = deviceWindowField(DeviceField::TrackMode, device, state);
    EXPECT_EQ(label.label[0], "MIDI Standard");
    EXPECT_EQ(label.label[1], "used by Trackevents:");
}

TEST_F(DeviceWindowFieldsTest, GmShowsRhythmChannelsAndNoXg)
{
    OutputDevice& device = openPort(MidiMode::GM, false, false, false);
    const DeviceWindowParts parts = deviceWindowParts(DeviceWindowState::of(device));
    EXPECT_EQ(parts.caption, "Rythm channels");
    ASSERT_EQ(parts.rows.size(), 1u);
    EXPECT_EQ(DeviceWindowParts::line(parts.rows[0]), "Cha.  1 2 3 4 5 6 7 8 910111213141516");
    EXPECT_TRUE(parts.highlighted[9]);
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "-- no XG --");
    EXPECT_EQ(value(DeviceField::IsDefault, device), "no");
    EXPECT_EQ(value(DeviceField::SupportedStandards, device), "[GM]");
}

TEST_F(DeviceWindowFieldsTest, Gm2RhythmColumnsFollowBankSelect)
{
    OutputDevice& device = openPort(MidiMode::GM2, false, false, true);
    EXPECT_EQ(value(DeviceField::SupportedStandards, device), "[GM][GM2]");
    DeviceWindowParts parts = deviceWindowParts(DeviceWindowState::of(device));
    EXPECT_EQ(parts.caption, "Rythm channels");
    EXPECT_TRUE(parts.highlighted[9]);
    EXPECT_FALSE(parts.highlighted[3]);

    // Bank MSB 120 and a program change make channel 4 a rhythm channel; 121 takes it back.
    const int bankMsb = slotForSong(ParamKind::Controller, 0);
    output.sendEvent(device, 0xB3, static_cast<std::uint8_t>(bankMsb), 120, 0);
    output.sendEvent(device, 0xC3, 0, 0, 0);
    parts = deviceWindowParts(DeviceWindowState::of(device));
    EXPECT_TRUE(parts.highlighted[3]);
    output.sendEvent(device, 0xB3, static_cast<std::uint8_t>(bankMsb), 121, 0);
    output.sendEvent(device, 0xC3, 0, 0, 0);
    EXPECT_FALSE(deviceWindowParts(DeviceWindowState::of(device)).highlighted[3]);
}

TEST_F(DeviceWindowFieldsTest, XgPartWithChannelOffAndTheVariationGroup)
{
    OutputDevice& device = openPort(MidiMode::XG, false, true, false);
    // Opened in XG: no variation type received yet, so the reset's Delay L,C,R.
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "DELAY L,C,R");

    output.sendSysex(device, xgPartChannel(3, 0x7F));
    const DeviceWindowParts parts = deviceWindowParts(DeviceWindowState::of(device));
    EXPECT_EQ(DeviceWindowParts::line(parts.rows[1]), "Cha. 1 2 - 4 5 6 7 8 910111213141516");
    EXPECT_TRUE(parts.highlighted[9]);

    output.sendSysex(device, xgVariationType(0x41, 0x01));
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "CHORUS,CELESTE");
    output.sendSysex(device, xgVariationType(0x40, 0x00));
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "Var. OFF or THRU");
    output.sendSysex(device, kXgSystemOn);
    EXPECT_EQ(value(DeviceField::LastXgVariationGroup, device), "DELAY L,C,R");
    EXPECT_EQ(DeviceWindowParts::line(deviceWindowParts(DeviceWindowState::of(device)).rows[1]),
              "Cha. 1 2 3 4 5 6 7 8 910111213141516")
        << "the reset gives part 3 its channel again";
}

TEST(DeviceWindowFieldsElision, CutsAtTheLastFittingCharacter)
{
    // One pixel per byte keeps the arithmetic visible.
    const auto measure = [](std::string_view text) { return static_cast<int>(text.size()); };
    EXPECT_EQ(elideWithDots("Synth", 5, measure), "Synth") << "exact fit";
    EXPECT_EQ(elideWithDots("Synth", 4, measure), "S...") << "one pixel over";
    EXPECT_EQ(elideWithDots("Synthesizer", 10, measure), "Synthes...");
    EXPECT_EQ(elideWithDots("Synth", 3, measure), "...");
    EXPECT_EQ(elideWithDots("Synth", 2, measure), "");
    EXPECT_EQ(elideWithDots("", 0, measure), "");

    // A cut never splits a character: "ä" is two bytes.
    EXPECT_EQ(elideWithDots("aäbcd", 5, measure), "a...");
    EXPECT_EQ(elideWithDots("aäbcde", 6, measure), "aä...");
}

TEST(DeviceWindowFieldsStatus, BusyOrCountingShowsTheSamplerElseTheRestingLine)
{
    EXPECT_EQ(generatorRestingStatus(""), "no .igr-map in memory");
    EXPECT_EQ(generatorRestingStatus("/home/u/igr/Demo Set.igr"), "Loaded instrument group file (.igr): Demo Set.igr");

    const GeneratorStatusLine error = generatorStatusLine("No free voices   ", true, false, 3, "/a/demo.igr");
    EXPECT_EQ(error.text, "No free voices");
    EXPECT_TRUE(error.error);
    const GeneratorStatusLine busy = generatorStatusLine("Loading", false, true, 0, "");
    EXPECT_EQ(busy.text, "Loading");
    EXPECT_TRUE(busy.busy);
    const GeneratorStatusLine resting = generatorStatusLine("No free voices", true, false, 0, "/a/demo.igr");
    EXPECT_EQ(resting.text, "Loaded instrument group file (.igr): demo.igr");
    EXPECT_FALSE(resting.error);
}

} // namespace
} // namespace velisto
