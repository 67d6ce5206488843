// The real timer on a real clock. The machine running these may be loaded, so the bounds
// are loose: they tell a working timer from a broken one, not a precise one from a sloppy
// one (bench/TimerBench measures precision).

#include "timer/ThreadPeriodicTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// Waits up to timeout for predicate, polling.
template <typename Predicate> bool eventually(Predicate predicate, std::chrono::milliseconds timeout = 3s)
{
    const auto end = Steady::now() + timeout;
    while (!predicate()) {
        if (Steady::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(ThreadPeriodicTimer, RejectsAZeroPeriodOrNoCallback)
{
    ThreadPeriodicTimer timer;
    EXPECT_FALSE(timer.start(0ms, [] {}));
    EXPECT_FALSE(timer.start(5ms, {}));
    EXPECT_FALSE(timer.running());
    timer.stop(); // stopping a timer that never ran is harmless
}

TEST(ThreadPeriodicTimer, KeepsToItsScheduleAfterASlowCallbackWithoutDrift)
{
    // The first call blocks for 100 ms; the calls that fall due meanwhile must follow at
    // once, so the count keeps up with the clock. A timer that waited one period after each
    // call would end about ten calls short.
    constexpr auto kPeriod = 10ms;
    std::mutex mutex;
    std::vector<Steady::time_point> calls;
    ThreadPeriodicTimer timer;
    const auto started = Steady::now();
    ASSERT_TRUE(timer.start(kPeriod, [&] {
        const auto now = Steady::now();
        bool first = false;
        {
            const std::lock_guard lock(mutex);
            calls.push_back(now);
            first = calls.size() == 1;
        }
        if (first) {
            std::this_thread::sleep_for(100ms);
        }
    }));
    std::this_thread::sleep_for(300ms);
    timer.stop();
    const auto stopped = Steady::now();

    const std::lock_guard lock(mutex);
    const auto due = static_cast<std::size_t>((stopped - started) / kPeriod);
    EXPECT_LE(calls.size(), due);
    EXPECT_GE(calls.size() + 5, due) << "calls: " << calls.size();
    // Never early: call k comes no sooner than k periods after the start.
    for (std::size_t k = 0; k < calls.size(); ++k) {
        EXPECT_GE(calls[k] - started, kPeriod * static_cast<int>(k + 1)) << "call " << k + 1;
    }
    EXPECT_FALSE(timer.running());
}

TEST(ThreadPeriodicTimer, CallbacksNeverOverlapAcrossRestarts)
{
    // Restarts come both from the callback (a tempo change) and from another thread.
    ThreadPeriodicTimer timer;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<int> count{0};
    std::function<void()> callback = [&] {
        if (inside.fetch_add(1) != 0) {
            overlapped = true;
        }
        const int n = ++count;
        std::this_thread::sleep_for(200us);
        if (n % 3 == 0) {
            timer.start(std::chrono::milliseconds(1 + n % 2), callback);
        }
        inside.fetch_sub(1);
    };
    ASSERT_TRUE(timer.start(1ms, callback));
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(1500 + 500 * (i % 3)));
        ASSERT_TRUE(timer.start(1ms, callback));
    }
    EXPECT_TRUE(eventually([&] { return count.load() >= 20; }));
    timer.stop();
    EXPECT_EQ(inside.load(), 0); // stop returned after the last callback finished
    EXPECT_FALSE(overlapped.load());
}

TEST(ThreadPeriodicTimer, StopFromTheCallbackReturnsAndEndsTheCalls)
{
    ThreadPeriodicTimer timer;
    std::atomic<int> count{0};
    std::atomic<bool> stopReturned{false};
    ASSERT_TRUE(timer.start(2ms, [&] {
        if (++count == 3) {
            timer.stop();
            stopReturned = true;
        }
    }));
    ASSERT_TRUE(eventually([&] { return stopReturned.load(); }));
    EXPECT_FALSE(timer.running());
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(count.load(), 3);

    // The same timer starts again afterwards.
    ASSERT_TRUE(timer.start(1ms, [&] { ++count; }));
    EXPECT_TRUE(eventually([&] { return count.load() >= 6; }));
}

TEST(ThreadPeriodicTimer, StopFromOutsideWaitsForTheRunningCallback)
{
    ThreadPeriodicTimer timer;
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    std::atomic<int> count{0};
    ASSERT_TRUE(timer.start(1ms, [&] {
        ++count;
        entered = true;
        std::this_thread::sleep_for(50ms);
        finished = true;
    }));
    ASSERT_TRUE(eventually([&] { return entered.load(); }));
    timer.stop();
    EXPECT_TRUE(finished.load());
    const int calls = count.load();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(count.load(), calls);
}

TEST(ThreadPeriodicTimer, ARestartFromTheCallbackTakesTheNewPeriod)
{
    // From 1 ms to 50 ms at the first call: over 200 ms that leaves a handful of calls,
    // where the old period would give about 200.
    ThreadPeriodicTimer timer;
    std::atomic<int> count{0};
    std::function<void()> callback = [&] {
        if (++count == 1) {
            timer.start(50ms, callback);
        }
    };
    ASSERT_TRUE(timer.start(1ms, callback));
    std::this_thread::sleep_for(200ms);
    timer.stop();
    EXPECT_GE(count.load(), 2);
    EXPECT_LE(count.load(), 6);
}

TEST(ThreadPeriodicTimer, DestroyingARunningTimerEndsItsThread)
{
    std::atomic<int> count{0};
    {
        ThreadPeriodicTimer timer;
        ASSERT_TRUE(timer.start(1ms, [&] { ++count; }));
        ASSERT_TRUE(eventually([&] { return count.load() >= 2; }));
    }
    const int calls = count.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(count.load(), calls);
}

} // namespace
} // namespace velisto
