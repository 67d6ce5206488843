#include "midi/OutputDevice.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

TEST(OutputDevice, KindIsToldByName)
{
    const OutputDevice placeholder(0, std::string(kPlaceholderDeviceName));
    const OutputDevice generator(1, std::string(kGeneratorDeviceName));
    const OutputDevice port(2, "USB MIDI Interface", 0);
    EXPECT_TRUE(placeholder.isPlaceholder());
    EXPECT_FALSE(placeholder.isGenerator() || placeholder.isPort());
    EXPECT_TRUE(generator.isGenerator());
    EXPECT_FALSE(generator.isPlaceholder() || generator.isPort());
    EXPECT_TRUE(port.isPort());
    EXPECT_FALSE(OutputDevice(2, "no MIDI Output device ", 0).isPlaceholder()) << "exact names only";
}

TEST(OutputDevice, ResetSendingStateStartsTheReceiverInItsPowerOnMode)
{
    OutputDevice device(2, "Synth", 0);
    device.powerOnMode = MidiMode::XG;
    device.runningStatus = 0x90;
    device.trackMode = MidiMode::GS;
    device.lastRpnNrpnKind[4] = RpnNrpnKind::Nrpn;
    device.liveState.setControllerValue(0, 1, 99);

    device.resetSendingState();
    EXPECT_EQ(device.liveState.mode(), MidiMode::XG);
    EXPECT_EQ(device.liveModeName(), "XG");
    EXPECT_TRUE(device.liveState.resetDone());
    EXPECT_EQ(device.liveState.part(10)->rhythmValue, 2) << "a full XG reset";
    EXPECT_NE(device.liveState.controllerValue(0, 1), 99);
    EXPECT_EQ(device.runningStatus, kNoRunningStatus);
    EXPECT_EQ(device.trackMode, MidiMode::GM);
    EXPECT_EQ(device.lastRpnNrpnKind[4], RpnNrpnKind::None);

    device.powerOnMode = 7; // a damaged record
    device.resetSendingState();
    EXPECT_EQ(device.liveModeName(), "GM");
}

} // namespace
} // namespace velisto
