#include "CSoloMuteControl.h"

#include "app/TrackControls.h"
#include "engine/Engine.h"

#include <QPainter>

namespace velisto {

CSoloMuteControl::CSoloMuteControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent)
{
    setClickOnPress(true);
}

void CSoloMuteControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const Song& song = *context_.engine.song;
    const bool solo = song.isSolo(track_);
    const bool muted = song.tracks[static_cast<std::size_t>(track_)].muted != 0;
    // A mute held back by a solo elsewhere is shown dimmed: it does not act now.
    const bool soloElsewhere = !song.soloList().empty();
    const QRect left(2, 2, width() / 2 - 3, height() - 4);
    const QRect right(width() / 2 + 1, 2, width() - width() / 2 - 3, height() - 4);
    painter.fillRect(left, solo ? QColor(230, 190, 40) : QColor(55, 55, 60));
    painter.fillRect(right, muted ? (soloElsewhere ? QColor(120, 60, 60) : QColor(215, 60, 50)) : QColor(55, 55, 60));
    paintText(painter, left, "S", solo ? QColor(20, 20, 20) : QColor(200, 200, 200));
    paintText(painter, right, "M", muted ? QColor(255, 255, 255) : QColor(200, 200, 200));
}

void CSoloMuteControl::clicked(QPoint at, Qt::KeyboardModifiers modifiers)
{
    Song& song = *context_.engine.song;
    if (at.x() < width() / 2)
        soloClick(song, track_, (modifiers & Qt::ControlModifier) != 0);
    else if (!muteClick(song, track_))
        return;
    if (context_.rowsChanged)
        context_.rowsChanged();
}

} // namespace velisto
