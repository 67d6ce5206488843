#include "app/ExitWrites.h"

#include "app/Settings.h"
#include "core/app/AppTestSupport.h"
#include "core/app/SettingsTestSupport.h"
#include "core/midi/DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velisto {
namespace {

namespace fs = std::filesystem;

class ExitWritesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = test::freshTestFolder("velisto-exit-test-");
        undo_ = std::make_unique<UndoStack>(folder_);
        devices_.restoreOpenDevices(*song_, prompt_);
        // What the previous run stored from its maximised window.
        Settings previous = settings_;
        previous.display.midiblockwidth = 17;
        previous.display.sm_cxscreen = 1280;
        saveDisplayLayout(previous, store_);
        settings_.display.midiblockwidth = 23;
        settings_.display.keyboardwasopeninlastsession = true;
        settings_.display.listeditorwasopeninlastsession = true;
    }
    void TearDown() override
    {
        undo_.reset();
        fs::remove_all(folder_);
    }

    fs::path folder_;
    LoopbackMidiPortSystem ports_{{"Synth"}};
    MemoryProfileStore store_;
    DeviceTable devices_{ports_, store_};
    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    std::unique_ptr<UndoStack> undo_;
    Settings settings_ = test::defaultSettings();
    test::ScriptedPrompt prompt_;
};

TEST_F(ExitWritesTest, AWindowNotMaximisedKeepsTheStoredLayout)
{
    ClosingWindows windows;
    windows.listEditorOpen = false;
    windows.statusBarVisible = false;
    EXPECT_TRUE(writeAtExit(windows, settings_, devices_, *undo_, store_, prompt_));

    EXPECT_EQ(store_.getInt("Display", "midiblockwidth", 0), 17);
    EXPECT_EQ(store_.getInt("Display", "sm_cxscreen", 0), 1280);
    EXPECT_EQ(store_.getString("Display", "listeditorwasopeninlastsession", ""), "n");
    EXPECT_EQ(store_.getString("Display", "statusbarwasopeninlastsession", ""), "n");
    // The keyboard window was never built: its flag stays as the start read it.
    EXPECT_EQ(store_.getString("Display", "keyboardwasopeninlastsession", ""), "y");
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(ExitWritesTest, AMaximisedWindowStoresItsLayoutTheDevicesAndNoUndoFilesRemain)
{
    ASSERT_TRUE(undo_->record(*song_, "Quantize", prompt_));
    ASSERT_FALSE(fs::is_empty(folder_));
    ClosingWindows windows;
    windows.maximised = true;
    windows.screenWidth = 1920;
    windows.screenHeight = 1200;
    windows.keyboardOpen = false;
    EXPECT_TRUE(writeAtExit(windows, settings_, devices_, *undo_, store_, prompt_));

    EXPECT_EQ(store_.getInt("Display", "midiblockwidth", 0), 23);
    EXPECT_EQ(store_.getInt("Display", "sm_cxscreen", 0), 1920);
    EXPECT_EQ(store_.getInt("Display", "sm_cyscreen", 0), 1200);
    EXPECT_EQ(store_.getInt("Display", "lastnumberofdevices", -1), devices_.openCount());
    EXPECT_EQ(store_.getString("Display", "keyboardwasopeninlastsession", ""), "n");
    EXPECT_EQ(store_.getString("General", "midithru", ""), "y");
    int records = 0;
    for (const auto& [section, keys] : store_.contents())
        records += section.starts_with(kDeviceRecordSection) && keys.contains("devicename") ? 1 : 0;
    EXPECT_EQ(records, devices_.count());
    EXPECT_TRUE(undo_->empty());
    EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(ExitWritesTest, AStoreThatCannotBeWrittenIsReported)
{
    test::UnwritableStore store;
    EXPECT_FALSE(writeAtExit(ClosingWindows{}, settings_, devices_, *undo_, store, prompt_));
    ASSERT_EQ(prompt_.messages.size(), 1U);
    EXPECT_NE(prompt_.messages[0].text.find("permission denied"), std::string::npos);
    EXPECT_EQ(prompt_.messages[0].icon, PromptIcon::Error);
}

} // namespace
} // namespace velisto
