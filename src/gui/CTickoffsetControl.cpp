#include "CTickoffsetControl.h"

#include "CTickoffsetDlg.h"
#include "app/TrackControls.h"
#include "engine/Engine.h"

#include <QPainter>

namespace velisto {

CTickoffsetControl::CTickoffsetControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent)
{
    setToolTip("Tick offset: drag to change, click to type it");
}

void CTickoffsetControl::setOffset(int offset)
{
    if (setTrackTickOffset(*context_.engine.song, track_, offset, context_.notifier))
        update();
}

int CTickoffsetControl::image() const
{
    const Song& song = *context_.engine.song;
    return tickOffsetDialImage(song.tracks[static_cast<std::size_t>(track_)].tickOffset, song.ppq);
}

void CTickoffsetControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const bool zero = context_.engine.song->tracks[static_cast<std::size_t>(track_)].tickOffset == 0;
    paintDial(painter, QRectF(rect()), image() / double(kDialImages - 1),
              zero ? QColor(120, 120, 130) : QColor(90, 200, 240));
}

void CTickoffsetControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    const Song& song = *context_.engine.song;
    CTickoffsetDlg dialog(song.tracks[static_cast<std::size_t>(track_)].tickOffset, song.ppq, context_.prompt, this);
    if (dialog.exec() == QDialog::Accepted)
        setOffset(dialog.offset());
}

void CTickoffsetControl::dragged(int pixels, bool first)
{
    const Song& song = *context_.engine.song;
    if (first)
        dragStart_ = song.tracks[static_cast<std::size_t>(track_)].tickOffset;
    setOffset(draggedTickOffset(dragStart_, pixels, song.ppq, height()));
}

} // namespace velisto
