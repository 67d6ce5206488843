#include "playback/OutputMonitor.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

TEST(OutputMonitor, LinesStartWithThePositionOfTheirTick)
{
    Song song;
    song.ppq = 96;
    OutputMonitor monitor(&song);
    monitor.open();
    monitor.addLine(96 * 4 + 96 + 5, "Note on key C5 Velocity 100");
    monitor.addLine(-1, "no position");
    monitor.addLine(0, "");
    EXPECT_EQ(monitor.text(), "0002:02:005   Note on key C5 Velocity 100\r\n"
                              "no position\r\n"
                              "0001:01:000   \r\n");

    monitor.setSong(nullptr);
    monitor.addLine(389, "x");
    EXPECT_TRUE(monitor.text().ends_with("\r\n389   x\r\n"));

    monitor.clear();
    EXPECT_EQ(monitor.text(), "");
}

TEST(OutputMonitor, AClosedMonitorKeepsAndComposesNothing)
{
    OutputMonitor monitor;
    int composed = 0;
    const auto compose = [&] {
        ++composed;
        return std::string("line");
    };
    EXPECT_FALSE(monitor.active());
    monitor.addLine(-1, "lost");
    monitor.addLineWith(-1, compose);
    EXPECT_EQ(composed, 0);
    EXPECT_EQ(monitor.composeCount(), 0u);

    monitor.open();
    monitor.addLineWith(-1, compose);
    EXPECT_EQ(composed, 1);
    EXPECT_EQ(monitor.text(), "line\r\n");

    monitor.close();
    EXPECT_EQ(monitor.text(), "") << "closing drops the text";
    monitor.open();
    EXPECT_EQ(monitor.text(), "");
}

TEST(OutputMonitor, TheWindowIsAskedOnceToRefreshUntilItTakesTheText)
{
    OutputMonitor monitor;
    int requests = 0;
    monitor.setRefreshRequest([&] { ++requests; });
    monitor.open();
    monitor.addLine(-1, "a");
    monitor.addLine(-1, "b");
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(monitor.takeRefresh(), "a\r\nb\r\n");
    monitor.addLine(-1, "c");
    EXPECT_EQ(requests, 2);
    monitor.takeRefresh();
    monitor.clear();
    EXPECT_EQ(requests, 3) << "an emptied text is shown too";
}

TEST(OutputMonitor, TakeAppendedHandsOverOnlyNewTextAndTellsOfAClearBetween)
{
    OutputMonitor monitor;
    int requests = 0;
    monitor.setRefreshRequest([&] { ++requests; });
    monitor.open();
    monitor.addLine(-1, "a");
    monitor.addLine(-1, "b");
    MonitorAppend first = monitor.takeAppended();
    EXPECT_FALSE(first.cleared);
    EXPECT_EQ(first.text, "a\r\nb\r\n");
    EXPECT_EQ(monitor.takeAppended().text, "") << "nothing new";

    monitor.addLine(-1, "c");
    EXPECT_EQ(requests, 2) << "a take asks for the next refresh again";
    EXPECT_EQ(monitor.takeAppended().text, "c\r\n");

    // A clear between two takes: the window drops its copy, then appends what followed.
    monitor.addLine(-1, "d");
    monitor.clear();
    monitor.addLine(-1, "e");
    const MonitorAppend afterClear = monitor.takeAppended();
    EXPECT_TRUE(afterClear.cleared);
    EXPECT_EQ(afterClear.text, "e\r\n");
    EXPECT_FALSE(monitor.takeAppended().cleared) << "told once";

    // takeRefresh still gives the whole log, and counts as a take.
    monitor.addLine(-1, "f");
    EXPECT_EQ(monitor.takeRefresh(), "e\r\nf\r\n");
    EXPECT_EQ(monitor.takeAppended().text, "");

    // A reopened monitor starts from nothing, not from where the old log was taken.
    monitor.close();
    monitor.open();
    monitor.addLine(-1, "g");
    const MonitorAppend reopened = monitor.takeAppended();
    EXPECT_FALSE(reopened.cleared);
    EXPECT_EQ(reopened.text, "g\r\n");
}

// Sending composes monitor texts only while the monitor is open.
TEST(OutputMonitor, SendingThroughAClosedMonitorComposesNoText)
{
    LoopbackMidiPortSystem ports({"Synth"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    OutputMonitor monitor;
    EventOutput output(monitor, [](std::chrono::milliseconds) {});
    ASSERT_EQ(table.open(2), "");
    OutputDevice& device = table.device(2);
    device.useRunningStatus = true;

    const auto sendMixture = [&] {
        for (int i = 0; i < 200; ++i) {
            SendOptions options;
            options.tick = i;
            options.fromPlayThread = true;
            output.sendEvent(device, 0x90, static_cast<std::uint8_t>(40 + i % 40), 100, kNoDrumKey, options);
            output.sendEvent(device, 0xB0, static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 7)), 100,
                             kNoDrumKey, options); // redundant: explained
            output.sendEvent(device, 0xB0, static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 71)), 5,
                             kNoDrumKey, options); // unsupported in GM: skipped
            output.sendEvent(device, 0x60, static_cast<std::uint8_t>(slotForSong(ParamKind::Rpn, 0)),
                             static_cast<std::uint8_t>(i % 24), kNoDrumKey, options);
            output.sendSysex(device, std::vector<std::uint8_t>{0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7}, options);
            output.insertNoteOff(device, i, 1, 0, 60);
            output.sendDueNoteOffs(device, i + 1);
        }
        output.setAdjustDelay(1);
        output.waitAfterAdjusting();
    };
    sendMixture();
    EXPECT_EQ(monitor.composeCount(), 0u);
    EXPECT_EQ(monitor.text(), "");

    monitor.open();
    sendMixture();
    EXPECT_GT(monitor.composeCount(), 2000u);
    EXPECT_NE(monitor.text().find("Statusbyte 90 skipped by running status"), std::string::npos);
}

TEST(OutputMonitor, ConcurrentWritersNeverSplitALine)
{
    constexpr int kWriters = 3;
    constexpr int kLines = 2000;
    OutputMonitor monitor;
    monitor.open();
    std::atomic<int> written{0};
    std::atomic<bool> clearsDone{false};
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kLines; ++i) {
                if (i == kLines / 2)
                    while (!clearsDone.load())
                        std::this_thread::yield();
                monitor.addLineWith(-1, [&] { return "writer " + std::to_string(w) + " line " + std::to_string(i); });
                ++written;
            }
        });
    std::thread window([&] {
        while (!stop.load()) {
            monitor.takeRefresh();
            std::this_thread::yield();
        }
    });
    // Clearing (a playback start) meets the writers in their first half only.
    while (written.load() < kWriters * kLines / 2) {
        monitor.clear();
        std::this_thread::yield();
    }
    clearsDone = true;
    for (auto& writer : writers)
        writer.join();
    stop = true;
    window.join();

    std::istringstream lines(monitor.text());
    const std::regex whole(R"(writer [0-2] line \d+\r)");
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_GE(count, kWriters * kLines / 2);
}

} // namespace
} // namespace velisto
