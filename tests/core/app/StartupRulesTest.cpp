#include "app/StartupRules.h"

#include "app/CommandIds.h"
#include "app/Settings.h"
#include "core/app/AppTestSupport.h"
#include "core/midi/DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <deque>

namespace velisto {
namespace {

TEST(StartupRulesTest, CommandLineQuotesAreRemovedOnlyAsAPair)
{
    EXPECT_EQ(startupFileFromArguments({}), "");
    EXPECT_EQ(startupFileFromArguments({"\"/home/x/song.mid\""}), "/home/x/song.mid");
    EXPECT_EQ(startupFileFromArguments({"demo.mid"}), "demo.mid");
    EXPECT_EQ(startupFileFromArguments({"\"demo.mid"}), "\"demo.mid");
    EXPECT_EQ(startupFileFromArguments({"demo.mid\""}), "demo.mid\"");
    EXPECT_EQ(startupFileFromArguments({"\""}), "\"");
    // A name split by the shell at its blank is one name again.
    EXPECT_EQ(startupFileFromArguments({"\"my", "song.mid\""}), "my song.mid");
}

TEST(StartupRulesTest, MidIsAppendedUnlessTheNameHasAMidiExtensionInAnyCase)
{
    EXPECT_EQ(startupFileName("demo"), "demo.mid");
    EXPECT_EQ(startupFileName("demo.mid"), "demo.mid");
    EXPECT_EQ(startupFileName("SONG.MID"), "SONG.MID");
    EXPECT_EQ(startupFileName("Karaoke.Kar"), "Karaoke.Kar");
    EXPECT_EQ(startupFileName("/songs/take.mid.bak"), "/songs/take.mid.bak");
    EXPECT_EQ(startupFileName("song.midi"), "song.midi");
    EXPECT_EQ(startupFileName("demo.wav"), "demo.wav.mid");
}

TEST(StartupRulesTest, ScreenNeedsWidthAndColours)
{
    EXPECT_EQ(screenProblem(789, 32), kScreenTooSmallText);
    EXPECT_EQ(screenProblem(790, 32), std::nullopt);
    EXPECT_EQ(screenProblem(1920, 8), kTooFewColoursText);
    EXPECT_EQ(screenProblem(1920, 15), kTooFewColoursText);
    EXPECT_EQ(screenProblem(1920, 16), std::nullopt);
    EXPECT_EQ(screenProblem(1920, 0), std::nullopt); // no depth reported
    EXPECT_EQ(screenProblem(1920, 64), std::nullopt);
    // The width is checked first.
    EXPECT_EQ(screenProblem(640, 8), kScreenTooSmallText);
}

TEST(StartupRulesTest, StoredInputPortIsAskedForWhenMissingOrBeyondTheCount)
{
    constexpr int ports = 3;
    EXPECT_TRUE(inputPortMustBeChosen(-1, ports));
    EXPECT_TRUE(inputPortMustBeChosen(-7, ports));
    EXPECT_TRUE(inputPortMustBeChosen(4, ports));
    EXPECT_FALSE(inputPortMustBeChosen(3, ports)); // the count: no input port
    EXPECT_FALSE(inputPortMustBeChosen(0, ports));
    EXPECT_EQ(startupInputPort(4, ports), -1);
    EXPECT_EQ(startupInputPort(3, ports), 3);
    EXPECT_FALSE(inputPortMustBeChosen(0, 0));
    EXPECT_EQ(startupInputPort(1, 0), -1);
}

TEST(StartupRulesTest, ThePreviousRunsWindowsReopenListEditorFirst)
{
    DisplaySettings display;
    EXPECT_EQ(windowsToReopen(display), std::vector<unsigned>{CommandId::ListEditor}); // first-run defaults
    display.keyboardwasopeninlastsession = true;
    EXPECT_EQ(windowsToReopen(display), (std::vector<unsigned>{CommandId::ListEditor, CommandId::VirtualKeyboard}));
    display.listeditorwasopeninlastsession = false;
    EXPECT_EQ(windowsToReopen(display), std::vector<unsigned>{CommandId::VirtualKeyboard});
}

class StartupInputTest : public ::testing::Test, protected test::InputRig {
protected:
    // The dialog, answering from a script and counting how often it was shown.
    ChooseInputPort chooser()
    {
        return [this](const std::vector<std::string>& names) -> std::optional<int> {
            shown.push_back(names);
            if (answers.empty())
                return std::nullopt;
            const std::optional<int> answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }
    bool run(int& devicenr) { return openStartupInput(devicenr, ports, connection, router, prompt, chooser()); }

    test::ScriptedPrompt prompt;
    std::vector<std::vector<std::string>> shown;
    std::deque<std::optional<int>> answers;
};

TEST_F(StartupInputTest, AStoredPortOpensWithoutAsking)
{
    int devicenr = 1;
    EXPECT_TRUE(run(devicenr));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(devicenr, 1);
    EXPECT_TRUE(ports.isInputOpen(1));
}

TEST_F(StartupInputTest, ThePortCountMeansNoInputAndNoQuestion)
{
    int devicenr = 2;
    EXPECT_TRUE(run(devicenr));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(devicenr, 2);
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(StartupInputTest, MissingOrTooLargeNumbersAskAndCancelEndsTheStart)
{
    for (int stored : {-1, 3}) {
        shown.clear();
        answers = {0};
        int devicenr = stored;
        EXPECT_TRUE(run(devicenr)) << stored;
        ASSERT_EQ(shown.size(), 1U);
        EXPECT_EQ(shown[0], (std::vector<std::string>{"Keyboard", "Pad"}));
        EXPECT_EQ(devicenr, 0);
        EXPECT_TRUE(ports.isInputOpen(0));
    }
    int devicenr = -1;
    EXPECT_FALSE(run(devicenr));
}

TEST_F(StartupInputTest, APortThatFailsIsReportedAndTheChoiceComesAgain)
{
    ports.setInputOpenFailure(0, MidiOpenError::AlreadyAllocated);
    // The stored port fails, the same port chosen again fails, an answer beyond the list
    // asks once more, and the last entry runs without input.
    answers = {0, 5, 2};
    int devicenr = 0;
    EXPECT_TRUE(run(devicenr));
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[0].title, "MIDI in open");
    EXPECT_EQ(prompt.messages[0].text.rfind("Can't open MIDI input device.\n", 0), 0U);
    EXPECT_EQ(shown.size(), 3U);
    EXPECT_EQ(devicenr, 2);
    EXPECT_FALSE(connection.isOpen());
}

} // namespace
} // namespace velisto
