#include "midi/LoopbackMidiPortSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes gmSystemOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

TEST(LoopbackMidiPortSystem, ListsItsPorts)
{
    LoopbackMidiPortSystem system({"Synth A", "Synth B"});
    EXPECT_EQ(system.apiName(), "loopback");
    EXPECT_EQ(system.outputPortNames(), (std::vector<std::string>{"Synth A", "Synth B"}));
    EXPECT_TRUE(LoopbackMidiPortSystem({}).outputPortNames().empty());
}

TEST(LoopbackMidiPortSystem, RecordsEverySendInOrderBeyondThePortsLife)
{
    std::shared_ptr<const LoopbackPortRecord> record;
    {
        LoopbackMidiPortSystem system({"Synth A", "Synth B"});
        record = system.record(1);
        auto opened = system.openOutput(1);
        ASSERT_TRUE(opened.port);
        EXPECT_EQ(opened.error, MidiOpenError::None);
        EXPECT_TRUE(record->isOpen());

        EXPECT_TRUE(opened.port->sendLong(gmSystemOn));
        EXPECT_TRUE(opened.port->sendShort(Bytes{0x90, 0x3C, 0x64}));
        EXPECT_TRUE(opened.port->sendShort(Bytes{0x3C, 0x00})); // running status
        EXPECT_TRUE(opened.port->sendShort(Bytes{0xF8}));
        EXPECT_TRUE(system.record(0)->messages().empty()) << "nothing leaks to the other port";
    }
    EXPECT_FALSE(record->isOpen());
    EXPECT_EQ(record->openCount(), 1);
    const std::vector<LoopbackMessage> expected{
        {true, gmSystemOn}, {false, {0x90, 0x3C, 0x64}}, {false, {0x3C, 0x00}}, {false, {0xF8}}};
    EXPECT_EQ(record->messages(), expected);
    EXPECT_EQ(record->texts(), (std::vector<std::string>{"long F0 7E 7F 09 01 F7", "90 3C 64", "3C 00", "F8"}));
}

TEST(LoopbackMidiPortSystem, RefusesWhatARealPortRefuses)
{
    LoopbackMidiPortSystem system({"Synth"});
    auto port = system.openOutput(0).port;
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->sendShort(Bytes{0x3C, 0x64})) << "running status before any status";
    EXPECT_FALSE(port->sendShort(Bytes{}));
    EXPECT_FALSE(port->sendShort(gmSystemOn));
    EXPECT_FALSE(port->sendLong(Bytes{0xF0, 0x7E, 0x7F}));
    EXPECT_TRUE(port->sendShort(Bytes{0xB0, 0x07, 0x64}));
    EXPECT_EQ(system.record(0)->refusedCount(), 4u);
    EXPECT_EQ(system.record(0)->texts(), std::vector<std::string>{"B0 07 64"});

    // A new open starts without running status, like a freshly opened device.
    port.reset();
    port = system.openOutput(0).port;
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->sendShort(Bytes{0x07, 0x00}));

    system.record(0)->clear();
    EXPECT_TRUE(system.record(0)->messages().empty());
    EXPECT_EQ(system.record(0)->refusedCount(), 0u);
}

TEST(LoopbackMidiPortSystem, OpenFailures)
{
    LoopbackMidiPortSystem system({"Synth A", "Synth B"});
    for (int id : {-1, 2}) {
        const auto result = system.openOutput(id);
        EXPECT_FALSE(result.port);
        EXPECT_EQ(result.error, MidiOpenError::BadDeviceId) << id;
    }
    EXPECT_EQ(system.record(2), nullptr);

    auto first = system.openOutput(0);
    ASSERT_TRUE(first.port);
    const auto second = system.openOutput(0);
    EXPECT_FALSE(second.port);
    EXPECT_EQ(second.error, MidiOpenError::AlreadyAllocated);
    EXPECT_FALSE(second.detail.empty());
    first.port.reset();
    EXPECT_TRUE(system.openOutput(0).port) << "free again once closed";
    EXPECT_EQ(system.record(0)->openCount(), 2);

    system.setOpenFailure(1, MidiOpenError::NoMemory, "scripted");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto failed = system.openOutput(1);
        EXPECT_FALSE(failed.port);
        EXPECT_EQ(failed.error, MidiOpenError::NoMemory);
        EXPECT_EQ(failed.detail, "scripted");
    }
    EXPECT_EQ(system.record(1)->openCount(), 0);
    system.setOpenFailure(1, MidiOpenError::None);
    EXPECT_TRUE(system.openOutput(1).port);
}

TEST(LoopbackMidiPortSystem, RecordCanBeReadWhileAnotherThreadSends)
{
    LoopbackMidiPortSystem system({"Synth"});
    auto port = system.openOutput(0).port;
    ASSERT_TRUE(port);
    constexpr int count = 2000;
    std::atomic<bool> done{false};
    std::thread sender([&port, &done] {
        for (int i = 0; i < count; ++i)
            port->sendShort(Bytes{0x90, static_cast<std::uint8_t>(i % 128), 0x40});
        done = true;
    });
    std::size_t seen = 0;
    while (!done) {
        const std::size_t now = system.record(0)->messages().size();
        EXPECT_GE(now, seen);
        seen = now;
    }
    sender.join();
    const auto messages = system.record(0)->messages();
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(messages[static_cast<std::size_t>(i)].bytes[1], i % 128) << i;
}

