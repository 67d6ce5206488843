#include "midi/JackMidiPortSystem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

// What a real server does with the ports is checked by tests/integration/jack_midi_test.sh
// and jack_timing_test.sh; here the placing of messages in the process cycle.

namespace velisto {
namespace {

constexpr std::uint32_t kPeriod = 1024;

std::optional<std::uint32_t> offset(std::uint32_t sentAt, std::uint32_t cycleStart, std::uint32_t earliest = 0)
{
    return JackMidiPortSystem::cycleOffset(sentAt, cycleStart, kPeriod, earliest);
}

TEST(JackMidiPortSystem, AMessagePlaysOnePeriodAfterItsSendAtTheSamePlaceInTheCycle)
{
    // Sent 300 frames into the cycle that starts at 10240: the next cycle plays it at 300.
    EXPECT_EQ(offset(10240 + 300, 10240), std::nullopt);
    EXPECT_EQ(offset(10240 + 300, 10240 + kPeriod), 300u);
    EXPECT_EQ(offset(10240, 10240 + kPeriod), 0u);
    EXPECT_EQ(offset(10240 + kPeriod - 1, 10240 + kPeriod), kPeriod - 1);
    // One sent right at the next cycle's start belongs to the cycle after it.
    EXPECT_EQ(offset(10240 + kPeriod, 10240 + kPeriod), std::nullopt);
}

TEST(JackMidiPortSystem, ALateMessageGoesFirstThingAndNoneOvertakesTheOneBefore)
{
    // The cycle it was due in has passed (a late process thread): at once.
    EXPECT_EQ(offset(5000, 5000 + 3 * kPeriod), 0u);
    // Sent earlier than the message before it by the clock's estimate: not before it.
    EXPECT_EQ(offset(10240 + 100, 10240 + kPeriod, 400), 400u);
    EXPECT_EQ(offset(5000, 5000 + 3 * kPeriod, 17), 17u);
    // The place before is no reason to hold back a message of a later cycle.
    EXPECT_EQ(offset(10240 + kPeriod + 5, 10240 + kPeriod, 400), std::nullopt);
}

TEST(JackMidiPortSystem, ASendFarAheadOfTheCycleIsNotHeldBack)
{
    // Stamped while the server missed cycles: its frame count lags the clock for good, and
    // the message would otherwise block the port for as long as the server stood still.
    EXPECT_EQ(offset(10240 + 20 * kPeriod, 10240 + kPeriod), 0u);
    EXPECT_EQ(offset(10240 + 20 * kPeriod, 10240 + kPeriod, 300), 300u);
    EXPECT_EQ(offset(10240 + 2 * kPeriod, 10240 + kPeriod), std::nullopt) << "one cycle on is the future";
}

TEST(JackMidiPortSystem, FrameTimesThatWrapStillCompare)
{
    const std::uint32_t cycleStart = 0xFFFFFFFFu - 300; // this cycle holds the wrap
    const std::uint32_t beforeWrap = cycleStart + 100;
    EXPECT_EQ(offset(beforeWrap, cycleStart), std::nullopt);
    EXPECT_EQ(offset(beforeWrap, cycleStart + kPeriod), 100u);
    // Frame 50 comes after the wrap, 351 frames into the cycle.
    EXPECT_EQ(offset(50, cycleStart), std::nullopt);
    EXPECT_EQ(offset(50, cycleStart + kPeriod), 351u);
}

} // namespace
} // namespace velisto
