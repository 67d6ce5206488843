#include "playback/OutputMonitor.h"

#include "song/Positions.h"

#include <algorithm>
#include <utility>

namespace velisto {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kAfterPosition = "   ";
} // namespace

void OutputMonitor::setSong(const Song* song)
{
    const std::lock_guard lock(mutex_);
    song_ = song;
}

void OutputMonitor::setRefreshRequest(RefreshRequest request)
{
    const std::lock_guard lock(mutex_);
    refresh_ = std::move(request);
    refreshPending_ = false;
}

void OutputMonitor::open()
{
    const std::lock_guard lock(mutex_);
    text_.clear();
    taken_ = 0;
    clearedSinceTake_ = false;
    refreshPending_ = false;
    active_.store(true, std::memory_order_release);
}

void OutputMonitor::close()
{
    const std::lock_guard lock(mutex_);
    active_.store(false, std::memory_order_release);
    std::string().swap(text_);
    taken_ = 0;
    clearedSinceTake_ = false;
    refreshPending_ = false;
}

void OutputMonitor::addLine(std::int32_t tick, std::string_view text)
{
    // The prefix is composed outside the lock; the song is only read.
    std::string prefix;
    if (tick != -1) {
        const Song* song = nullptr;
        {
            const std::lock_guard lock(mutex_);
            if (!active_.load(std::memory_order_relaxed))
                return;
            song = song_;
        }
        prefix = song ? positionText(*song, tick) : std::to_string(tick);
        prefix += kAfterPosition;
    }
    const std::lock_guard lock(mutex_);
    if (!active_.load(std::memory_order_relaxed))
        return;
    text_ += prefix;
    text_ += text;
    text_ += kLineEnd;
    requestRefreshLocked();
}

void OutputMonitor::clear()
{
    const std::lock_guard lock(mutex_);
    if (!active_.load(std::memory_order_relaxed))
        return;
    text_.clear();
    taken_ = 0;
    clearedSinceTake_ = true;
    requestRefreshLocked();
}

std::string OutputMonitor::text() const
{
    const std::lock_guard lock(mutex_);
    return text_;
}

std::string OutputMonitor::takeRefresh()
{
    const std::lock_guard lock(mutex_);
    refreshPending_ = false;
    taken_ = text_.size();
    clearedSinceTake_ = false;
    return text_;
}

MonitorAppend OutputMonitor::takeAppended()
{
    const std::lock_guard lock(mutex_);
    refreshPending_ = false;
    MonitorAppend append{std::exchange(clearedSinceTake_, false), text_.substr(std::min(taken_, text_.size()))};
    taken_ = text_.size();
    return append;
}

void OutputMonitor::requestRefreshLocked()
{
    if (refreshPending_ || !refresh_)
        return;
    refreshPending_ = true;
    refresh_();
}

} // namespace velisto
