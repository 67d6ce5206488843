#include "app/DeviceNameMapEditor.h"

#include "core/midi/DeviceTestSupport.h"
#include "midi/DeviceTable.h"
#include "midi/LoopbackMidiPortSystem.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::ScriptedPrompt;
using Entries = std::vector<DeviceNameMapEntry>;

TEST(DeviceNameMapEditorTest, AnEmptyLastRowIsAlwaysThereForANewPair)
{
    DeviceNameMapEditor editor(Entries{{"SC-88", "USB MIDI 1"}});
    ScriptedPrompt prompt;
    EXPECT_EQ(editor.rows(), (Entries{{"SC-88", "USB MIDI 1"}, {}}));

    EXPECT_TRUE(editor.acceptName(1, "JV-1080", prompt));
    EXPECT_EQ(editor.rowCount(), 3);
    editor.setPortName(1, "Synth:port 0");
    editor.setPortName(2, "Synth:port 1"); // a device without a name is kept in the list only
    EXPECT_EQ(editor.rowCount(), 4);
    EXPECT_EQ(editor.entries(), (Entries{{"SC-88", "USB MIDI 1"}, {"JV-1080", "Synth:port 0"}}));

    EXPECT_FALSE(editor.removeRow(3)); // the empty last row
    EXPECT_TRUE(editor.removeRow(0));
    EXPECT_EQ(editor.rows().back(), DeviceNameMapEntry{});
    EXPECT_EQ(editor.entries(), (Entries{{"JV-1080", "Synth:port 0"}}));
    EXPECT_FALSE(editor.removeRow(7));
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(DeviceNameMapEditorTest, BackslashesAndNamesOfOtherRowsAreRefused)
{
    DeviceNameMapEditor editor(Entries{{"SC-88", "USB MIDI 1"}, {"SC-55", "USB MIDI 2"}});
    ScriptedPrompt prompt;

    EXPECT_FALSE(editor.acceptName(1, "SC\\55", prompt));
    EXPECT_FALSE(editor.acceptName(2, "SC-88", prompt));
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[0].text, "Don't use \\ (Backslash)");
    EXPECT_EQ(prompt.messages[1].text, "External device name 'SC-88' already assigned");
    for (const auto& shown : prompt.messages) {
        EXPECT_EQ(shown.title, "Settings");
        EXPECT_EQ(shown.icon, PromptIcon::Error);
    }
    EXPECT_EQ(editor.rows()[1].fileName, "SC-55");
    EXPECT_EQ(editor.rowCount(), 3);

    // A row may keep its own name, and an empty name is accepted (the pair is then not stored).
    EXPECT_TRUE(editor.acceptName(0, "SC-88", prompt));
    EXPECT_TRUE(editor.acceptName(1, "", prompt));
    EXPECT_EQ(editor.entries(), (Entries{{"SC-88", "USB MIDI 1"}}));
    EXPECT_EQ(prompt.messages.size(), 2U);
}

TEST(DeviceNameMapEditorTest, TheDeviceChoicesAreTheGeneratorAndThePorts)
{
    LoopbackMidiPortSystem ports{{"Synth", "USB MIDI 1"}};
    MemoryProfileStore store;
    DeviceTable devices{ports, store};
    const std::vector<std::string> names = mappableDeviceNames(devices);
    ASSERT_EQ(names.size(), 3U);
    EXPECT_EQ(names[0], devices.device(DeviceTable::kGeneratorIndex).name);
    EXPECT_EQ(names[1], "Synth");
    EXPECT_EQ(names[2], "USB MIDI 1");
}

} // namespace
} // namespace velisto
