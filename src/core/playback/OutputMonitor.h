#pragma once
// The MIDI output monitor's log: one text of "\r\n"-ended lines that tells what was sent
// to the output devices and why. While the monitor is closed nothing is logged, and
// writers are expected to ask active() (or use addLineWith) before composing any text, so
// that a closed monitor costs one atomic load per event.
//
// Thread contract: open, close, setSong and setRefreshRequest on the user-interface thread;
// addLine, addLineWith and clear from any thread (user interface, play timer callback,
// MIDI input callback); text, takeRefresh and takeAppended from the user-interface thread. One mutex
// guards the text and whether the monitor exists; the window itself is never touched here.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace velisto {

class Song;

// What a window that keeps its own copy of the log must do to catch up.
struct MonitorAppend {
    bool cleared = false; // the log was emptied since the last take: drop the copy first
    std::string text;     // then append this
};

class OutputMonitor {
public:
    // Asks the window to show the text again. Called with the monitor's lock held, so it
    // must only post (never call back into the monitor); it is called once per batch of
    // lines until the window takes the text with takeRefresh.
    using RefreshRequest = std::function<void()>;

    // song gives the lines' position prefix; it must outlive the monitor (or be replaced).
    explicit OutputMonitor(const Song* song = nullptr) : song_(song) {}
    OutputMonitor(const OutputMonitor&) = delete;
    OutputMonitor& operator=(const OutputMonitor&) = delete;

    void setSong(const Song* song);
    void setRefreshRequest(RefreshRequest request);

    // Opening starts with an empty text; closing drops the text.
    void open();
    void close();
    bool active() const noexcept { return active_.load(std::memory_order_acquire); }

    // Appends the line: with tick -1 as it is, otherwise after the tick's position
    // ("MMMM:BB:TTT", or the bare tick without a song) and three blanks. Does nothing
    // while the monitor is closed.
    void addLine(std::int32_t tick, std::string_view text);
    // The same, composing the text only while the monitor is open.
    template <typename Compose> void addLineWith(std::int32_t tick, Compose&& compose)
    {
        if (!active())
            return;
        composeCount_.fetch_add(1, std::memory_order_relaxed);
        addLine(tick, std::forward<Compose>(compose)());
    }
    void clear();

    std::string text() const;
    // The window's refresh: the whole text; the next line asks for a refresh again.
    std::string takeRefresh();
    // The same, but only what was added since the last take: a long log is not handed
    // over again for every line.
    MonitorAppend takeAppended();
    // How many texts addLineWith has composed since construction (for measurements).
    std::uint64_t composeCount() const noexcept { return composeCount_.load(std::memory_order_relaxed); }

private:
    void requestRefreshLocked();

    mutable std::mutex mutex_;
    std::atomic<bool> active_{false}; // written under mutex_, read without it as a hint
    const Song* song_ = nullptr;
    std::string text_;
    std::size_t taken_ = 0; // bytes of text_ the window has already taken
    bool clearedSinceTake_ = false;
    RefreshRequest refresh_;
    bool refreshPending_ = false;
    std::atomic<std::uint64_t> composeCount_{0};
};

} // namespace velisto
