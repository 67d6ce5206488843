#include "midi/DeviceParameterEditor.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/LoopbackMidiPortSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

using Texts = std::vector<std::string>;
using Kind = SlotPathParameter::Kind;

class DeviceParameterEditorTest : public ::testing::Test {
protected:
    DeviceParameters fresh(int index) { return DeviceParameters::of(table.device(index)); }

    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
};

TEST_F(DeviceParameterEditorTest, DefaultsOfAFreshPortAndOfTheGeneratorPassOk)
{
    for (const int index : {DeviceTable::kGeneratorIndex, DeviceTable::kFirstPortIndex}) {
        const DeviceParameters stored = fresh(index);
        const DeviceParameterEditor editor(stored, index == DeviceTable::kGeneratorIndex);
        const ParameterAcceptance accepted = editor.accept();
        ASSERT_TRUE(accepted.parameters) << index << ": " << (accepted.messages.empty() ? "" : accepted.messages[0]);
        EXPECT_EQ(*accepted.parameters, stored) << "nothing edited, nothing changed";
        EXPECT_FALSE(accepted.powerOnModeChanged);
    }
}

TEST_F(DeviceParameterEditorTest, OkChecksTheSysexIdsAndReportsAModeChange)
{
    DeviceParameterEditor editor(fresh(2), false);
    editor.setUniversalSysexId("80");
    EXPECT_EQ(editor.accept().messages, Texts{"Universal Sysex Device ID : Maximum is 7F (h)"});
    EXPECT_FALSE(editor.accept().parameters);
    editor.setUniversalSysexId("7f");
    editor.setNonUniversalSysexId("11");
    EXPECT_EQ(editor.accept().messages, Texts{"Non-Universal Sysex not supported in MIDI mode GM"});
    editor.setXgSupported(true);
    EXPECT_EQ(editor.accept().messages,
              Texts{"Non-Universal Sysex Device ID : Exactly 1 hex character needed in MIDI mode XG"});
    editor.setNonUniversalSysexId("1");
    editor.setPowerOnMode(MidiMode::XG);
    const ParameterAcceptance accepted = editor.accept();
    ASSERT_TRUE(accepted.parameters);
    EXPECT_TRUE(accepted.powerOnModeChanged);
    EXPECT_EQ(accepted.parameters->universalSysexId, "7f");
    EXPECT_EQ(accepted.parameters->nonUniversalSysexId, "1");
    EXPECT_EQ(table.applyParameters(2, *accepted.parameters), "");
    EXPECT_EQ(table.device(2).powerOnMode, MidiMode::XG);
}

TEST_F(DeviceParameterEditorTest, Gm2OffWithSlotPathsAsksAndOnlyYesClears)
{
    DeviceParameterEditor editor(fresh(DeviceTable::kGeneratorIndex), true);
    ASSERT_EQ(editor.slotPaths().size(), 2u);
    ASSERT_EQ(editor.fields().powerOnMode, MidiMode::GM2);

    const RuleOutcome asked = editor.setGm2Supported(false);
    EXPECT_EQ(asked.question, "This will delete all slotpath entries");
    EXPECT_TRUE(editor.fields().gm2Supported) << "No or Cancel keeps GM2";
    EXPECT_EQ(editor.slotPaths().size(), 2u);

    EXPECT_TRUE(editor.setGm2Supported(false, true).question.empty());
    EXPECT_FALSE(editor.fields().gm2Supported);
    EXPECT_FALSE(editor.slotPathsEnabled());
    EXPECT_TRUE(editor.slotPaths().empty());
    EXPECT_EQ(editor.fields().powerOnMode, MidiMode::GM);
    ParameterAcceptance accepted = editor.accept();
    ASSERT_TRUE(accepted.parameters);
    EXPECT_TRUE(accepted.parameters->slotPaths.empty());
    EXPECT_TRUE(accepted.powerOnModeChanged);

    // Back on: the two default slot paths, asked nothing.
    EXPECT_TRUE(editor.setGm2Supported(true).question.empty());
    EXPECT_EQ(editor.accept().parameters->slotPaths, defaultSlotPaths());
}

TEST_F(DeviceParameterEditorTest, WidthChangeWithParametersAsksAndClears)
{
    DeviceParameterEditor editor(fresh(DeviceTable::kGeneratorIndex), true);
    editor.selectSlotPath(1); // Chorus: five parameters
    ASSERT_EQ(editor.currentSlotPath()->parameters.size(), 5u);

    EXPECT_EQ(editor.setParameterIdWidth("5").error, "Please enter a parameter width between 1 and 4");
    RuleOutcome asked = editor.setParameterIdWidth("2");
    EXPECT_EQ(asked.question, "This will delete all defined parameters in this slotpath");
    EXPECT_EQ(editor.currentSlotPath()->parameterIdWidth, 1) << "No keeps the width";
    EXPECT_EQ(editor.currentSlotPath()->parameters.size(), 5u);
    EXPECT_TRUE(editor.setParameterIdWidth("2", true).accepted());
    EXPECT_EQ(editor.currentSlotPath()->parameterIdWidth, 2);
    EXPECT_TRUE(editor.currentSlotPath()->parameters.empty());
    EXPECT_EQ(editor.currentParameter(), nullptr);

    editor.selectSlotPath(0);
    asked = editor.setValueWidth("3");
    EXPECT_EQ(asked.question, "This will delete all defined parametes in this slotpath");
    EXPECT_EQ(editor.currentSlotPath()->parameters.size(), 2u);
    EXPECT_TRUE(editor.setValueWidth("3", true).accepted());
    EXPECT_EQ(editor.currentSlotPath()->valueWidth, 3);
    // Without parameters nothing is asked.
    EXPECT_TRUE(editor.setValueWidth("4").question.empty());
    EXPECT_EQ(editor.currentSlotPath()->valueWidth, 4);
}

