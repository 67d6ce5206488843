#include "playback/MidiInputConnection.h"

#include "app/MemoryProfileStore.h"
#include "core/midi/DeviceTestSupport.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiInputText.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

class MidiInputConnectionTest : public ::testing::Test {
protected:
    MidiInputConnectionTest()
    {
        EXPECT_EQ(table.open(2), "");
        song.tracks[0].device = 2;
        song.tracks[0].channel = 1;
        output->clear();
    }

    bool inject(int port, const Bytes& bytes) { return ports.inject(port, bytes); }
    Texts sent()
    {
        Texts texts = output->texts();
        output->clear();
        return texts;
    }

    LoopbackMidiPortSystem ports{{"Synth"}, {"Keyboard", "Pad", "Keyboard"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> output = ports.record(0);
    Song song;
    OutputMonitor monitor;
    EventOutput events{monitor, [](std::chrono::milliseconds) {}};
    MidiInputRouter router{song, table, events, monitor};
    MidiInputConnection connection;
};

TEST_F(MidiInputConnectionTest, InjectedMessagesReachTheRouterAndTheOutput)
{
    EXPECT_EQ(connection.open(ports, 1, router), MidiOpenError::None);
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.portNumber(), 1);
    EXPECT_TRUE(inject(1, {0x95, 60, 100}));
    EXPECT_TRUE(inject(1, {0x85, 60, 0}));
    EXPECT_EQ(sent(), (Texts{"91 3C 64", "91 3C 00"}));

    connection.close();
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.portNumber(), -1);
    EXPECT_FALSE(ports.isInputOpen(1));
    EXPECT_FALSE(inject(1, {0x95, 60, 100}));
    EXPECT_TRUE(sent().empty());
}

TEST_F(MidiInputConnectionTest, OnlyOnePortIsOpenAtATime)
{
    ASSERT_EQ(connection.open(ports, 0, router), MidiOpenError::None);
    ASSERT_EQ(connection.open(ports, 1, router), MidiOpenError::None);
    EXPECT_FALSE(ports.isInputOpen(0));
    EXPECT_FALSE(inject(0, {0x90, 60, 100}));
    EXPECT_TRUE(inject(1, {0x90, 61, 100}));

    EXPECT_EQ(connection.open(ports, 1, router), MidiOpenError::None) << "the same port again";
    EXPECT_TRUE(inject(1, {0x90, 62, 100}));
    EXPECT_EQ(sent(), (Texts{"91 3D 64", "91 3E 64"}));

    EXPECT_EQ(connection.open(ports, -1, router), MidiOpenError::None);
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(ports.isInputOpen(1));
}

TEST_F(MidiInputConnectionTest, DestructorClosesThePort)
{
    {
        MidiInputConnection scoped;
        ASSERT_EQ(scoped.open(ports, 0, router), MidiOpenError::None);
        EXPECT_TRUE(ports.isInputOpen(0));
    }
    EXPECT_FALSE(ports.isInputOpen(0));
    EXPECT_FALSE(inject(0, {0x90, 60, 100}));
}

TEST_F(MidiInputConnectionTest, FailedOpenIsShownAndLeavesNothingOpen)
{
    ASSERT_EQ(connection.open(ports, 0, router), MidiOpenError::None);
    ports.setInputOpenFailure(1, MidiOpenError::AlreadyAllocated, "busy");
    test::ScriptedPrompt prompt;
    EXPECT_FALSE(openInputFromUserInterface(connection, ports, 1, router, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              midiInputOpenFailureText(MidiOpenError::AlreadyAllocated, MidiInputOpenContext::StartUp));
    EXPECT_EQ(prompt.messages[0].title, "MIDI in open");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Error);
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(ports.isInputOpen(0)) << "the previous port was closed before trying";

    EXPECT_EQ(connection.open(ports, 7, router), MidiOpenError::BadDeviceId);
    EXPECT_EQ(connection.open(ports, -2, router), MidiOpenError::BadDeviceId);
    EXPECT_FALSE(connection.isOpen());

    EXPECT_TRUE(openInputFromUserInterface(connection, ports, 2, router, prompt));
    EXPECT_TRUE(openInputFromUserInterface(connection, ports, -1, router, prompt));
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST_F(MidiInputConnectionTest, PortNumberByName)
{
    EXPECT_EQ(inputPortNumber(ports, "Pad"), 1);
    EXPECT_EQ(inputPortNumber(ports, "Keyboard"), 0) << "the first of two ports with the name";
    EXPECT_EQ(inputPortNumber(ports, "pad"), -1);
    EXPECT_EQ(inputPortNumber(ports, ""), -1);
    EXPECT_EQ(inputPortNumber(ports, "Synth"), -1) << "an output port is no input";
}

} // namespace
} // namespace velisto
