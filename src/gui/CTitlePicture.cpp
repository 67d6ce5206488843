#include "CTitlePicture.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace velisto {

CTitlePicture::CTitlePicture() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CTitlePicture::showCentred()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CTitlePicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, kHeight);
    background.setColorAt(0, QColor(52, 52, 60));
    background.setColorAt(1, QColor(24, 24, 28));
    p.fillRect(rect(), background);

    // A staff with a few notes across the upper half.
    p.setPen(QPen(QColor(120, 120, 135), 1.2));
    for (int line = 0; line < 5; ++line)
        p.drawLine(60, 90 + line * 14, kWidth - 60, 90 + line * 14);
    p.setBrush(QColor(235, 190, 90));
    p.setPen(QPen(QColor(235, 190, 90), 2));
    const int notes[][2] = {{140, 132}, {210, 118}, {280, 104}, {350, 111}, {420, 97}, {490, 118}};
    for (const auto& note : notes) {
        p.drawEllipse(QPointF(note[0], note[1]), 8, 6);
        p.drawLine(QPointF(note[0] + 8, note[1]), QPointF(note[0] + 8, note[1] - 42));
    }

    QFont title = font();
    title.setPixelSize(72);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(240, 240, 240));
    p.drawText(QRect(0, 190, kWidth, 100), Qt::AlignHCenter | Qt::AlignVCenter, "Velisto");

    QFont subtitle = font();
    subtitle.setPixelSize(20);
    p.setFont(subtitle);
    p.setPen(QColor(190, 190, 200));
    p.drawText(QRect(0, 290, kWidth, 40), Qt::AlignHCenter | Qt::AlignVCenter,
               "MIDI sequencer \u00b7 event editor \u00b7 sample player");
    p.setPen(QColor(130, 130, 140));
    subtitle.setPixelSize(14);
    p.setFont(subtitle);
    p.drawText(QRect(0, kHeight - 50, kWidth, 30), Qt::AlignHCenter | Qt::AlignVCenter, "Starting ...");
}

} // namespace velisto
