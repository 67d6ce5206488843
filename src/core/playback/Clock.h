#pragma once
// A monotonic time source, injectable so that play scheduling can run on simulated time in
// tests. Only differences between two readings mean anything; the epoch is arbitrary.
//
// Thread contract: now() may be called from any thread.

#include <chrono>

namespace velisto {

class Clock {
public:
    virtual ~Clock() = default;
    // Time since the clock's epoch; never goes backwards.
    virtual std::chrono::nanoseconds now() const noexcept = 0;
};

// The system's monotonic clock (not affected by changes of the wall-clock time).
class SteadyClock final : public Clock {
public:
    std::chrono::nanoseconds now() const noexcept override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

} // namespace velisto
