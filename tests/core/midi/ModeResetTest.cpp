#include "midi/ModeReset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

OutputDevice portDevice() { return OutputDevice(2, "Synth", 0); }

TEST(ModeReset, FactoryIdsGiveTheStandardMessages)
{
    const OutputDevice device = portDevice();
    EXPECT_EQ(modeEnterMessage(MidiMode::GM, device), (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(modeEnterMessage(MidiMode::GS, device),
              (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(modeEnterMessage(MidiMode::XG, device), (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_EQ(modeEnterMessage(MidiMode::GM2, device), (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x03, 0xF7}));
    EXPECT_TRUE(modeEnterMessage(4, device).empty());
    EXPECT_TRUE(modeEnterMessage(-1, device).empty());

    // The GS reset carries a Roland checksum over address and data.
    const Bytes gs = modeEnterMessage(MidiMode::GS, device);
    const int sum = std::accumulate(gs.begin() + 5, gs.begin() + 9, 0);
    EXPECT_EQ((sum + gs[9]) % 128, 0);
}

TEST(ModeReset, DeviceIdsAddressTheReceiverOnlyWhereTheStandardIsSupported)
{
    OutputDevice device = portDevice();
    device.universalSysexId = "05";
    device.nonUniversalSysexId = "11";
    EXPECT_EQ(modeEnterMessage(MidiMode::GM, device)[2], 0x05);
    EXPECT_EQ(modeEnterMessage(MidiMode::GM2, device)[2], 0x05);
    EXPECT_EQ(modeEnterMessage(MidiMode::GS, device)[2], 0x10) << "GS unsupported: the GS default id";
    EXPECT_EQ(modeEnterMessage(MidiMode::XG, device)[2], 0x10) << "XG unsupported: device 0";

    device.gsSupported = true;
    EXPECT_EQ(modeEnterMessage(MidiMode::GS, device)[2], 0x11);

    device.xgSupported = true;
    device.nonUniversalSysexId = "3";
    EXPECT_EQ(modeEnterMessage(MidiMode::XG, device)[2], 0x13);
    device.nonUniversalSysexId = "10"; // a GS-style id on an XG device
    EXPECT_EQ(modeEnterMessage(MidiMode::XG, device)[2], 0x10);
    device.nonUniversalSysexId = "7f";
    EXPECT_EQ(modeEnterMessage(MidiMode::GS, device)[2], 0x7F) << "lower-case hex";
}

TEST(ModeReset, DamagedIdsFallBackInsteadOfSendingABadByte)
{
    OutputDevice device = portDevice();
    device.gsSupported = true;
    device.xgSupported = true;
    for (const char* bad : {"", "80", "ZZ", "1G", "-1", "0x7F", "100"}) {
        device.universalSysexId = bad;
        device.nonUniversalSysexId = bad;
        EXPECT_EQ(modeEnterMessage(MidiMode::GM, device)[2], 0x7F) << bad;
        EXPECT_EQ(modeEnterMessage(MidiMode::GS, device)[2], 0x10) << bad;
        EXPECT_EQ(modeEnterMessage(MidiMode::XG, device)[2], 0x10) << bad;
    }
}

} // namespace
} // namespace velisto
