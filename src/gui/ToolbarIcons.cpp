#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace velisto {

namespace {

// Every picture is drawn on a 24 x 24 grid and scaled.
using Draw = std::function<void(QPainter&)>;

const QColor kInk(225, 225, 225);
const QColor kRecordRed(220, 50, 50);
const QColor kPlayGreen(90, 200, 110);

QPolygonF polygon(std::initializer_list<QPointF> points) { return QPolygonF(points); }

void page(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(polygon({{6, 3}, {15, 3}, {19, 7}, {19, 21}, {6, 21}}));
}

const std::map<std::string_view, Draw>& drawings()
{
    static const std::map<std::string_view, Draw> table = {
        {"new", [](QPainter& p) { page(p); }},
        {"open",
         [](QPainter& p) {
             p.drawPolygon(polygon({{3, 7}, {9, 7}, {11, 9}, {20, 9}, {20, 19}, {3, 19}}));
         }},
        {"save",
         [](QPainter& p) {
             p.drawRect(QRectF(4, 4, 16, 16));
             p.drawRect(QRectF(8, 4, 8, 5));
             p.drawRect(QRectF(7, 13, 10, 7));
         }},
        {"cut",
         [](QPainter& p) {
             p.drawEllipse(QPointF(7, 18), 3, 3);
             p.drawEllipse(QPointF(17, 18), 3, 3);
             p.drawLine(QPointF(9, 16), QPointF(17, 4));
             p.drawLine(QPointF(15, 16), QPointF(7, 4));
         }},
        {"copy",
         [](QPainter& p) {
             p.drawRect(QRectF(4, 4, 11, 13));
             p.drawRect(QRectF(9, 8, 11, 13));
         }},
        {"paste",
         [](QPainter& p) {
             p.drawRect(QRectF(5, 5, 14, 16));
             p.drawRect(QRectF(9, 3, 6, 4));
         }},
        {"undo",
         [](QPainter& p) {
             QPainterPath path;
             path.moveTo(7, 10);
             path.cubicTo(12, 4, 21, 7, 19, 16);
             p.setBrush(Qt::NoBrush);
             p.drawPath(path);
             p.setBrush(kInk);
             p.drawPolygon(polygon({{3, 10}, {9, 6}, {9, 14}}));
         }},
        {"record",
         [](QPainter& p) {
             p.setBrush(kRecordRed);
             p.drawEllipse(QPointF(12, 12), 7, 7);
         }},
        {"rewind",
         [](QPainter& p) {
             p.setBrush(kInk);
             p.drawPolygon(polygon({{12, 6}, {12, 18}, {4, 12}}));
             p.drawPolygon(polygon({{20, 6}, {20, 18}, {12, 12}}));
         }},
        {"stop",
         [](QPainter& p) {
             p.setBrush(kInk);
             p.drawRect(QRectF(6, 6, 12, 12));
         }},
        {"play",
         [](QPainter& p) {
             p.setBrush(kPlayGreen);
             p.drawPolygon(polygon({{7, 5}, {19, 12}, {7, 19}}));
         }},
        {"loop",
         [](QPainter& p) {
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(4, 6, 16, 12), 30 * 16, 300 * 16);
             p.setBrush(kInk);
             p.drawPolygon(polygon({{17, 3}, {21, 8}, {15, 9}}));
         }},
        {"forward",
         [](QPainter& p) {
             p.setBrush(kInk);
             p.drawPolygon(polygon({{4, 6}, {4, 18}, {12, 12}}));
             p.drawPolygon(polygon({{12, 6}, {12, 18}, {20, 12}}));
         }},
        {"arrow",
         [](QPainter& p) {
             p.setBrush(kInk);
             p.drawPolygon(polygon({{6, 3}, {6, 19}, {10, 15}, {13, 21}, {15, 20}, {12, 14}, {17, 14}}));
         }},
        {"pen",
         [](QPainter& p) {
             p.setBrush(Qt::NoBrush);
             p.drawPolygon(polygon({{5, 19}, {6, 14}, {16, 4}, {20, 8}, {10, 18}}));
         }},
        {"selection",
         [](QPainter& p) {
             QPen pen = p.pen();
             pen.setStyle(Qt::DashLine);
             p.setPen(pen);
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(4, 6, 16, 12));
         }},
        {"device",
         [](QPainter& p) {
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 8, 8);
             p.setBrush(kInk);
             for (const QPointF& pin : {QPointF(8, 12), QPointF(16, 12), QPointF(12, 8), QPointF(9.5, 9.5),
                                        QPointF(14.5, 9.5)})
                 p.drawEllipse(pin, 1.2, 1.2);
         }},
        {"properties",
         [](QPainter& p) {
             page(p);
             for (int y : {9, 13, 17})
                 p.drawLine(QPointF(9, y), QPointF(16, y));
         }},
    };
    return table;
}

// disabled: every drawn pixel, coloured fills included, in one dim gray.
QPixmap picture(const Draw& draw, int size, qreal pixelRatio, bool disabled)
{
    QPixmap pixmap(QSize(size, size) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    QPen pen(kInk, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    draw(painter);
    if (disabled) {
        painter.resetTransform();
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(0, 0, size, size), QColor(95, 95, 95));
    }
    return pixmap;
}

} // namespace

QIcon toolbarIcon(std::string_view name, int size, qreal pixelRatio)
{
    QIcon icon;
    const auto found = drawings().find(name);
    if (found == drawings().end())
        return icon;
    icon.addPixmap(picture(found->second, size, pixelRatio, false), QIcon::Normal);
    icon.addPixmap(picture(found->second, size, pixelRatio, true), QIcon::Disabled);
    return icon;
}

} // namespace velisto
