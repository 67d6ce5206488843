#pragma once
// A PeriodicTimer on a SimulatedClock: nothing happens until the test calls advance, which
// moves the clock from deadline to deadline and fires each due callback in order, so a test
// sees exactly the calls and clock readings a perfectly punctual timer would produce.
// setLateness delays the calls to imitate a busy system.
//
// Thread contract: every member, and advance, on the test's thread; the callbacks run
// inside advance on that thread.

#include "playback/PeriodicTimer.h"
#include "playback/SimulatedClock.h"

#include <chrono>
#include <cstdint>

namespace velisto {

class SimulatedTimer final : public PeriodicTimer {
public:
    explicit SimulatedTimer(SimulatedClock& clock) : clock_(clock) {}
    SimulatedTimer(const SimulatedTimer&) = delete;
    SimulatedTimer& operator=(const SimulatedTimer&) = delete;

    bool start(std::chrono::milliseconds period, Callback callback) override;
    void stop() override;
    bool running() const override { return running_; }

    // Moves the clock forward by duration, firing every callback that falls due on the way
    // at its deadline (plus the lateness). Calls from inside a callback are ignored.
    void advance(std::chrono::nanoseconds duration);

    // From now on each call comes this much after its deadline; the deadlines themselves
    // stay on the period's grid, so late calls do not shift the later ones.
    void setLateness(std::chrono::nanoseconds lateness) { lateness_ = lateness; }

    std::chrono::milliseconds period() const { return period_; }
    // Callbacks fired since construction.
    std::int64_t fireCount() const { return fireCount_; }

private:
    SimulatedClock& clock_;
    Callback callback_;
    std::chrono::milliseconds period_{0};
    std::chrono::nanoseconds deadline_{0};
    std::chrono::nanoseconds lateness_{0};
    std::int64_t fireCount_ = 0;
    bool running_ = false;
    bool advancing_ = false;
};

} // namespace velisto
