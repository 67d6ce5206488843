#pragma once
// A signal between threads in the manner of an event object: set, reset, and waiting
// until it is set. A manual-reset event stays set until reset; an auto-reset event lets one
// waiter through and resets itself. The play run's stop request is a manual-reset event.
//
// Thread contract: every member from any thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velisto {

class Event {
public:
    enum class Reset { Manual, Auto };

    explicit Event(Reset reset = Reset::Manual) : reset_(reset) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set()
    {
        {
            const std::lock_guard lock(mutex_);
            set_.store(true, std::memory_order_release);
        }
        if (reset_ == Reset::Manual)
            changed_.notify_all();
        else
            changed_.notify_one();
    }
    void reset()
    {
        const std::lock_guard lock(mutex_);
        set_.store(false, std::memory_order_release);
    }
    // Whether it is set, without waiting; an auto-reset event stays as it is.
    bool isSet() const noexcept { return set_.load(std::memory_order_acquire); }

    void wait()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return set_.load(std::memory_order_relaxed); });
        consumeLocked();
    }
    // False when the time passed without the event being set.
    template <typename Rep, typename Period> bool waitFor(std::chrono::duration<Rep, Period> timeout)
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return set_.load(std::memory_order_relaxed); }))
            return false;
        consumeLocked();
        return true;
    }

private:
    void consumeLocked()
    {
        if (reset_ == Reset::Auto)
            set_.store(false, std::memory_order_release);
    }

    const Reset reset_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> set_{false};
};

} // namespace velisto
