// The play engine on the real timer and clock, with a keyboard thread playing into the
// input while a recording runs: what the simulated tests cannot show, that the timer's
// thread, the run's worker, the input callback and the user interface share the run
// safely (ThreadSanitizer runs these). Bounds are loose; bench/ measures timing.

#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/Clock.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/PlayMessages.h"
#include "song/Song.h"
#include "timer/ThreadPeriodicTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using namespace std::chrono_literals;

class RealTimePlaybackTest : public ::testing::Test {
protected:
    RealTimePlaybackTest()
    {
        song.ppq = 96;
        song.clear(kPort);
        EXPECT_EQ(table.open(kPort), "");
        settings.general.determine = false;
        settings.metronom.yn = true;
        router.setRouting(InputRouting::of(settings.general));
        record->clear();
    }

    // The user interface's loop: waits for the run's end and finishes it.
    std::optional<RunEnd> waitForEnd(std::chrono::milliseconds timeout = 10s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& post : notifier.take())
                if (post.message == kPlayRunEndedMessage)
                    return controller.finishRun();
            std::this_thread::sleep_for(2ms);
        }
        return std::nullopt;
    }

    static constexpr int kPort = DeviceTable::kFirstPortIndex;
    Song song;
    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> record = ports.record(0);
    OutputMonitor monitor{&song};
    EventOutput output{monitor};
    SteadyClock clock;
    ThreadPeriodicTimer timer;
    QueueUiNotifier notifier;
    MidiInputRouter router{song, table, output, monitor};
    SilentPrompt prompt;
    Settings settings = Settings::defaults("/tmp", 1920, 1080);
    PlayEnvironment environment{&song, &table, &output, &monitor, &clock, &timer, &notifier, &router, nullptr, nullptr};
    PlayController controller{environment, song, prompt};
};

TEST_F(RealTimePlaybackTest, ASongWithATempoChangePlaysEveryNoteOnceAndInOrder)
{
    song.setTempo(0, 240.0);
    song.setTempo(192, 480.0); // the timer restarts from its own thread mid-run
    for (int i = 0; i < 40; ++i)
        song.tracks[static_cast<std::size_t>(i % 3)].insertSorted(MidiEvent::note(i * 12, i % 3, 40 + i, 100, 6));
    monitor.open();
    ASSERT_EQ(controller.play(0, std::nullopt, settings), StartOutcome::Started);
    const auto end = waitForEnd();
    ASSERT_TRUE(end);
    EXPECT_FALSE(controller.runExists());

    std::vector<std::string> ons;
    int offs = 0;
    for (const auto& text : record->texts()) {
        if (text.size() == 8 && text.substr(6) == "00")
            ++offs;
        else
            ons.push_back(text);
    }
    ASSERT_EQ(ons.size(), 40u);
    EXPECT_EQ(offs, 40);
    for (int i = 0; i < 40; ++i) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "9%X %02X 64", i % 3, 40 + i);
        EXPECT_EQ(ons[static_cast<std::size_t>(i)], expected);
    }
    EXPECT_NE(monitor.text().find("MIDI play thread stopped"), std::string::npos);
}

TEST_F(RealTimePlaybackTest, AKeyboardPlayingWhileTheRecordingStopsLosesNothingItHandedOver)
{
    song.setTempo(0, 480.0); // a 500 ms count-in measure
    song.tracks[5].channel = 2;
    ASSERT_EQ(controller.record(0, 5, settings), StartOutcome::Started);

    std::atomic<bool> quit{false};
    std::atomic<int> played{0};
    std::thread keyboard([&] {
        for (int key = 30; !quit.load(); key = key == 90 ? 30 : key + 1) {
            router.onMessage({0x90, std::uint8_t(key), 80, 0.0});
            std::this_thread::sleep_for(3ms);
            router.onMessage({0x80, std::uint8_t(key), 0, 0.0});
            played.fetch_add(1);
            std::this_thread::sleep_for(2ms);
        }
    });
    std::this_thread::sleep_for(900ms);
    controller.stop();
    const auto end = waitForEnd();
    quit.store(true);
    keyboard.join();

    ASSERT_TRUE(end);
    EXPECT_TRUE(end->wasRecording);
    const Track& track = song.tracks[5];
    EXPECT_EQ(end->recordedEvents, track.eventCount());
    EXPECT_GT(track.eventCount(), 20);
    EXPECT_LE(track.eventCount(), played.load() + 1);
    for (const MidiEvent& event : track.events()) {
        EXPECT_EQ(event.status, 0x92);
        EXPECT_GE(event.length, 1);
    }
    // Once the run is finished the keyboard plays thru to the current track only.
    const int before = track.eventCount();
    router.onMessage({0x90, 60, 1, 0.0});
    EXPECT_EQ(song.tracks[5].eventCount(), before);
}

} // namespace
} // namespace velisto
