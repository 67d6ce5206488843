#include "midi/DeviceParameterRules.h"

#include "midi/MidiModeDefinition.h"
#include "midi/SlotPathDefinition.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace velisto {
namespace {

NonUniversalIdContext inMode(int mode) { return {mode, false, false, ""}; }

TEST(DeviceParameterRulesTest, UniversalSysexId)
{
    for (const char* accepted : {"7F", "7f", "00", "10", "0a"})
        EXPECT_EQ(checkUniversalSysexId(accepted), "") << accepted;
    EXPECT_EQ(checkUniversalSysexId("80"), "Universal Sysex Device ID : Maximum is 7F (h)");
    EXPECT_EQ(checkUniversalSysexId("FF"), "Universal Sysex Device ID : Maximum is 7F (h)");
    for (const char* length : {"7", "", "7F0"})
        EXPECT_EQ(checkUniversalSysexId(length), "Universal Sysex Device ID : 2 hex characters needed") << length;
    EXPECT_EQ(checkUniversalSysexId("G1"), "Universal Sysex Device ID : please only use hex chars (G1)");
    EXPECT_EQ(checkUniversalSysexId(" 7"), "Universal Sysex Device ID : please only use hex chars ( 7)");
}

TEST(DeviceParameterRulesTest, NonUniversalSysexIdDependsOnTheMode)
{

    EXPECT_EQ(checkNonUniversalSysexId("7F", inMode(MidiMode::GS)), "");
    EXPECT_EQ(checkNonUniversalSysexId("10", inMode(MidiMode::GS)), "");
    EXPECT_EQ(checkNonUniversalSysexId("80", inMode(MidiMode::GS)), "Non-Universal Sysex Device ID : Maximum is 7F (h)");
    EXPECT_EQ(checkNonUniversalSysexId("1", inMode(MidiMode::GS)),
              "Non-Universal Sysex Device ID : 2 hex characters needed in MIDI mode GS");
    EXPECT_EQ(checkNonUniversalSysexId("1x", inMode(MidiMode::GS)),
              "Non-Universal Sysex Device ID : please only use hex chars (1x)");

    EXPECT_EQ(checkNonUniversalSysexId("0", inMode(MidiMode::XG)), "");
    EXPECT_EQ(checkNonUniversalSysexId("f", inMode(MidiMode::XG)), "") << "a single digit is never above 7F";
    EXPECT_EQ(checkNonUniversalSysexId("10", inMode(MidiMode::XG)),
              "Non-Universal Sysex Device ID : Exactly 1 hex character needed in MIDI mode XG");
    EXPECT_EQ(checkNonUniversalSysexId("", inMode(MidiMode::XG)),
              "Non-Universal Sysex Device ID : Exactly 1 hex character needed in MIDI mode XG");
    EXPECT_EQ(checkNonUniversalSysexId("G", inMode(MidiMode::XG)),
              "Non-Universal Sysex Device ID : please only use hex chars (G)");
}

TEST(DeviceParameterRulesTest, NonUniversalSysexIdInGmFollowsTheSupportedStandard)
{
    // A fresh port: GM, nothing supported, the stored "10" passes; only a change is refused.
    const NonUniversalIdContext port{MidiMode::GM, false, false, "10"};
    EXPECT_EQ(checkNonUniversalSysexId("10", port), "");
    EXPECT_EQ(checkNonUniversalSysexId("11", port), "Non-Universal Sysex not supported in MIDI mode GM");
    EXPECT_EQ(checkNonUniversalSysexId("1", {MidiMode::GM2, false, false, "10"}),
              "Non-Universal Sysex not supported in MIDI mode GM2");

    // The generator: GM2 power-on, GS supported: GS rules.
    const NonUniversalIdContext generator{MidiMode::GM2, true, false, "10"};
    EXPECT_EQ(checkNonUniversalSysexId("10", generator), "");
    EXPECT_EQ(checkNonUniversalSysexId("7f", generator), "");
    EXPECT_EQ(checkNonUniversalSysexId("1", generator),
              "Non-Universal Sysex Device ID : 2 hex characters needed in MIDI mode GS");
    EXPECT_EQ(checkNonUniversalSysexId("80", generator), "Non-Universal Sysex Device ID : Maximum is 7F (h)");

    // GS wins over XG; XG alone gives XG rules.
    EXPECT_EQ(checkNonUniversalSysexId("10", {MidiMode::GM, true, true, "3"}), "");
    EXPECT_EQ(checkNonUniversalSysexId("10", {MidiMode::GM, false, true, "3"}),
              "Non-Universal Sysex Device ID : Exactly 1 hex character needed in MIDI mode XG");
    EXPECT_EQ(checkNonUniversalSysexId("3", {MidiMode::GM, false, true, "10"}), "");
}

TEST(DeviceParameterRulesTest, BackslashAndSemicolon)
{
    EXPECT_EQ(checkNoBackslash("Reverb Time"), "");
    EXPECT_EQ(checkNoBackslash("C:\\x"), "Don't use \\ (Backslash)");
    EXPECT_EQ(checkNoBackslash("\\"), "Don't use \\ (Backslash)");
    EXPECT_EQ(checkTypeName("Large Hall"), "");
    EXPECT_EQ(checkTypeName("Hall;2"), "Don't use ; (Semicolon)");
    EXPECT_EQ(checkTypeName("a\\;"), "Don't use \\ (Backslash)");
}

TEST(DeviceParameterRulesTest, WidthsAcceptOneToFourAndAskBeforeDeletingParameters)
{
    EXPECT_EQ(maxForWidth(1), 127);
    EXPECT_EQ(maxForWidth(2), 16383);
    EXPECT_EQ(maxForWidth(3), 2097151);
    EXPECT_EQ(maxForWidth(4), 268435455);
    EXPECT_EQ(maxForWidth(0), -1);
    EXPECT_EQ(maxForWidth(5), -1);

    for (const char* refused : {"0", "5", "", "x", "-1", "1.5", "99999999999"}) {
        EXPECT_EQ(checkParameterIdWidth(refused, 1, 0).error, "Please enter a parameter width between 1 and 4")
            << refused;
        EXPECT_EQ(checkValueWidth(refused, 1, 0).error, "Please enter a value width between 1 and 4") << refused;
    }

    const RuleOutcome changedWithParameters = checkParameterIdWidth("2", 1, 3);
    EXPECT_TRUE(changedWithParameters.accepted());
    EXPECT_EQ(changedWithParameters.question, "This will delete all defined parameters in this slotpath");
    EXPECT_EQ(checkValueWidth("4", 1, 3).question, "This will delete all defined parametes in this slotpath");

    EXPECT_EQ(checkParameterIdWidth("1", 1, 3).question, "") << "unchanged";
    EXPECT_EQ(checkValueWidth(" 2 ", 2, 3).question, "") << "unchanged, blanks around";
    EXPECT_TRUE(checkParameterIdWidth("3", 1, 0).accepted());
    EXPECT_EQ(checkParameterIdWidth("3", 1, 0).question, "") << "nothing to delete";
}

TEST(DeviceParameterRulesTest, ParameterIdMustFitItsWidthAndBeNew)
{
    const std::vector<int> others = {0, 1, 4};
    EXPECT_EQ(checkParameterId("2", 1, others), "");
    EXPECT_EQ(checkParameterId("127", 1, others), "");
    EXPECT_EQ(checkParameterId("128", 1, others),
              "Because Parameter ID width of 1, Parameter Id must be between 0 and 127");
    EXPECT_EQ(checkParameterId("-1", 1, others),
              "Because Parameter ID width of 1, Parameter Id must be between 0 and 127");
    EXPECT_EQ(checkParameterId("abc", 2, others),
              "Because Parameter ID width of 2, Parameter Id must be between 0 and 16383");
    EXPECT_EQ(checkParameterId("268435455", 4, others), "");
    EXPECT_EQ(checkParameterId("268435456", 4, others),
              "Because Parameter ID width of 4, Parameter Id must be between 0 and 268435455");
    EXPECT_EQ(checkParameterId("4", 1, others), "Parameter ID 4 already exists.");
    EXPECT_EQ(checkParameterId("004", 1, others), "Parameter ID 4 already exists.");
    EXPECT_EQ(checkParameterId("4", 1, {}), "");
}

TEST(DeviceParameterRulesTest, TypeValueMustFitTheValueWidth)
{
    EXPECT_EQ(checkTypeValue("0", 1), "");
    EXPECT_EQ(checkTypeValue("127", 1), "");
    EXPECT_EQ(checkTypeValue("128", 1), "Because Value width of 1, Type must be between 0 and 127");
    EXPECT_EQ(checkTypeValue("16383", 2), "");
    EXPECT_EQ(checkTypeValue("", 3), "Because Value width of 3, Type must be between 0 and 2097151");
}

TEST(DeviceParameterRulesTest, EntryNumbers)
{
    EXPECT_EQ(parseEntryNumber("42"), 42);
    EXPECT_EQ(parseEntryNumber("  42 "), 42);
    EXPECT_EQ(parseEntryNumber("-7"), -7);
    EXPECT_EQ(parseEntryNumber("999999999"), 999999999);
    for (const char* refused : {"", " ", "-", "+1", "4 2", "1e3", "0x10", "1234567890"})
        EXPECT_FALSE(parseEntryNumber(refused).has_value()) << '"' << refused << '"';
}

TEST(DeviceParameterRulesTest, SwitchingGm2Support)
{
    EXPECT_EQ(gm2OffQuestion(0), "");
    EXPECT_EQ(gm2OffQuestion(2), "This will delete all slotpath entries");

    int mode = MidiMode::GM2;
    std::vector<std::string> slotPaths = {"0101\\Mine\\1\\1\\"};
    switchGm2Support(false, mode, slotPaths);
    EXPECT_EQ(mode, MidiMode::GM);
    EXPECT_TRUE(slotPaths.empty());

    mode = MidiMode::XG;
    switchGm2Support(false, mode, slotPaths);
    EXPECT_EQ(mode, MidiMode::XG) << "only a GM2 power-on mode falls back";

    switchGm2Support(true, mode, slotPaths);
    EXPECT_EQ(slotPaths, defaultSlotPaths());
    EXPECT_EQ(mode, MidiMode::XG);

    slotPaths = {"0101\\Mine\\1\\1\\"};
    switchGm2Support(true, mode, slotPaths);
    EXPECT_EQ(slotPaths, std::vector<std::string>{"0101\\Mine\\1\\1\\"}) << "existing definitions are kept";
}

TEST(DeviceParameterRulesTest, SlotPathName)
{
    EXPECT_EQ(checkSlotPathName(""), "Please enter a slotpath name");
    EXPECT_EQ(checkSlotPathName("Reverb"), "");
    EXPECT_EQ(checkSlotPathName("Rev\\erb"), "Don't use \\ (Backslash)");
}

TEST(DeviceParameterRulesTest, SlotPathEntries)
{
    using Entries = std::array<std::string, 4>;
    EXPECT_EQ(checkSlotPathEntries(Entries{}), "") << "a device-wide slot path has none";
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "", "", ""}), "");
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "7f7F", "0000", "1234"}), "");

    EXPECT_EQ(checkSlotPathEntries(Entries{"", "0101", "", ""}),
              "2. MSB/LSB 2-byte entry: Leading MSB/LSB 2-byte entries may not be empty");
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "0102", "", "0103"}),
              "4. MSB/LSB 2-byte entry: Leading MSB/LSB 2-byte entries may not be empty");
    EXPECT_EQ(checkSlotPathEntries(Entries{"01G1", "", "", ""}),
              "1. MSB/LSB 2-byte entry: please only use hex chars (01G1)");
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "G", "", ""}),
              "2. MSB/LSB 2-byte entry: please only use hex chars (G)");
    EXPECT_EQ(checkSlotPathEntries(Entries{"012", "", "", ""}),
              "1. MSB/LSB 2-byte entry: Length must be 4 hex characters, each 2 hex charactes (012)");
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "0101", "01010", ""}),
              "3. MSB/LSB 2-byte entry: Length must be 4 hex characters, each 2 hex charactes (01010)");
    EXPECT_EQ(checkSlotPathEntries(Entries{"8001", "", "", ""}),
              "1. MSB/LSB 2-byte entry: Maximum is 7F (h) for each byte (8001)");
    EXPECT_EQ(checkSlotPathEntries(Entries{"0101", "0180", "", ""}),
              "2. MSB/LSB 2-byte entry: Maximum is 7F (h) for each byte (0180)");
}

} // namespace
} // namespace velisto
