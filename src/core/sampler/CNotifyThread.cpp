#include "sampler/CNotifyThread.h"

namespace velisto {

namespace {

std::atomic<void (*)()> threadStartHook{nullptr};

} // namespace

void CNotifyThread::setThreadStartHook(void (*hook)()) { threadStartHook.store(hook); }

CNotifyThread::~CNotifyThread()
{
    if (thread_.joinable()) {
        requestStop();
        thread_.join();
    }
}

void CNotifyThread::setQuit()
{
    quit_.store(true);
    // Only wake a running worker: before start, the first notification ends it.
    if (running_.load())
        notification_.set();
}

bool CNotifyThread::start(Callbacks callbacks)
{
    if (thread_.joinable())
        return false;
    callbacks_ = std::move(callbacks);
    running_.store(true);
    thread_ = std::thread([this] { run(); });
    return true;
}

void CNotifyThread::requestStop()
{
    stop_.store(true);
    notification_.set();
}

void CNotifyThread::join()
{
    if (thread_.joinable())
        thread_.join();
}

void CNotifyThread::run()
{
    if (auto* hook = threadStartHook.load())
        hook();
    for (;;) {
        notification_.wait();
        if (quit_.load()) {
            if (callbacks_.quit)
                callbacks_.quit();
            break;
        }
        if (stop_.load()) {
            if (callbacks_.stopped)
                callbacks_.stopped();
            break;
        }
        if (callbacks_.refill && !callbacks_.refill())
            break;
    }
    running_.store(false);
    finished_.set();
}

} // namespace velisto