TEST_F(DeviceParameterEditorTest, ParametersTypesAndFormulasFollowTheRules)
{
    DeviceParameterEditor editor(fresh(DeviceTable::kGeneratorIndex), true);
    editor.selectSlotPath(1); // Chorus: ids 0..4
    EXPECT_EQ(editor.addParameter(), "");
    EXPECT_EQ(editor.currentParameter()->id, 5) << "the lowest free id";
    EXPECT_EQ(editor.setParameterId("3"), "Parameter ID 3 already exists.");
    EXPECT_EQ(editor.setParameterId("128"),
              "Because Parameter ID width of 1, Parameter Id must be between 0 and 127");
    EXPECT_EQ(editor.currentParameter()->id, 5);
    EXPECT_EQ(editor.setParameterId("127"), "");
    EXPECT_EQ(editor.setParameterName("Rate\\2"), "Don't use \\ (Backslash)");
    EXPECT_EQ(editor.setParameterName("Rate 2"), "");

    EXPECT_EQ(editor.addType("128", "Loud"), "Because Value width of 1, Type must be between 0 and 127");
    EXPECT_EQ(editor.addType("1", "Lo;ud"), "Don't use ; (Semicolon)");
    EXPECT_EQ(editor.addType("1", "Loud"), "");
    EXPECT_EQ(editor.setTypeValue(0, "x"), "Because Value width of 1, Type must be between 0 and 127");
    EXPECT_EQ(editor.setTypeName(0, "Soft"), "");

    editor.setParameterKind(Kind::FreeValue);
    EXPECT_EQ(editor.setUnit("Hz"), "");
    EXPECT_EQ(editor.setFormula("val*val"),
              (Texts{"Use placeholder 'val' exactly one time", "Formula not accepted."}));
    EXPECT_EQ(editor.currentParameter()->formula, "");
    EXPECT_TRUE(editor.setFormula("(val+1)/2").empty());
    EXPECT_EQ(DeviceParameterEditor::checkFormulaText("(val+1)/2"), Texts{"Formula ok."});
    EXPECT_EQ(DeviceParameterEditor::checkFormulaText("(val+1"), (Texts{"Uneven brackets.", "Formula not accepted."}));

    const ParameterAcceptance accepted = editor.accept();
    ASSERT_TRUE(accepted.parameters);
    const SlotPathParse chorus = SlotPathDefinition::parse(accepted.parameters->slotPaths[1]);
    ASSERT_TRUE(chorus.definition) << chorus.error;
    const SlotPathParameter& added = chorus.definition->parameters.back();
    EXPECT_EQ(added.id, 127);
    EXPECT_EQ(added.name, "Rate 2");
    EXPECT_EQ(added.kind, Kind::FreeValue);
    EXPECT_EQ(added.formula, "(val+1)/2");
}

TEST_F(DeviceParameterEditorTest, SlotPathDialogCreatesAndEdits)
{
    DeviceParameters parameters = fresh(2);
    parameters.gm2Supported = true;
    DeviceParameterEditor editor(parameters, false);
    EXPECT_EQ(editor.createSlotPath("", {"0101", "", "", ""}), "Please enter a slotpath name");
    EXPECT_EQ(editor.createSlotPath("Mine", {"", "0102", "", ""}),
              "2. MSB/LSB 2-byte entry: Leading MSB/LSB 2-byte entries may not be empty");
    EXPECT_TRUE(editor.slotPaths().empty());
    EXPECT_EQ(editor.createSlotPath("New slotpath", {"", "", "", ""}), "");
    EXPECT_EQ(editor.editSlotPath("Mine", {"0103", "7F00", "", ""}), "");
    const ParameterAcceptance accepted = editor.accept();
    ASSERT_TRUE(accepted.parameters);
    EXPECT_EQ(accepted.parameters->slotPaths, Texts{"01037F00\\Mine\\1\\1\\"});
    editor.deleteSlotPath();
    EXPECT_TRUE(editor.slotPaths().empty());
    EXPECT_EQ(editor.selectedSlotPath(), -1);
}

TEST_F(DeviceParameterEditorTest, RoutesAndUnreadableTextsSurvive)
{
    DeviceParameters parameters = fresh(DeviceTable::kGeneratorIndex);
    parameters.slotPaths.push_back("broken");
    parameters.generatorEntries.push_back("99\\\\\\x\\");
    DeviceParameterEditor editor(parameters, true);
    ASSERT_EQ(editor.routes().size(), 16u);
    editor.addRoute(9);
    editor.setRouteDrumKey(16, 38);
    editor.setRouteDevice(16, "hw:1", "USB Audio");
    editor.deleteRoute(0);
    const ParameterAcceptance accepted = editor.accept();
    ASSERT_TRUE(accepted.parameters);
    EXPECT_EQ(accepted.parameters->generatorEntries.size(), 17u);
    EXPECT_EQ(accepted.parameters->generatorEntries[15], "9\\38\\hw:1\\USB Audio\\");
    EXPECT_EQ(accepted.parameters->generatorEntries.back(), "99\\\\\\x\\");
    EXPECT_EQ(accepted.parameters->slotPaths.back(), "broken");

    // A port has no routes: its entries pass through untouched.
    const DeviceParameterEditor port(fresh(2), false);
    EXPECT_TRUE(port.routes().empty());
    EXPECT_EQ(port.accept().parameters->generatorEntries, fresh(2).generatorEntries);
}

} // namespace
} // namespace velisto
