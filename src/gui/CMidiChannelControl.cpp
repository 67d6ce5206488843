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

} // namespace

CMidiChannelControl::CMidiChannelControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent) {}

void CMidiChannelControl::setChannel(int channel)
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
}

void CMidiChannelControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const int channel = context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel;
    paintText(painter, rect(), QString::number(channel + 1), QColor(235, 235, 235));
}

void CMidiChannelControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    CMidiChannelDlg dialog(track_, context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel, this);
    if (dialog.exec() == QDialog::Accepted)
        setChannel(dialog.channel());
}

void CMidiChannelControl::dragged(int pixels, bool first)
{
    if (first)
        dragStart_ = context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel;
    setChannel(std::clamp(dragStart_ + pixels / kPixelsPerChannel, 0, 15));
}

} // namespace velisto
