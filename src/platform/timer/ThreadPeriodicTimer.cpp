#include "ThreadPeriodicTimer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <system_error>
#include <utility>

namespace velisto {

namespace {

// Above ordinary threads, below the system's own real-time work (audio servers usually run
// in the 70s-90s and must not be starved by a MIDI clock).
constexpr int kRealTimePriority = 40;

bool tryRealTimeScheduling()
{
    sched_param param{};
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    const int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest < 0 || highest < 0) {
        return false;
    }
    param.sched_priority = kRealTimePriority < lowest    ? lowest
                           : kRealTimePriority > highest ? highest
                                                         : kRealTimePriority;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
        return true;
    }
    // Without CAP_SYS_NICE a user may still be granted priorities up to RLIMIT_RTPRIO (the
    // "audio" group often is); with no grant at all normal scheduling stays in force, which
    // is good enough at millisecond periods on an idle system.
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0 ||
        limit.rlim_cur >= static_cast<rlim_t>(param.sched_priority) || static_cast<int>(limit.rlim_cur) < lowest) {
        return false;
    }
    param.sched_priority = static_cast<int>(limit.rlim_cur);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

} // namespace

ThreadPeriodicTimer::~ThreadPeriodicTimer()
{
    {
        std::unique_lock lock(mutex_);
        active_ = false;
        quit_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool ThreadPeriodicTimer::start(std::chrono::milliseconds period, Callback callback)
{
    if (period.count() <= 0 || !callback) {
        return false;
    }
    std::unique_lock lock(mutex_);
    if (!onTimerThread()) {
        // A restart from outside must not let the old callback overlap the new schedule's
        // first call, nor run on after start returns.
        active_ = false;
        waitForCallback(lock);
    }
    callback_ = std::make_shared<Callback>(std::move(callback));
    period_ = period;
    deadline_ = std::chrono::steady_clock::now() + period;
    active_ = true;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // Out of threads: report it rather than let the exception reach the caller.
            active_ = false;
            return false;
        }
        threadId_ = thread_.get_id();
    }
    wake_.notify_all();
    return true;
}

void ThreadPeriodicTimer::stop()
{
    std::unique_lock lock(mutex_);
    active_ = false;
    wake_.notify_all();
    if (!onTimerThread()) {
        waitForCallback(lock);
        // The callback that ran may have restarted the timer; the later stop wins.
        active_ = false;
    }
}

bool ThreadPeriodicTimer::running() const
{
    const std::lock_guard lock(mutex_);
    return active_;
}

bool ThreadPeriodicTimer::realTime() const
{
    const std::lock_guard lock(mutex_);
    return realTime_;
}

bool ThreadPeriodicTimer::onTimerThread() const
{
    return thread_.joinable() && std::this_thread::get_id() == threadId_;
}

void ThreadPeriodicTimer::waitForCallback(std::unique_lock<std::mutex>& lock)
{
    idle_.wait(lock, [this] { return !inCallback_; });
}

void ThreadPeriodicTimer::run()
{
    const bool realTime = tryRealTimeScheduling();
    std::unique_lock lock(mutex_);
    realTime_ = realTime;
    while (!quit_) {
        if (!active_) {
            wake_.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < deadline_) {
            // Woken early by a restart or stop, the loop looks at the schedule again.
            wake_.wait_until(lock, deadline_);
            continue;
        }
        deadline_ += period_;
        const std::shared_ptr<Callback> callback = callback_;
        inCallback_ = true;
        lock.unlock();
        (*callback)();
        lock.lock();
        inCallback_ = false;
        idle_.notify_all();
    }
}

} // namespace velisto
