#include "app/SettingsDialogModel.h"

#include "core/app/AppTestSupport.h"
#include "core/midi/DeviceTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::ScriptedPrompt;

TEST(SettingsDialogModelTest, PagesOpenOnPlayAndOkChecksRecordFirst)
{
    ASSERT_EQ(settingsPages().size(), 6U);
    EXPECT_EQ(settingsPages().front().comboText, "MIDI play/output");
    EXPECT_EQ(settingsPages()[4].comboText, "MIDI to .wav");
    EXPECT_EQ(settingsPages()[4].key, "midi2wav");
    EXPECT_EQ(settingsCheckOrder().front(), SettingsPage::Record);
    EXPECT_EQ(settingsCheckOrder().back(), SettingsPage::Karaoke);
}

TEST(SettingsDialogModelTest, ChecksFollowTheirBoxesAndARunDisablesWhatItUses)
{
    SettingsDialogValues values = SettingsDialogValues::of(Settings{});
    values.general.determine = true;
    values.general.routeyn = false;
    values.metronom.yn = true;
    SettingsEnabling enabling = settingsEnabling(values, false);
    EXPECT_TRUE(enabling.delayField);
    EXPECT_FALSE(enabling.splitControls);
    EXPECT_TRUE(enabling.metronomeKey);
    EXPECT_TRUE(enabling.mappingEditing);

    values.general.determine = false;
    values.general.routeyn = true;
    values.metronom.yn = false;
    enabling = settingsEnabling(values, false);
    EXPECT_FALSE(enabling.delayField);
    EXPECT_TRUE(enabling.splitControls);
    EXPECT_FALSE(enabling.metronomeKey);
    EXPECT_TRUE(enabling.playPage && enabling.recordPage && enabling.pianoRoll && enabling.loadOptions);

    values.general.determine = true;
    values.metronom.yn = true;
    enabling = settingsEnabling(values, true);
    EXPECT_EQ(enabling, (SettingsEnabling{false, false, false, false, false, false, false, false}));
}

TEST(SettingsDialogModelTest, TypedNumbersMustLieInTheirRange)
{
    ScriptedPrompt prompt;
    EXPECT_EQ(readSettingsField("200", SettingsField::DetSendDelay, prompt), 200);
    EXPECT_EQ(readSettingsField(" 7 ", SettingsField::DetSendDelay, prompt), 7);
    EXPECT_EQ(readSettingsField("-11", SettingsField::ShiftFrontOct, prompt), -11);
    EXPECT_EQ(readSettingsField("+3", SettingsField::ShiftBeyondOct, prompt), 3);
    EXPECT_EQ(readSettingsField("256", SettingsField::SongTextTrack, prompt), 256);
    EXPECT_TRUE(prompt.messages.empty());

    EXPECT_EQ(readSettingsField("201", SettingsField::DetSendDelay, prompt), std::nullopt);
    EXPECT_EQ(readSettingsField("-12", SettingsField::ShiftFrontOct, prompt), std::nullopt);
    EXPECT_EQ(readSettingsField("0", SettingsField::MeasuresPerRow, prompt), std::nullopt);
    EXPECT_EQ(readSettingsField("", SettingsField::SongTextTrack, prompt), std::nullopt);
    EXPECT_EQ(readSettingsField("12a", SettingsField::SongTextTrack, prompt), std::nullopt);
    ASSERT_EQ(prompt.messages.size(), 5U);
    EXPECT_EQ(prompt.messages[0].text, "Please enter a value between 0 and 200");
    EXPECT_EQ(prompt.messages[1].text, "Please enter a value between -11 and 11");
    EXPECT_EQ(prompt.messages[2].text, "Please enter a value between 1 and 32");
    EXPECT_EQ(prompt.messages[4].text, "Please enter a value between 1 and 256");
}

