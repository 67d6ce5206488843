#include "midi/RtMidiPortSystem.h"

#include <RtMidi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> listedNames(RtMidiApi api, const std::vector<std::string>& rtMidiNames)
{
    std::vector<std::string> names;
    for (const auto& port : RtMidiPortSystem::listPorts(api, rtMidiNames))
        names.push_back(port.name);
    return names;
}

TEST(RtMidiPortSystem, AlsaNamesLoseTheirAddressAndRepeatsAreNumbered)
{
    const std::vector<std::string> rtMidi{
        "Midi Through:Midi Through Port-0 14:0",
        "USB Keys:USB Keys MIDI 1 20:0",
        "USB Keys:USB Keys MIDI 1 24:0", // a second keyboard of the same make
        "Velisto:Velisto in 128:0",
        "", // RtMidi's answer for a port that vanished
        "FLUID Synth (1234):Synth input port (1234:0) 129:0",
        "Odd:Name 7:", // not an address
        "USB Keys:USB Keys MIDI 1 (2) 30:0",
    };
    const auto ports = RtMidiPortSystem::listPorts(RtMidiApi::Alsa, rtMidi);
    const std::vector<std::string> expected{
        "Midi Through:Midi Through Port-0",
        "USB Keys:USB Keys MIDI 1",
        "USB Keys:USB Keys MIDI 1 (2)",
        "FLUID Synth (1234):Synth input port (1234:0)",
        "Odd:Name 7:",
        "USB Keys:USB Keys MIDI 1 (2) (2)",
    };
    ASSERT_EQ(listedNames(RtMidiApi::Alsa, rtMidi), expected);
    // Ids of the list map back to RtMidi's numbering, gaps and all.
    const std::vector<unsigned> indices{0, 1, 2, 5, 6, 7};
    for (std::size_t i = 0; i < ports.size(); ++i)
        EXPECT_EQ(ports[i].rtMidiIndex, indices[i]) << ports[i].name;
}

TEST(RtMidiPortSystem, JackNamesStayAsTheyAre)
{
    const std::vector<std::string> rtMidi{
        "a2j:Midi Through [14] (playback): Midi Through Port-0",
        "capture:midi_in 14:0",
        "Velisto-01:Velisto in",
        "synth:in",
        "synth:in",
    };
    EXPECT_EQ(listedNames(RtMidiApi::Jack, rtMidi),
              (std::vector<std::string>{"a2j:Midi Through [14] (playback): Midi Through Port-0", "capture:midi_in 14:0",
                                        "synth:in", "synth:in (2)"}));
}

TEST(RtMidiPortSystem, OwnPortsAreVelistosClientsOnly)
{
    EXPECT_TRUE(RtMidiPortSystem::isOwnPort("Velisto:Velisto in"));
    EXPECT_TRUE(RtMidiPortSystem::isOwnPort("Velisto-01:Velisto in"));
    EXPECT_TRUE(RtMidiPortSystem::isOwnPort("Velisto-123:out"));
    EXPECT_FALSE(RtMidiPortSystem::isOwnPort("Velisto-:x"));
    EXPECT_FALSE(RtMidiPortSystem::isOwnPort("Velisto-synth:in"));
    EXPECT_FALSE(RtMidiPortSystem::isOwnPort("VelistoSynth:in"));
    EXPECT_FALSE(RtMidiPortSystem::isOwnPort("velisto:in"));
    EXPECT_FALSE(RtMidiPortSystem::isOwnPort("synth:Velisto"));
}

