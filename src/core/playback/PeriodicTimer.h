#pragma once
// A periodic callback at whole-millisecond periods, the heartbeat of playback.
//
// Thread contract: start, stop and running from any thread, including from inside the
// callback; callbacks of one timer never overlap, also across a restart with a new period.
//
// The callback is expected to measure real time itself (through a Clock) rather than count
// its calls: a late call is delivered late, and calls that fell due in the meantime follow at
// once, so none is skipped.

#include <chrono>
#include <functional>

namespace velisto {

class PeriodicTimer {
public:
    using Callback = std::function<void()>;

    virtual ~PeriodicTimer() = default;

    // Calls callback every period, the first call one period from now. A running timer is
    // restarted: from inside the callback this takes effect when the callback returns; from
    // another thread a callback that is running finishes first. Returns false, and changes
    // nothing, when period is not positive or callback is empty.
    virtual bool start(std::chrono::milliseconds period, Callback callback) = 0;

    // No callback begins after stop returns. From another thread stop also waits for a
    // running callback to finish; from inside the callback it returns at once (the callback
    // then finishes normally). Stopping a stopped timer does nothing.
    virtual void stop() = 0;

    virtual bool running() const = 0;
};

} // namespace velisto
