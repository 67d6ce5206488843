#include "midi/MidiInPort.h"
#include "midi/MidiInputText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<MidiInMessage> filtered(const Bytes& bytes) { return shortInputMessage(bytes, 2.5); }

TEST(MidiInPort, ChannelAndSystemCommonMessagesPassWithTheirTime)
{
    EXPECT_EQ(filtered({0x93, 60, 100}), (MidiInMessage{0x93, 60, 100, 2.5}));
    EXPECT_EQ(filtered({0x80, 60, 0}), (MidiInMessage{0x80, 60, 0, 2.5}));
    EXPECT_EQ(filtered({0xB0, 7, 90}), (MidiInMessage{0xB0, 7, 90, 2.5}));
    EXPECT_EQ(filtered({0xEF, 0, 64}), (MidiInMessage{0xEF, 0, 64, 2.5}));
    EXPECT_EQ(filtered({0xC5, 12}), (MidiInMessage{0xC5, 12, 0, 2.5}));
    EXPECT_EQ(filtered({0xD0, 33}), (MidiInMessage{0xD0, 33, 0, 2.5}));
    EXPECT_EQ(filtered({0xF2, 1, 2}), (MidiInMessage{0xF2, 1, 2, 2.5}));
    EXPECT_EQ(filtered({0xF3, 4}), (MidiInMessage{0xF3, 4, 0, 2.5}));
    EXPECT_EQ(filtered({0xF6}), (MidiInMessage{0xF6, 0, 0, 2.5}));
}

TEST(MidiInPort, SysexRealTimeAndMalformedMessagesAreDropped)
{
    const std::vector<Bytes> dropped{
        {},
        {0xF8}, // clock
        {0xFE}, // active sensing
        {0xFA},
        {0xFC},
        {0xFF},                               // start, stop, reset
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, // sysex
        {0xF7},
        {0xF4},
        {0xF5},             // sysex end and undefined
        {0x3C, 0x40},       // data without status
        {0x90, 60},         // too short
        {0x90, 60, 100, 0}, // too long
        {0xC0, 1, 2},
        {0x90, 0x80, 100}, // status where data belongs
    };
    for (const Bytes& bytes : dropped)
        EXPECT_FALSE(filtered(bytes)) << ::testing::PrintToString(bytes);
}

TEST(MidiInputText, ReasonsInBothWordings)
{
    const std::string head = "Can't open MIDI input device.\n";
    const std::string tail = "\nCheck your system's MIDI settings.";
    using enum MidiInputOpenContext;
    EXPECT_EQ(midiInputOpenFailureText(MidiOpenError::AlreadyAllocated, StartUp),
              head + "The resource is already allocated." + tail);
    EXPECT_EQ(midiInputOpenFailureText(MidiOpenError::AlreadyAllocated, SettingsCheck),
              head + "The specified resource is already allocated." + tail);
    for (auto context : {StartUp, SettingsCheck}) {
        EXPECT_EQ(midiInputOpenFailureText(MidiOpenError::BadDeviceId, context),
                  head + "The specified device identifier is out of range." + tail);
        EXPECT_EQ(midiInputOpenFailureText(MidiOpenError::NoMemory, context),
                  head + "The system is unable to allocate or lock memory." + tail);
        EXPECT_EQ(midiInputOpenFailureText(MidiOpenError::Other, context), head + tail);
    }
}

} // namespace
} // namespace velisto