bool sequencerOpens()
{
    const int fd = ::open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// The whole way through the ALSA sequencer: a port of a capture client of this test is
// listed, opened, and receives what is sent, in order. JACK has its own test with a real
// server (integration_jack_midi).
TEST(RtMidiPortSystemAlsa, SendsToASequencerPortInCallOrder)
{
    if (!sequencerOpens())
        GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq does not open; the snd-seq kernel module "
                        "is missing or the device is not shared with this container)";
    std::string error;
    auto system = RtMidiPortSystem::create(RtMidiApi::Alsa, error);
    ASSERT_TRUE(system) << error;
    EXPECT_EQ(system->apiName(), "alsa");

    RtMidiIn capture(RtMidi::LINUX_ALSA, "Velisto test capture");
    capture.ignoreTypes(false, false, false);
    capture.openVirtualPort("capture");

    const auto names = system->outputPortNames();
    const auto found = std::find(names.begin(), names.end(), "Velisto test capture:capture");
    ASSERT_NE(found, names.end()) << "listed: " << testing::PrintToString(names) << " " << system->lastListingProblem();
    for (const auto& name : names)
        EXPECT_FALSE(RtMidiPortSystem::isOwnPort(name)) << name;

    const auto badId = system->openOutput(static_cast<int>(names.size()));
    EXPECT_FALSE(badId.port);
    EXPECT_EQ(badId.error, MidiOpenError::BadDeviceId);

    const Bytes gmSystemOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    {
        auto opened = system->openOutput(static_cast<int>(found - names.begin()));
        ASSERT_TRUE(opened.port) << opened.detail;
        EXPECT_TRUE(opened.port->sendShort(Bytes{0x90, 0x3C, 0x64}));
        EXPECT_TRUE(opened.port->sendLong(gmSystemOn));
        EXPECT_TRUE(opened.port->sendShort(Bytes{0xC0, 0x05, 0x00}));
        EXPECT_TRUE(opened.port->sendShort(Bytes{0x06}));
        EXPECT_FALSE(opened.port->sendShort(Bytes{0x90, 0x3C})) << "incomplete";
    }

    const std::vector<Bytes> expected{{0x90, 0x3C, 0x64}, gmSystemOn, {0xC0, 0x05}, {0xC0, 0x06}};
    std::vector<Bytes> received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (received.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
        std::vector<unsigned char> message;
        capture.getMessage(&message);
        if (message.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else
            received.emplace_back(message.begin(), message.end());
    }
    EXPECT_EQ(received, expected);
}

// A virtual keyboard port of this test plays into Velisto's input through the ALSA
// sequencer; the callback gets the notes in order, without clock and active sensing.
TEST(RtMidiPortSystemAlsa, InputReceivesAKeyboardPortInOrder)
{
    if (!sequencerOpens())
        GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq does not open)";
    std::string error;
    auto system = RtMidiPortSystem::create(RtMidiApi::Alsa, error);
    ASSERT_TRUE(system) << error;

    RtMidiOut keyboard(RtMidi::LINUX_ALSA, "Velisto test keyboard");
    keyboard.openVirtualPort("keys");

    const auto names = system->inputPortNames();
    const auto found = std::find(names.begin(), names.end(), "Velisto test keyboard:keys");
    ASSERT_NE(found, names.end()) << "listed: " << testing::PrintToString(names) << " " << system->lastListingProblem();
    for (const auto& name : names)
        EXPECT_FALSE(RtMidiPortSystem::isOwnPort(name)) << name;
    const auto badId = system->openInput(static_cast<int>(names.size()), [](const MidiInMessage&) {});
    EXPECT_FALSE(badId.port);
    EXPECT_EQ(badId.error, MidiOpenError::BadDeviceId);

    std::mutex mutex;
    std::vector<MidiInMessage> received;
    auto opened = system->openInput(static_cast<int>(found - names.begin()), [&](const MidiInMessage& m) {
        std::lock_guard lock(mutex);
        received.push_back(m);
    });
    ASSERT_TRUE(opened.port) << opened.detail;
    ASSERT_TRUE(opened.port->start());
    const std::vector<Bytes> played{{0x90, 0x3C, 0x64}, {0xF8}, {0xFE}, {0xC2, 0x07}, {0x80, 0x3C, 0x00}};
    for (const Bytes& message : played)
        keyboard.sendMessage(message.data(), message.size());

    const std::vector<std::uint8_t> expectedStatus{0x90, 0xC2, 0x80};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (received.size() >= expectedStatus.size() || std::chrono::steady_clock::now() > deadline)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    opened.port->stop();
    std::lock_guard lock(mutex);
    ASSERT_EQ(received.size(), expectedStatus.size());
    EXPECT_EQ(received[0], (MidiInMessage{0x90, 0x3C, 0x64, received[0].time}));
    EXPECT_EQ(received[1], (MidiInMessage{0xC2, 0x07, 0x00, received[1].time}));
    EXPECT_EQ(received[2], (MidiInMessage{0x80, 0x3C, 0x00, received[2].time}));
    EXPECT_LE(received[0].time, received[2].time);
}

} // namespace
} // namespace velisto
