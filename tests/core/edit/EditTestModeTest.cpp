// The test mode against a real play controller on simulated time.

#include "edit/EditFrame.h"

#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/Settings.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/SimulatedClock.h"
#include "playback/SimulatedTimer.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include "../midi/DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace velisto {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class EditTestModeTest : public ::testing::Test {
protected:
    EditTestModeTest()
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        song.ppq = 96;
        song.clear(kPort);
        EXPECT_EQ(table.open(kPort), "");
        settings.general.determine = false;
        settings.metronom.yn = false;
        monitor.open();
        song.tracks[1].append(MidiEvent::note(0, 0, 60, 100, 48));
    }
    ~EditTestModeTest() override
    {
        if (controller.runExists()) {
            controller.stop();
            timer.advance(100ms);
            controller.finishRun();
        }
        fs::remove_all(folder);
    }
    void transpose() { song.tracks[1].event(0).data1 = 64; }

    static constexpr int kPort = DeviceTable::kFirstPortIndex;
    fs::path folder = fs::temp_directory_path() / ("velisto-testmode-" + std::to_string(currentProcessId()));
    Song song;
    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    OutputMonitor monitor{&song};
    EventOutput output{monitor, [](std::chrono::milliseconds) {}};
    SimulatedClock clock;
    SimulatedTimer timer{clock};
    QueueUiNotifier notifier;
    MidiInputRouter router{song, table, output, monitor};
    test::ScriptedPrompt prompt;
    Settings settings = Settings::defaults("/tmp", 1920, 1080);
    PlayEnvironment environment{&song, &table, &output, &monitor, &clock, &timer, &notifier, &router, nullptr, nullptr};
    PlayController controller{environment, song, prompt};
    UndoStack undo{folder, 7};
};

TEST_F(EditTestModeTest, TestAppliesPlaysAndIsTakenBackWhenStopped)
{
    const auto before = MidiFileWriter::encode(song, true).bytes;
    EditTestMode test(song, undo, controller, 55);
    ASSERT_EQ(test.start(
                  Selection{1, 1, 0, 0}, PlayKind::Pitch, 0, settings, [&] { transpose(); }, prompt),
              StartOutcome::Started);
    controller.playThread()->joinWorker();
    EXPECT_TRUE(test.running());
    EXPECT_EQ(undo.descriptions(), (std::deque<std::string>{"Test"}));
    EXPECT_EQ(song.tracks[1].event(0).data1, 64);

    EXPECT_FALSE(test.allowApply(prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "First stop testmode");

    test.stop();
    EXPECT_FALSE(test.running());
    for (auto spent = 0ms; spent < 5s && !controller.playThread()->ended(); spent += 10ms)
        timer.advance(10ms);
    const auto end = controller.finishRun();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->command, "UNDOANDREWIND");
    // What the main frame does on that command.
    EXPECT_EQ(undo.undo(song, prompt), UndoOutcome::UndoneSilently);
    EXPECT_EQ(MidiFileWriter::encode(song, true).bytes, before);
    EXPECT_TRUE(test.settled());
    EXPECT_TRUE(test.allowApply(prompt));
}

TEST_F(EditTestModeTest, OkAndTestWaitUntilTheStoppedTestIsUndone)
{
    EditTestMode test(song, undo, controller, 55);
    EXPECT_TRUE(test.settled());
    ASSERT_EQ(test.start(
                  Selection{1, 1, 0, 0}, PlayKind::Pitch, 0, settings, [&] { transpose(); }, prompt),
              StartOutcome::Started);
    controller.playThread()->joinWorker();
    EXPECT_FALSE(test.settled());
    test.stop();

    // Stopped, but the run's Undo has not arrived: an OK now would be taken back by it.
    EXPECT_FALSE(test.settled());
    EXPECT_FALSE(test.allowApply(prompt));
    EXPECT_TRUE(prompt.messages.empty()) << "nothing to tell: the undo is on its way";
    bool applied = false;
    EXPECT_EQ(test.start(
                  Selection{1, 1, 0, 0}, PlayKind::Pitch, 0, settings, [&] { applied = true; }, prompt),
              StartOutcome::Refused);
    EXPECT_FALSE(applied);
    EXPECT_EQ(undo.size(), 1);

    for (auto spent = 0ms; spent < 5s && !controller.playThread()->ended(); spent += 10ms)
        timer.advance(10ms);
    ASSERT_TRUE(controller.finishRun());
    EXPECT_FALSE(test.settled()) << "the run has ended, the step is still there";
    ASSERT_EQ(undo.undo(song, prompt), UndoOutcome::UndoneSilently);
    EXPECT_TRUE(test.settled());
    EXPECT_EQ(song.tracks[1].event(0).data1, 60);

    // An OK at the same place in the stack afterwards does not look like the test again.
    ASSERT_TRUE(undo.record(song, "pitch", prompt));
    EXPECT_TRUE(test.settled());
    EXPECT_TRUE(test.allowApply(prompt));
}

TEST_F(EditTestModeTest, NothingIsAppliedWithoutAnUndoStep)
{
    const fs::path notAFolder = folder / "plain";
    std::ofstream(notAFolder) << "x";
    UndoStack broken(notAFolder, 7);
    EditTestMode test(song, broken, controller, 55);
    bool applied = false;
    EXPECT_EQ(test.start(
                  Selection{1, 1, 0, 0}, PlayKind::Pitch, 0, settings, [&] { applied = true; }, prompt),
              StartOutcome::NotStarted);
    EXPECT_FALSE(applied);
    EXPECT_FALSE(test.running());
    EXPECT_FALSE(controller.runExists());
}

} // namespace
} // namespace velisto
