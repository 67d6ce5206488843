#include "playback/SimulatedTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace velisto {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

class SimulatedTimerTest : public ::testing::Test {
protected:
    // The clock's reading at every call, in milliseconds.
    std::vector<std::int64_t> calls;
    SimulatedClock clock{nanoseconds(1000ms)};
    SimulatedTimer timer{clock};

    void record() { calls.push_back(std::chrono::duration_cast<milliseconds>(clock.now()).count() - 1000); }
};

TEST_F(SimulatedTimerTest, FiresAtEveryDeadlineWithTheClockAtTheDeadline)
{
    ASSERT_TRUE(timer.start(6ms, [this] { record(); }));
    EXPECT_TRUE(timer.running());
    timer.advance(5ms);
    EXPECT_TRUE(calls.empty()); // the first call comes one period after the start
    timer.advance(14ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{6, 12, 18}));
    EXPECT_EQ(clock.now(), nanoseconds(1019ms)); // the clock ends where advance said
    timer.advance(5ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{6, 12, 18, 24}));
    EXPECT_EQ(timer.fireCount(), 4);
}

TEST_F(SimulatedTimerTest, RejectsAZeroPeriodOrNoCallbackAndKeepsItsSchedule)
{
    EXPECT_FALSE(timer.start(0ms, [this] { record(); }));
    EXPECT_FALSE(timer.start(-1ms, [this] { record(); }));
    EXPECT_FALSE(timer.running());
    ASSERT_TRUE(timer.start(10ms, [this] { record(); }));
    EXPECT_FALSE(timer.start(1ms, {}));
    timer.advance(20ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{10, 20}));
}

TEST_F(SimulatedTimerTest, RestartFromTheCallbackCountsTheNewPeriodFromThatCall)
{
    // The way playback follows a tempo change: at the second call the period becomes 2 ms.
    std::function<void()> callback = [&] {
        record();
        if (calls.size() == 2) {
            EXPECT_TRUE(timer.start(2ms, callback));
        }
    };
    ASSERT_TRUE(timer.start(6ms, callback));
    timer.advance(20ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{6, 12, 14, 16, 18, 20}));
    EXPECT_EQ(timer.period(), 2ms);
}

TEST_F(SimulatedTimerTest, StopFromTheCallbackEndsTheCallsAtOnce)
{
    ASSERT_TRUE(timer.start(1ms, [this] {
        record();
        if (calls.size() == 3) {
            timer.stop();
        }
    }));
    timer.advance(50ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_FALSE(timer.running());
    EXPECT_EQ(clock.now(), nanoseconds(1050ms));

    // Started again, it counts from the new start.
    ASSERT_TRUE(timer.start(4ms, [this] { record(); }));
    timer.advance(8ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{1, 2, 3, 54, 58}));
}

TEST_F(SimulatedTimerTest, LateCallsKeepTheGridAndComeInABurstWhenOverdue)
{
    timer.setLateness(3ms);
    ASSERT_TRUE(timer.start(5ms, [this] { record(); }));
    timer.advance(20ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{8, 13, 18}));

    // A system that stalls 12 ms: the three overdue calls arrive together, none is lost.
    timer.setLateness(12ms);
    timer.advance(18ms); // to 38: deadlines 20 and 25 are due at 32 and 37
    timer.setLateness(0ms);
    timer.advance(0ms); // 30 and 35 are overdue and fire at once, at 38
    EXPECT_EQ(calls, (std::vector<std::int64_t>{8, 13, 18, 32, 37, 38, 38}));
}

TEST_F(SimulatedTimerTest, AdvanceFromInsideTheCallbackIsIgnored)
{
    ASSERT_TRUE(timer.start(2ms, [this] {
        record();
        timer.advance(100ms);
    }));
    timer.advance(6ms);
    EXPECT_EQ(calls, (std::vector<std::int64_t>{2, 4, 6}));
}

TEST(SimulatedClock, NeverGoesBack)
{
    SimulatedClock clock(nanoseconds(500));
    clock.advance(nanoseconds(250));
    EXPECT_EQ(clock.now(), nanoseconds(750));
    clock.set(nanoseconds(100));
    clock.advance(nanoseconds(-50));
    EXPECT_EQ(clock.now(), nanoseconds(750));
}

} // namespace
} // namespace velisto
