#include "edit/CCurveView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace velisto {

namespace {

constexpr int kScaleWidth = 64;

} // namespace

CCurveView::CCurveView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kScaleWidth + kCurvePoints * 2 + 8, 160);
    curve_.fill(kCurveTop / 2);
}

QSize CCurveView::sizeHint() const
{
    return {kScaleWidth + kCurvePoints * 2 + 8, 200};
}

void CCurveView::setCurve(const CurveLevels& curve)
{
    curve_ = curve;
    update();
}

void CCurveView::setScale(Scale scale)
{
    scale_ = scale;
    update();
}

void CCurveView::setMarker(int point)
{
    marker_ = point;
    update();
}

QRect CCurveView::plotArea() const
{
    const int margin = fontMetrics().height() / 2 + 2;
    return QRect(kScaleWidth, margin, width() - kScaleWidth - 4, height() - 2 * margin);
}

void CCurveView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = plotArea();
    painter.fillRect(area, QColor(30, 30, 30));
    const char* top = scale_ == Scale::Percent ? "+100 %" : scale_ == Scale::Signed ? "+63" : "127";
    const char* middle = scale_ == Scale::Percent ? "+/- 0 %" : "64";
    const char* bottom = scale_ == Scale::Percent ? "-100 %" : scale_ == Scale::Signed ? "-64" : "0";
    const int textWidth = kScaleWidth - 6;
    const int half = fontMetrics().height() / 2;
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, area.top() - half, textWidth, 2 * half), Qt::AlignRight | Qt::AlignVCenter, top);
    painter.drawText(QRect(0, area.center().y() - half, textWidth, 2 * half), Qt::AlignRight | Qt::AlignVCenter,
                     middle);
    painter.drawText(QRect(0, area.bottom() - half, textWidth, 2 * half), Qt::AlignRight | Qt::AlignVCenter,
                     bottom);
    painter.setPen(QColor(90, 90, 90));
    painter.drawLine(area.left(), area.center().y(), area.right(), area.center().y());

    const auto xOf = [&](int point) { return area.left() + point * (area.width() - 1) / (kCurvePoints - 1); };
    const auto yOf = [&](int level) { return area.bottom() - level * (area.height() - 1) / kCurveTop; };
    painter.setPen(QPen(QColor(90, 200, 255), 2));
    for (int point = 1; point < kCurvePoints; ++point)
        painter.drawLine(xOf(point - 1), yOf(curve_[static_cast<std::size_t>(point - 1)]), xOf(point),
                         yOf(curve_[static_cast<std::size_t>(point)]));
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 220, 80), 1, Qt::DotLine));
        painter.drawLine(xOf(point_), area.top(), xOf(point_), area.bottom());
    }
    if (marker_ >= 0) {
        painter.setPen(QPen(QColor(255, 80, 80), 2));
        painter.drawLine(xOf(marker_), area.top(), xOf(marker_), area.bottom());
    }
}

void CCurveView::drawTo(QPoint position, bool continueLine)
{
    const QRect area = plotArea();
    const int point = curvePointAt(position.x() - area.left(), area.width());
    const int level = curveLevelAt(position.y() - area.top(), area.height());
    if (continueLine && lastPoint_ >= 0)
        drawCurveLine(curve_, lastPoint_, lastLevel_, point, level);
    else
        curve_[static_cast<std::size_t>(point)] = level;
    lastPoint_ = point;
    lastLevel_ = level;
    point_ = point;
    update();
}

void CCurveView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        drawTo(event->position().toPoint(), false);
}

void CCurveView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        drawTo(event->position().toPoint(), true);
}

void CCurveView::keyPressEvent(QKeyEvent* event)
{
    auto& level = curve_[static_cast<std::size_t>(point_)];
    switch (event->key()) {
    case Qt::Key_Left:
        point_ = std::max(0, point_ - 1);
        break;
    case Qt::Key_Right:
        point_ = std::min(kCurvePoints - 1, point_ + 1);
        break;
    case Qt::Key_Home:
        point_ = 0;
        break;
    case Qt::Key_End:
        point_ = kCurvePoints - 1;
        break;
    case Qt::Key_Up:
        level = std::min(kCurveTop, level + 1);
        break;
    case Qt::Key_Down:
        level = std::max(0, level - 1);
        break;
    case Qt::Key_PageUp:
        level = std::min(kCurveTop, level + 10);
        break;
    case Qt::Key_PageDown:
        level = std::max(0, level - 10);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

} // namespace velisto
