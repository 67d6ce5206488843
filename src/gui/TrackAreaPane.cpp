#include "TrackAreaPane.h"

#include <QPainter>

namespace velisto {

TrackAreaPane::TrackAreaPane(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
}

void TrackAreaPane::setCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void TrackAreaPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 40, 40));
    painter.setPen(QColor(200, 200, 200));
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    painter.setFont(font);
    painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, caption_);
    if (!painted_) {
        painted_ = true;
        if (firstPaint_)
            firstPaint_();
    }
}

} // namespace velisto
