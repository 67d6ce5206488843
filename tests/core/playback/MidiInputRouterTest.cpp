#include "playback/MidiInputRouter.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/EventRecorder.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiModeDefinition.h"
#include "playback/OutputMonitor.h"
#include "playback/RecordBuffer.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using Texts = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every recordEvent call as "device status data1 data2 data3" (decimal).
class ListRecorder : public EventRecorder {
public:
    void recordEvent(int device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                     std::uint8_t data3) override
    {
        const std::lock_guard lock(mutex_);
        calls_.push_back(std::to_string(device) + " " + std::to_string(status) + " " + std::to_string(data1) + " " +
                         std::to_string(data2) + " " + std::to_string(data3));
    }
    void recordSysex(int, std::span<const std::uint8_t>) override {}
    Texts calls() const
    {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    Texts calls_;
};

// A run's record buffer behind EventOutput, at a clock the test moves.
class BufferRecorder : public EventRecorder {
public:
    explicit BufferRecorder(RecordBuffer& buffer) : buffer_(buffer) {}
    void recordEvent(int, std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint8_t data3) override
    {
        buffer_.recordEvent(status, data1, data2, data3, RecordClock{tick.load(), 0, false});
    }
    void recordSysex(int, std::span<const std::uint8_t> stored) override
    {
        buffer_.recordSysex(stored, RecordClock{tick.load(), 0, false});
    }
    std::atomic<std::int32_t> tick{0};

private:
    RecordBuffer& buffer_;
};

class MidiInputRouterTest : public ::testing::Test {
protected:
    static constexpr int kSynthA = 2;
    static constexpr int kSynthB = 3;

    MidiInputRouterTest()
    {
        // GS, since GM receivers refuse key pressure.
        DeviceParameters parameters = DeviceParameters::of(table.device(kSynthA));
        parameters.powerOnMode = MidiMode::GS;
        parameters.gsSupported = true;
        EXPECT_EQ(table.applyParameters(kSynthA, parameters), "");
        EXPECT_EQ(table.open(kSynthA), "");
        EXPECT_EQ(table.open(kSynthB), "");
        song.tracks[0].device = kSynthA;
        song.tracks[0].channel = 0;
        song.tracks[5].device = kSynthB;
        song.tracks[5].channel = 4;
        recordA->clear();
        recordB->clear();
        monitor.open();
        output.setRecorder(&recorder);
    }

    void play(int status, int data1, int data2)
    {
        router.onMessage(MidiInMessage{static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                                       static_cast<std::uint8_t>(data2), 0.0});
    }
    static Texts take(LoopbackPortRecord& record)
    {
        Texts texts = record.texts();
        record.clear();
        return texts;
    }
    void route(int splitkey, int splitchannel, std::optional<int> front, std::optional<int> beyond)
    {
        InputRouting routing;
        routing.routeyn = true;
        routing.splitkey = splitkey;
        routing.splitchannel = splitchannel;
        routing.shiftfrontyn = front.has_value();
        routing.shiftfrontoct = front.value_or(0);
        routing.shiftbeyondyn = beyond.has_value();
        routing.shiftbeyondoct = beyond.value_or(0);
        router.setRouting(routing);
    }

