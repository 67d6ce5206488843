#pragma once
// A clock that moves only when told to, for tests of time-driven code.
//
// Thread contract: set and advance on one thread (the test's); now() from any thread.

#include "playback/Clock.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace velisto {

class SimulatedClock final : public Clock {
public:
    explicit SimulatedClock(std::chrono::nanoseconds start = std::chrono::nanoseconds(0)) : now_(start.count()) {}

    std::chrono::nanoseconds now() const noexcept override
    {
        return std::chrono::nanoseconds(now_.load(std::memory_order_acquire));
    }

    // Moves to time; a time earlier than now is ignored, since a clock never goes back.
    void set(std::chrono::nanoseconds time) noexcept
    {
        if (time.count() > now_.load(std::memory_order_relaxed)) {
            now_.store(time.count(), std::memory_order_release);
        }
    }
    void advance(std::chrono::nanoseconds by) noexcept { set(now() + by); }

private:
    std::atomic<std::int64_t> now_;
};

} // namespace velisto
