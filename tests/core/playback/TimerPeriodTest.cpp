#include "playback/TimerPeriod.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace velisto {
namespace {

using std::chrono::milliseconds;

TEST(TimerPeriod, IsTheWholeMillisecondsOfOneTickPlusOne)
{
    EXPECT_EQ(timerPeriod(96, 120.0), milliseconds(6));  // a tick of 5.208 ms
    EXPECT_EQ(timerPeriod(96, 60.0), milliseconds(11));  // 10.417 ms
    EXPECT_EQ(timerPeriod(480, 120.0), milliseconds(2)); // 1.042 ms
    EXPECT_EQ(timerPeriod(100, 120.0), milliseconds(6)); // exactly 5 ms: still plus one
    EXPECT_EQ(timerPeriod(96, 120.5), milliseconds(6));  // fractional tempo, 5.187 ms
    EXPECT_EQ(timerPeriod(960, 300.0), milliseconds(1)); // ticks shorter than 1 ms
    EXPECT_EQ(timerPeriod(1, 1.0), milliseconds(60001));
}

TEST(TimerPeriod, HasNoValueWithoutAUsableTempo)
{
    EXPECT_FALSE(timerPeriod(0, 120.0));
    EXPECT_FALSE(timerPeriod(-96, 120.0));
    EXPECT_FALSE(timerPeriod(96, 0.0)); // the mark of an unused tempo entry
    EXPECT_FALSE(timerPeriod(96, -120.0));
    EXPECT_FALSE(timerPeriod(96, std::numeric_limits<double>::quiet_NaN()));
    // A tick longer than a day would overflow the period on the way; no song means that.
    EXPECT_FALSE(timerPeriod(1, 1e-9));
    EXPECT_EQ(timerPeriod(1, 0.001), milliseconds(60000001));
}

} // namespace
} // namespace velisto
