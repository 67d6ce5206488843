#pragma once
// The play run's karaoke hooks in the GUI: the run's threads only store the tick reached
// and post; the window, its model and all font work live on the user-interface thread,
// where each refresh lets the window catch up tick by tick.
//
// Thread contract: open on the run's worker, advance, refresh and close on the timer's
// thread; setSettings, window() and the window itself on the user-interface thread.
// Posts still queued when the hooks are destroyed are dropped.

#include "CKaraokeWnd.h"
#include "playback/CMidiThread.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>

namespace velisto {

class GuiKaraokeHooks final : public KaraokeHooks {
public:
    // parent: the window the karaoke window stays above.
    explicit GuiKaraokeHooks(QWidget* parent) : parent_(parent) {}
    GuiKaraokeHooks(const GuiKaraokeHooks&) = delete;
    GuiKaraokeHooks& operator=(const GuiKaraokeHooks&) = delete;
    ~GuiKaraokeHooks() override;

    // The "Karaoke" settings of the next run; before it starts.
    void setSettings(const KaraokeSettings& settings) { settings_ = settings; }
    // The open window; null when none.
    CKaraokeWnd* window() const { return window_; }

    bool open(const Song& song, std::int32_t startTick) override;
    void countInEnded() override;
    void advance(std::int32_t tick) override;
    void refresh() override;
    void close() override;

private:
    void post(std::function<void()> work);

    QWidget* parent_;
    KaraokeSettings settings_;
    QObject context_; // lives on the user-interface thread; posted work runs there
    std::atomic<std::int32_t> tick_{0};
    std::atomic<bool> refreshPosted_{false};
    QPointer<CKaraokeWnd> window_;
};

} // namespace velisto