TEST(LoopbackMidiPortSystem, InputPortsAreListedApartFromOutputPorts)
{
    LoopbackMidiPortSystem system({"Synth"}, {"Keyboard A", "Keyboard B"});
    EXPECT_EQ(system.outputPortNames(), (std::vector<std::string>{"Synth"}));
    EXPECT_EQ(system.inputPortNames(), (std::vector<std::string>{"Keyboard A", "Keyboard B"}));
    EXPECT_TRUE(LoopbackMidiPortSystem({"Synth"}).inputPortNames().empty());
}

TEST(LoopbackMidiPortSystem, InjectedMessagesReachTheStartedInputInOrder)
{
    LoopbackMidiPortSystem system({}, {"Keyboard"});
    std::vector<MidiInMessage> received;
    auto opened = system.openInput(0, [&received](const MidiInMessage& m) { received.push_back(m); });
    ASSERT_TRUE(opened.port);
    EXPECT_EQ(opened.error, MidiOpenError::None);
    EXPECT_TRUE(system.isInputOpen(0));

    EXPECT_FALSE(system.inject(0, Bytes{0x90, 60, 100})) << "not started yet";
    ASSERT_TRUE(opened.port->start());
    EXPECT_TRUE(system.inject(0, Bytes{0x90, 60, 100}, 0.5));
    EXPECT_FALSE(system.inject(0, Bytes{0xF8})) << "clock";
    EXPECT_FALSE(system.inject(0, Bytes{0xFE})) << "active sensing";
    EXPECT_FALSE(system.inject(0, gmSystemOn)) << "sysex";
    EXPECT_TRUE(system.inject(0, Bytes{0xC3, 5}, 0.75));
    EXPECT_TRUE(system.inject(0, Bytes{0x80, 60, 64}, 1.0));
    opened.port->stop();
    EXPECT_FALSE(system.inject(0, Bytes{0x90, 62, 100})) << "stopped";

    const std::vector<MidiInMessage> expected{{0x90, 60, 100, 0.5}, {0xC3, 5, 0, 0.75}, {0x80, 60, 64, 1.0}};
    EXPECT_EQ(received, expected);

    ASSERT_TRUE(opened.port->start()) << "a stopped port starts again";
    EXPECT_TRUE(system.inject(0, Bytes{0x90, 64, 90}));
    EXPECT_EQ(received.size(), 4u);
    opened.port.reset();
    EXPECT_FALSE(system.isInputOpen(0));
    EXPECT_FALSE(system.inject(0, Bytes{0x90, 64, 90})) << "closed";
    EXPECT_FALSE(system.inject(1, Bytes{0x90, 64, 90})) << "no such port";
    EXPECT_EQ(received.size(), 4u);
}

TEST(LoopbackMidiPortSystem, InputOpenFailures)
{
    LoopbackMidiPortSystem system({"Synth"}, {"Keyboard A", "Keyboard B"});
    const auto ignore = [](const MidiInMessage&) {};
    for (int id : {-1, 2}) {
        const auto result = system.openInput(id, ignore);
        EXPECT_FALSE(result.port);
        EXPECT_EQ(result.error, MidiOpenError::BadDeviceId) << id;
    }

    auto first = system.openInput(0, ignore);
    ASSERT_TRUE(first.port);
    const auto second = system.openInput(0, ignore);
    EXPECT_FALSE(second.port);
    EXPECT_EQ(second.error, MidiOpenError::AlreadyAllocated);
    EXPECT_FALSE(second.detail.empty());
    EXPECT_TRUE(system.openOutput(0).port) << "the output port of the same index is another port";
    first.port.reset();
    EXPECT_TRUE(system.openInput(0, ignore).port) << "free again once closed";

    system.setInputOpenFailure(1, MidiOpenError::NoMemory, "scripted");
    const auto failed = system.openInput(1, ignore);
    EXPECT_FALSE(failed.port);
    EXPECT_EQ(failed.error, MidiOpenError::NoMemory);
    EXPECT_EQ(failed.detail, "scripted");
    EXPECT_FALSE(system.isInputOpen(1));
    system.setInputOpenFailure(1, MidiOpenError::None);
    EXPECT_TRUE(system.openInput(1, ignore).port);
}

TEST(LoopbackMidiPortSystem, StopWaitsForACallbackThatIsRunning)
{
    LoopbackMidiPortSystem system({}, {"Keyboard"});
    std::atomic<bool> inCallback{false};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    auto opened = system.openInput(0, [&](const MidiInMessage&) {
        inCallback = true;
        while (!release)
            std::this_thread::yield();
        finished = true;
    });
    ASSERT_TRUE(opened.port);
    ASSERT_TRUE(opened.port->start());
    std::thread keyboard([&system] { system.inject(0, Bytes{0x90, 60, 100}); });
    while (!inCallback)
        std::this_thread::yield();
    std::thread releaser([&release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    opened.port->stop();
    EXPECT_TRUE(finished) << "stop() returned while the callback still ran";
    keyboard.join();
    releaser.join();
}

} // namespace
} // namespace velisto
