#pragma once
// The real PeriodicTimer: one thread of its own that sleeps until absolute deadlines on
// steady_clock. Each deadline is the previous one plus the period, so the calls do not drift
// however late each wake-up is; a call that is late is made at once, and the ones that fell
// due meanwhile follow back to back (a burst), never skipped. The thread asks for real-time
// scheduling (SCHED_FIFO) and keeps normal scheduling when the system does not permit it.
//
// Thread contract: start, stop and running from any thread, including the callback; the
// callback runs only on the timer's thread. Do not destroy the timer from its callback.

#include "playback/PeriodicTimer.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace velisto {

class ThreadPeriodicTimer final : public PeriodicTimer {
public:
    ThreadPeriodicTimer() = default;
    ~ThreadPeriodicTimer() override;
    ThreadPeriodicTimer(const ThreadPeriodicTimer&) = delete;
    ThreadPeriodicTimer& operator=(const ThreadPeriodicTimer&) = delete;

    // Also false, with the timer stopped, when the system cannot create the timer's thread.
    bool start(std::chrono::milliseconds period, Callback callback) override;
    void stop() override;
    bool running() const override;

    // Whether the timer's thread got real-time scheduling; false until that thread has begun.
    bool realTime() const;

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void run();
    bool onTimerThread() const;
    // Waits, with lock held on mutex_, until no callback runs (not on the timer's thread).
    void waitForCallback(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable wake_; // the timer's thread: a new schedule or quitting
    std::condition_variable idle_; // others: a callback has finished
    std::shared_ptr<Callback> callback_;
    std::chrono::milliseconds period_{0};
    TimePoint deadline_{};
    bool active_ = false;
    bool inCallback_ = false;
    bool quit_ = false;
    bool realTime_ = false;
    std::thread thread_;
    std::thread::id threadId_;
};

} // namespace velisto
