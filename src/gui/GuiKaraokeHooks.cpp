#include "GuiKaraokeHooks.h"

#include "app/KaraokeModel.h"

namespace velisto {

GuiKaraokeHooks::~GuiKaraokeHooks() { delete window_.data(); }

void GuiKaraokeHooks::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

bool GuiKaraokeHooks::open(const Song& song, std::int32_t startTick)
{
    if (!songTextTrackHasText(song, settings_))
        return false;
    tick_.store(startTick, std::memory_order_relaxed);
    post([this, &song, startTick, settings = settings_] {
        delete window_.data();
        window_ = new CKaraokeWnd(song, settings, startTick, parent_);
        if (parent_) {
            // Centred below the middle of the main window, where it hides little of the tracks.
            const QRect frame = parent_->geometry();
            window_->move(frame.center().x() - window_->width() / 2, frame.bottom() - window_->height() - 60);
        }
        window_->show();
    });
    return true;
}

void GuiKaraokeHooks::countInEnded() { refresh(); }

void GuiKaraokeHooks::advance(std::int32_t tick) { tick_.store(tick, std::memory_order_relaxed); }

void GuiKaraokeHooks::refresh()
{
    // One catch-up in the queue is enough: it reads the latest tick when it runs.
    if (refreshPosted_.exchange(true))
        return;
    post([this] {
        refreshPosted_.store(false);
        if (window_)
            window_->catchUp(tick_.load(std::memory_order_relaxed));
    });
}

void GuiKaraokeHooks::close()
{
    post([this] {
        delete window_.data();
        window_ = nullptr;
    });
}

} // namespace velisto