class SettingsApplyTest : public ::testing::Test, protected test::InputRig {
protected:
    void SetUp() override
    {
        settings.midiInput.devicenr = 0;
        ASSERT_EQ(connection.open(ports, 0, router), MidiOpenError::None);
    }
    std::optional<SettingsPage> apply(const SettingsDialogValues& values)
    {
        return applySettingsDialog(values, settings, {ports, connection, router}, prompt);
    }

    Settings settings;
    ScriptedPrompt prompt;
};

TEST_F(SettingsApplyTest, OkStoresEveryPageAndRoutesTheInputAnew)
{
    SettingsDialogValues values = SettingsDialogValues::of(settings);
    values.general.routeyn = true;
    values.general.splitkey = 48;
    values.general.detsenddelay = 20;
    values.pianoRoll.finegrid32 = true;
    values.taskpriority = 2;
    values.karaoke.songtexttrack = 4;
    values.mixer.setauto = true;
    values.deviceNameMap.acceptName(0, "SC-88", prompt);
    values.deviceNameMap.setPortName(0, "Synth");
    values.deviceNameMap.acceptName(1, "no device yet", prompt);
    values.inputPort = 1;

    EXPECT_EQ(apply(values), std::nullopt);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(settings.general.routeyn);
    EXPECT_EQ(settings.general.detsenddelay, 20);
    EXPECT_TRUE(settings.pianoRoll.finegrid32);
    EXPECT_EQ(settings.midi2wav.taskpriority, 2);
    EXPECT_EQ(settings.karaoke.songtexttrack, 4);
    EXPECT_TRUE(settings.mixer.setauto);
    EXPECT_EQ(settings.deviceNameMap, (std::vector<DeviceNameMapEntry>{{"SC-88", "Synth"}}));
    EXPECT_EQ(settings.midiInput.devicenr, 1);
    EXPECT_EQ(connection.portNumber(), 1);
    EXPECT_FALSE(ports.isInputOpen(0));
    EXPECT_EQ(router.routing(), InputRouting::of(settings.general));
    EXPECT_EQ(router.routing().splitkey, 48);

    // The last entry of the port list: no input port.
    values.inputPort = 2;
    EXPECT_EQ(apply(values), std::nullopt);
    EXPECT_EQ(settings.midiInput.devicenr, 2);
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(SettingsApplyTest, TheFirstFailingPageInCheckOrderStaysAndNothingIsStored)
{
    const Settings before = settings;
    SettingsDialogValues values = SettingsDialogValues::of(settings);
    values.karaoke.karaoketakteprozeile = 40;
    values.general.shiftfrontoct = 12;
    values.pianoRoll.finegrid32 = true;
    EXPECT_EQ(apply(values), SettingsPage::Record);
    values.general.shiftfrontoct = 0;
    EXPECT_EQ(apply(values), SettingsPage::Karaoke);
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[1].text, "Please enter a value between 1 and 32");
    EXPECT_EQ(settings, before);
}

TEST_F(SettingsApplyTest, ANewPortThatDoesNotOpenKeepsTheDialogAndTheOldPort)
{
    ports.setInputOpenFailure(1, MidiOpenError::AlreadyAllocated);
    SettingsDialogValues values = SettingsDialogValues::of(settings);
    values.inputPort = 1;
    values.taskpriority = 0;
    EXPECT_EQ(apply(values), SettingsPage::Record);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "Can't open MIDI input device.\nThe specified resource is already allocated.\n"
                                       "Check your system's MIDI settings.");
    EXPECT_EQ(settings.midiInput.devicenr, 0);
    EXPECT_EQ(settings.midi2wav.taskpriority, 1);
    EXPECT_EQ(connection.portNumber(), 0);

    // Keeping the open port needs no test (it could not be opened twice).
    values.inputPort = 0;
    EXPECT_EQ(apply(values), std::nullopt);
    EXPECT_EQ(connection.portNumber(), 0);
}

} // namespace
} // namespace velisto
