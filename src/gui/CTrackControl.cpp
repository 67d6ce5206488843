#include "CTrackControl.h"

#include "app/CommandIds.h"
#include "app/UiNotifier.h"
#include "engine/Engine.h"
#include "playback/PlayController.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// Movement below this many pixels is a shaky click, not a drag.
constexpr int kDragThreshold = 3;

} // namespace

CTrackControl::CTrackControl(TrackRowContext& context, QWidget* parent) : QWidget(parent), context_(context)
{
    setFocusPolicy(Qt::NoFocus);
}

void CTrackControl::setTrack(int track)
{
    if (track == track_)
        return;
    track_ = track;
    update();
}

bool CTrackControl::runExists() const { return context_.controller.runExists(); }

OutputDevice* CTrackControl::openDevice() const
{
    Engine& engine = context_.engine;
    const Track& track = engine.song->tracks[static_cast<std::size_t>(track_)];
    if (!engine.table.validIndex(track.device) || !engine.table.device(track.device).isOpen())
        return nullptr;
    return &engine.table.device(track.device);
}

TrackEventTarget CTrackControl::eventTarget() const
{
    Engine& engine = context_.engine;
    return {*engine.song, context_.undo, engine.table, engine.output, context_.prompt, context_.notifier};
}


void CTrackControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    laidOut_.clear();
    QFont sized = font();
    sized.setPixelSize(std::max(7, height() * 11 / 20));
    setFont(sized);
}

void CTrackControl::paintFrame(QPainter& painter) const
{
    painter.fillRect(rect(), QColor(28, 28, 32));
    painter.setPen(QColor(70, 70, 78));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CTrackControl::paintText(QPainter& painter, const QRect& rect, const QString& text, const QColor& colour,
                              Qt::Alignment alignment) const
{
    // The widget's own font was sized to its row at the last resize. A row's texts change
    // rarely: each is laid out once and only placed on later paints.
    painter.setPen(colour);
    const QRect room = rect.adjusted(2, 0, -2, 0);
    if (laidOutFor_ != room.width()) {
        laidOut_.clear();
        laidOutFor_ = room.width();
    }
    auto found = laidOut_.find(text);
    if (found == laidOut_.end()) {
        QStaticText laid(painter.fontMetrics().elidedText(text, Qt::ElideRight, room.width()));
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), painter.font());
        found = laidOut_.insert(text, laid);
    }
    const QSizeF size = found->size();
    const double x = alignment & Qt::AlignLeft ? room.left() : room.left() + (room.width() - size.width()) / 2.0;
    painter.drawStaticText(QPointF(x, room.top() + (room.height() - size.height()) / 2.0), *found);
}

void CTrackControl::paintDial(QPainter& painter, const QRectF& rect, double fraction, const QColor& colour)
{
    const double side = std::min(rect.width(), rect.height()) - 2.0;
    if (side < 4.0)
        return;
    const QRectF dial(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 60, 66));
    painter.drawEllipse(dial);
    // Qt counts arcs in 1/16 degree, anticlockwise from three o'clock; the sweep starts at
    // seven o'clock and turns clockwise.
    const double pen = std::max(1.5, side / 9.0);
    const QRectF track = dial.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.setPen(QPen(colour, pen, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    painter.drawArc(track, 225 * 16, static_cast<int>(-270 * 16 * clamped));
    const double angle = qDegreesToRadians(225.0 - 270.0 * clamped);
    const QPointF centre = dial.center();
    const QPointF tip(centre.x() + std::cos(angle) * side * 0.36, centre.y() - std::sin(angle) * side * 0.36);
    painter.setPen(QPen(QColor(240, 240, 240), std::max(1.0, side / 12.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, tip);
    painter.restore();
}

void CTrackControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (context_.pressed)
        context_.pressed();
    if (clickOnPress_) {
        clicked(event->position().toPoint(), event->modifiers());
        return;
    }
    pressAt_ = event->position().toPoint();
    pressing_ = true;
    dragging_ = false;
}

void CTrackControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressing_)
        return;
    const int up = pressAt_.y() - event->position().toPoint().y();
    if (!dragging_ && std::abs(up) < kDragThreshold)
        return;
    const bool first = !dragging_;
    dragging_ = true;
    dragged(up, first);
}

void CTrackControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressing_ || event->button() != Qt::LeftButton)
        return;
    pressing_ = false;
    if (!dragging_)
        clicked(event->position().toPoint(), event->modifiers());
    dragging_ = false;
}

} // namespace velisto
