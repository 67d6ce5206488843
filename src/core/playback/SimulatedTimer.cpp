#include "playback/SimulatedTimer.h"

#include <utility>

namespace velisto {

bool SimulatedTimer::start(std::chrono::milliseconds period, Callback callback)
{
    if (period.count() <= 0 || !callback) {
        return false;
    }
    period_ = period;
    callback_ = std::move(callback);
    deadline_ = clock_.now() + period;
    running_ = true;
    return true;
}

void SimulatedTimer::stop() { running_ = false; }

void SimulatedTimer::advance(std::chrono::nanoseconds duration)
{
    if (advancing_) {
        return;
    }
    advancing_ = true;
    const std::chrono::nanoseconds end = clock_.now() + duration;
    while (running_ && deadline_ + lateness_ <= end) {
        clock_.set(deadline_ + lateness_);
        deadline_ += period_;
        ++fireCount_;
        // A copy, so that a restart from inside the callback may replace callback_.
        const Callback callback = callback_;
        callback();
    }
    clock_.set(end);
    advancing_ = false;
}

} // namespace velisto
