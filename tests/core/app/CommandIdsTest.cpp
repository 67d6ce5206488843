#include "app/CommandIds.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace velisto {
namespace {

TEST(CommandIdsTest, EveryCommandHasOneEntryWithItsTexts)
{
    std::set<unsigned> ids;
    for (const CommandInfo& info : commandTable()) {
        EXPECT_TRUE(ids.insert(info.id).second) << info.id << " twice";
        EXPECT_FALSE(info.text.empty()) << info.id;
        EXPECT_FALSE(info.status.empty()) << info.id;
        EXPECT_FALSE(info.tooltip.empty()) << info.id;
        EXPECT_EQ(findCommand(info.id), &info);
    }
    EXPECT_EQ(ids.size(), 56U);
    EXPECT_EQ(findCommand(12345), nullptr);
    EXPECT_EQ(findCommand(CommandId::Play)->status, "Play.");
}

// A key sequence given to two commands would make one of them unreachable; the
// properties command in particular must not take Ctrl+B from Select to bottom.
TEST(CommandIdsTest, NoKeySequenceActsForTwoCommands)
{
    std::map<std::string, unsigned> owner;
    for (const CommandInfo& info : commandTable()) {
        for (std::string_view key : info.accelerators) {
            if (key.empty())
                continue;
            const auto [at, inserted] = owner.emplace(std::string(key), info.id);
            EXPECT_TRUE(inserted) << key << " on " << info.id << " and " << at->second;
        }
    }
    EXPECT_EQ(owner.at("Ctrl+B"), CommandId::SelectToBottom);
    EXPECT_EQ(owner.at("Ctrl+Shift+S"), CommandId::SaveAs);
    EXPECT_EQ(owner.at("Space"), CommandId::Play);
    EXPECT_EQ(owner.at("Alt+Backspace"), CommandId::Undo);
    EXPECT_EQ(owner.at("Shift+Ins"), CommandId::Paste);
    EXPECT_EQ(owner.at("Ctrl+W"), CommandId::RecordMarker);
}

TEST(CommandIdsTest, ToolbarButtonsAreCommandsOrTools)
{
    const auto buttons = toolbarButtons();
    ASSERT_EQ(buttons.size(), 18U);
    EXPECT_EQ(buttons.front().command, CommandId::New);
    EXPECT_EQ(buttons[10].command, CommandId::Play);
    EXPECT_EQ(buttons.back().command, CommandId::Properties);
    for (const ToolbarButton& button : buttons) {
        if (button.command == 0) {
            EXPECT_TRUE(button.tool == kToolArrow || button.tool == kToolPen || button.tool == kToolSelection);
        } else {
            EXPECT_NE(findCommand(button.command), nullptr) << button.name;
        }
    }
}

} // namespace
} // namespace velisto
