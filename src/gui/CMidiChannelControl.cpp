#include "CMidiChannelControl.h"

#include "CMidiChannelDlg.h"
#include "app/TrackControls.h"
#include "engine/Engine.h"
#include "playback/PlayController.h"

#include <QPainter>

#include <algorithm>

namespace velisto {

namespace {

constexpr int kPixelsPerChannel = 8;
constexpr int kFlashTicks = 8;
constexpr int kFlashIntervalMs = 300;

} // namespace

CMidiChannelControl::CMidiChannelControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent)
{
    flashTimer_.setInterval(kFlashIntervalMs);
    connect(&flashTimer_, &QTimer::timeout, this, &CMidiChannelControl::flashTick);
}

void CMidiChannelControl::flashTick()
{
    flashTicks_ = std::max(flashTicks_ - 1, 0);
    if (flashTicks_ == 0)
        flashTimer_.stop();
    update();
}

void CMidiChannelControl::setChannel(int channel, bool flash)
{
    Song& song = *context_.engine.song;
    if (!setTrackChannel(song, track_, channel, context_.notifier))
        return;
    const Track& track = song.tracks[static_cast<std::size_t>(track_)];
    // The instruments shown depend on the channel; a run plays from its own state.
    if (!runExists() && context_.engine.table.validIndex(track.device))
        context_.engine.table.rebuildProgramIndex(track.device, song);
    if (context_.rowsChanged)
        context_.rowsChanged();
    if (flash) {
        flashTicks_ = kFlashTicks;
        flashTimer_.start();
        update();
    }
}

void CMidiChannelControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const int channel = context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel;
    const bool inverted = flashTicks_ % 2 == 1;
    if (inverted)
        painter.fillRect(rect().adjusted(1, 1, -1, -1), QColor(235, 235, 235));
    paintText(painter, rect(), QString::number(channel + 1), inverted ? QColor(28, 28, 32) : QColor(235, 235, 235));
}

void CMidiChannelControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    CMidiChannelDlg dialog(track_, context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel, this);
    if (dialog.exec() == QDialog::Accepted)
        setChannel(dialog.channel(), true);
}

void CMidiChannelControl::dragged(int pixels, bool first)
{
    if (first)
        dragStart_ = context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel;
    setChannel(std::clamp(dragStart_ + pixels / kPixelsPerChannel, 0, 15));
}

} // namespace velisto