    LoopbackMidiPortSystem ports{{"Synth A", "Synth B"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> recordA = ports.record(0);
    std::shared_ptr<LoopbackPortRecord> recordB = ports.record(1);
    Song song;
    OutputMonitor monitor;
    EventOutput output{monitor, [](std::chrono::milliseconds) {}};
    ListRecorder recorder;
    MidiInputRouter router{song, table, output, monitor};
};

// ---- re-addressing to the track ----

TEST_F(MidiInputRouterTest, ChannelMessagesTakeTheCurrentTracksDeviceAndChannel)
{
    play(0x9A, 60, 100);
    play(0xE3, 0x00, 0x50);
    play(0xC7, 5, 0);
    play(0xD1, 33, 0);
    play(0xA2, 60, 20);
    EXPECT_EQ(take(*recordA), (Texts{"90 3C 64", "E0 00 50", "C0 05", "D0 21", "A0 3C 14"}));

    router.setCurrentTrack(5);
    play(0x90, 61, 90);
    EXPECT_TRUE(take(*recordA).empty());
    EXPECT_EQ(take(*recordB), (Texts{"94 3D 5A"}));
    EXPECT_TRUE(recorder.calls().empty()) << "nothing records while no run does";
}

TEST_F(MidiInputRouterTest, NoteOffArrivesAsNoteOnWithVelocityZero)
{
    router.setCurrentTrack(5);
    play(0x93, 60, 100);
    play(0x83, 60, 64);
    EXPECT_EQ(take(*recordB), (Texts{"94 3C 64", "94 3C 00"}));
}

TEST_F(MidiInputRouterTest, ControllerNumbersBecomeSlotsAndUnknownOnesAreSkipped)
{
    play(0xB6, Cc::Volume, 100);
    play(0xB6, Cc::Sustain, 127);
    EXPECT_EQ(take(*recordA), (Texts{"B0 07 64", "B0 40 7F"}));
    const int volumeSlot = *inputControllerSlot(Cc::Volume);
    EXPECT_EQ(output.copyLiveState(table.device(kSynthA)).controllerValue(0, volumeSlot), 100);

    monitor.clear();
    play(0xB6, 3, 100);
    EXPECT_TRUE(take(*recordA).empty());
    EXPECT_EQ(monitor.text(),
              "Incomming MIDI event: B6 03 64 MIDI controller not supported by any MIDI standard, event skipped\r\n");
}

TEST_F(MidiInputRouterTest, WhatIsNoChannelMessageIsDropped)
{
    play(0xF2, 0x10, 0x20); // song position: silently
    play(0xF8, 0, 0);
    EXPECT_EQ(monitor.text(), "");
    play(0x45, 0x3C, 0x64);
    EXPECT_EQ(monitor.text(), "Incomming MIDI event: 45 3C 64 undefined MIDI status-byte, event skipped\r\n");
    monitor.clear();
    route(64, 2, std::nullopt, std::nullopt);
    play(0x90, 0x80, 0x40); // a data byte above 7F must not become a clamped key
    play(0x90, 0x40, 0xFF);
    EXPECT_TRUE(take(*recordA).empty());
    EXPECT_EQ(recordA->refusedCount(), 0u);
}

TEST_F(MidiInputRouterTest, TrackWithoutAValidDeviceIsSkipped)
{
    song.tracks[0].device = -1;
    play(0x90, 60, 100);
    song.tracks[0].device = table.count();
    play(0x90, 60, 100);
    router.setCurrentTrack(kTrackCount); // out of range
    play(0x90, 60, 100);
    EXPECT_TRUE(take(*recordA).empty());
    EXPECT_TRUE(take(*recordB).empty());
}

// ---- split and shift ----

TEST_F(MidiInputRouterTest, KeysBeyondTheSplitMoveToTheSplitChannelAndShift)
{
    route(64, 2, std::nullopt, 1);
    play(0x9B, 70, 100);
    play(0x8B, 70, 0); // its release goes the same way
    play(0x9B, 64, 80);
    play(0x9B, 63, 80); // below the split: the track's channel, unshifted
    play(0xA5, 70, 30); // key pressure is no note: left alone
    EXPECT_EQ(take(*recordA), (Texts{"92 52 64", "92 52 00", "92 4C 50", "90 3F 50", "A0 46 1E"}));
}

TEST_F(MidiInputRouterTest, ShiftedKeysAreClampedToTheKeyRange)
{
    route(64, 9, -2, 2);
    play(0x90, 120, 100);
    play(0x90, 10, 100);
    EXPECT_EQ(take(*recordA), (Texts{"99 7F 64", "90 00 64"}));
}

TEST(RouteNote, SettingsDecideChannelAndKey)
{
    InputRouting routing;
    routing.splitkey = 60;
    routing.splitchannel = 7;
    routing.shiftfrontyn = true;
    routing.shiftfrontoct = 1;
    EXPECT_EQ(routeNote(routing, 3, 70), (RoutedNote{3, 70})) << "routeyn off: nothing changes";

    routing.routeyn = true;
    EXPECT_EQ(routeNote(routing, 3, 59), (RoutedNote{3, 71}));
    EXPECT_EQ(routeNote(routing, 3, 60), (RoutedNote{7, 60})) << "beyond the split, shiftbeyondyn off";
    routing.shiftbeyondyn = true;
    routing.shiftbeyondoct = -11;
    EXPECT_EQ(routeNote(routing, 3, 127), (RoutedNote{7, 0}));
    routing.shiftfrontyn = false;
    EXPECT_EQ(routeNote(routing, 3, 0), (RoutedNote{3, 0})) << "shiftfrontyn off keeps the octave";

    routing.splitchannel = 40; // a damaged setting
    EXPECT_EQ(routeNote(routing, 3, 100).channel, 15);
}

TEST(InputControllerSlot, FirstStandardThatTracksTheNumberDecides)
{
    EXPECT_FALSE(inputControllerSlot(3).has_value());
    EXPECT_FALSE(inputControllerSlot(-1).has_value());
    EXPECT_FALSE(inputControllerSlot(128).has_value());
    int found = 0;
    for (int number = 0; number < 128; ++number) {
        const std::optional<int> slot = inputControllerSlot(number);
        if (!slot)
            continue;
        ++found;
        EXPECT_EQ(numberForOutput(ParamKind::Controller, *slot), number) << number;
    }
    EXPECT_GT(found, 0);
}

TEST(InputRoutingOf, ReadsTheGeneralSettings)
{
    GeneralSettings general;
    general.midithru = false;
    general.routeyn = true;
    general.splitkey = 48;
    general.splitchannel = 9;
    general.shiftfrontyn = true;
    general.shiftfrontoct = -1;
    general.shiftbeyondyn = true;
    general.shiftbeyondoct = 2;
    const InputRouting routing = InputRouting::of(general);
    EXPECT_EQ(routing, (InputRouting{false, true, 48, 9, true, -1, true, 2}));
}

// ---- MIDI thru and recording ----

TEST_F(MidiInputRouterTest, WithoutMidiThruOnlyTheDeviceModelChanges)
{
    InputRouting routing;
    routing.midithru = false;
    router.setRouting(routing);
    play(0xB0, Cc::Volume, 42);
    play(0xC0, 9, 0);
    EXPECT_TRUE(take(*recordA).empty());
    const DeviceMidiState live = output.copyLiveState(table.device(kSynthA));
    EXPECT_EQ(live.controllerValue(0, *inputControllerSlot(Cc::Volume)), 42);
    EXPECT_TRUE(contains(monitor.text(), "finaly not send to device (LocalOn)")) << monitor.text();
}

TEST_F(MidiInputRouterTest, RecordTrackReceivesTheInputAndTheRecorderTheEvent)
{
    router.setRecordTrack(5);
    EXPECT_EQ(router.recordTrack(), 5);
    play(0x90, 60, 100);
    play(0xB0, Cc::Volume, 99);
    EXPECT_TRUE(take(*recordA).empty()) << "the current track 0 gets nothing while recording";
    EXPECT_EQ(take(*recordB), (Texts{"94 3C 64", "B4 07 63"}));
    const int volumeSlot = *inputControllerSlot(Cc::Volume);
    EXPECT_EQ(recorder.calls(), (Texts{"3 148 60 100 27", "3 180 " + std::to_string(volumeSlot) + " 99 27"}));

    InputRouting routing;
    routing.midithru = false;
    router.setRouting(routing);
    play(0x80, 60, 0);
    EXPECT_TRUE(take(*recordB).empty());
    EXPECT_EQ(recorder.calls().size(), 3u) << "recording does not depend on MIDI thru";

    router.setRecordTrack(-1);
    play(0x90, 61, 100);
    EXPECT_EQ(recorder.calls().size(), 3u);
}

TEST_F(MidiInputRouterTest, RecordedNotesGetTheirLengthInTheRunsBuffer)
{
    RecordBuffer buffer;
    BufferRecorder bufferRecorder(buffer);
    output.setRecorder(&bufferRecorder);
    route(64, 2, std::nullopt, 1);
    router.setRecordTrack(0);
    bufferRecorder.tick = 480;
    play(0x90, 70, 100);
    bufferRecorder.tick = 600;
    play(0x80, 70, 0);

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 1u);
    EXPECT_EQ(recording.events[0], MidiEvent::note(480, 2, 82, 100, 120));
}

// ---- the barrier ----

// A recorder that keeps the input callback inside until the test lets it go.
class BlockingRecorder : public EventRecorder {
public:
    void recordEvent(int, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override
    {
        entered.set_value();
        released.get_future().wait();
    }
    void recordSysex(int, std::span<const std::uint8_t>) override {}
    std::promise<void> entered;
    std::promise<void> released;
};

TEST_F(MidiInputRouterTest, WaitForCallbackReturnsOnlyAfterTheRunningCallback)
{
    BlockingRecorder blocking;
    std::future<void> entered = blocking.entered.get_future();
    output.setRecorder(&blocking);
    router.setRecordTrack(0);

    std::thread input([&] { play(0x90, 60, 100); });
    entered.wait();
    std::atomic<bool> waited{false};
    std::thread stopper([&] {
        router.waitForCallback();
        waited = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(waited.load()) << "returned while a callback was still running";
    blocking.released.set_value();
    input.join();
    stopper.join();
    EXPECT_TRUE(waited.load());
    EXPECT_EQ(take(*recordA), (Texts{"90 3C 64"}));
}

} // namespace
} // namespace velisto
