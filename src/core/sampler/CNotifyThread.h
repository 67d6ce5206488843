#pragma once
// The worker a sound buffer's notifications wake: each time the buffer signals its
// notification event the worker either refills (a voice's next half, the wave editor's
// refill mark), finishes when told to stop, or, in quit mode, lets its buffer go when
// playback has ended (a dialog sound). It ends itself; join() waits for that.
//
// Thread contract: start, setQuit, requestStop, join and the destructor on the owning
// thread; the callbacks run on the worker thread. notification() is the event the buffer
// signals (auto-reset); finished() is set once the worker has ended, from any thread.

#include "app/Event.h"

#include <atomic>
#include <functional>
#include <thread>

namespace velisto {

class CNotifyThread {
public:
    struct Callbacks {
        // Once per notification while neither stop nor quit is asked; false ends the
        // worker (the voice reached its end).
        std::function<bool()> refill;
        // When the stop flag ended the worker (the wave editor clears its playing mark).
        std::function<void()> stopped;
        // When the worker ended in quit mode: stop and release the buffer.
        std::function<void()> quit;
    };

    // Run at the start of every worker, e.g. to raise its scheduling priority; core has
    // no portable way to do that, so the platform layer installs it. Set before any start.
    static void setThreadStartHook(void (*hook)());

    CNotifyThread() = default;
    CNotifyThread(const CNotifyThread&) = delete;
    CNotifyThread& operator=(const CNotifyThread&) = delete;
    // Stops a worker still running and waits for it.
    ~CNotifyThread();

    Event& notification() { return notification_; }
    Event& finished() { return finished_; }
    bool running() const { return running_.load(); }

    // Quit mode: the next notification ends the worker through callbacks.quit. May be set
    // before start (a dialog sound) or while running.
    void setQuit();
    // False when already started.
    bool start(Callbacks callbacks);
    // Asks the worker to finish and wakes it; join() or finished() to wait for it.
    void requestStop();
    void join();

private:
    void run();

    Event notification_{Event::Reset::Auto};
    Event finished_{Event::Reset::Manual};
    std::atomic<bool> quit_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    Callbacks callbacks_;
    std::thread thread_;
};

} // namespace velisto
