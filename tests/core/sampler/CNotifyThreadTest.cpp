#include "sampler/CNotifyThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace velisto {
namespace {

using namespace std::chrono_literals;

// Waits until done() holds, for at most two seconds.
template <typename Condition> bool eventually(Condition done)
{
    const auto until = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(CNotifyThreadTest, RefillsOncePerNotificationUntilRefillEnds)
{
    CNotifyThread worker;
    std::atomic<int> refills{0};
    CNotifyThread::Callbacks callbacks;
    callbacks.refill = [&] { return ++refills < 3; };
    ASSERT_TRUE(worker.start(callbacks));
    EXPECT_FALSE(worker.start(callbacks));
    for (int i = 1; i <= 3; ++i) {
        worker.notification().set();
        ASSERT_TRUE(eventually([&] { return refills.load() == i; }));
    }
    EXPECT_TRUE(worker.finished().waitFor(2s));
    EXPECT_FALSE(worker.running());
    worker.join();
    EXPECT_EQ(refills.load(), 3);
}

TEST(CNotifyThreadTest, StopFinishesWithoutRefill)
{
    CNotifyThread worker;
    std::atomic<int> refills{0};
    std::atomic<bool> stopped{false};
    CNotifyThread::Callbacks callbacks;
    callbacks.refill = [&] { return ++refills > 0; };
    callbacks.stopped = [&] { stopped = true; };
    worker.start(callbacks);
    worker.requestStop();
    EXPECT_TRUE(worker.finished().waitFor(2s));
    EXPECT_TRUE(stopped.load());
    EXPECT_EQ(refills.load(), 0);
}

TEST(CNotifyThreadTest, QuitModeEndsAtTheFirstNotificationAfterTheHook)
{
    static std::atomic<std::thread::id> hookThread{};
    CNotifyThread::setThreadStartHook([] { hookThread = std::this_thread::get_id(); });
    CNotifyThread worker;
    worker.setQuit();
    std::atomic<std::thread::id> quitThread{};
    CNotifyThread::Callbacks callbacks;
    callbacks.refill = [] { return true; };
    callbacks.quit = [&] { quitThread = std::this_thread::get_id(); };
    worker.start(callbacks);
    EXPECT_FALSE(worker.finished().waitFor(20ms)); // waits for its buffer to stop
    worker.notification().set();
    EXPECT_TRUE(worker.finished().waitFor(2s));
    worker.join();
    CNotifyThread::setThreadStartHook(nullptr);
    EXPECT_NE(quitThread.load(), std::thread::id{});
    EXPECT_EQ(quitThread.load(), hookThread.load());
    EXPECT_NE(quitThread.load(), std::this_thread::get_id());
}

} // namespace
} // namespace velisto
