#include "CMidiVolControl.h"

#include "CMIDIVolDlg.h"
#include "app/TrackControls.h"
#include "engine/Engine.h"

#include <QPainter>

#include <algorithm>

namespace velisto {

namespace {

constexpr int kLevelSteps = 10;
constexpr int kMaxVolume = 127;

} // namespace

CMidiVolControl::CMidiVolControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent)
{
    levelTimer_.setInterval(100);
    connect(&levelTimer_, &QTimer::timeout, this, [this] { levelTick(); });
}

void CMidiVolControl::setTrack(int track)
{
    if (track != track_)
        shown_ = 0;
    CTrackControl::setTrack(track);
}

void CMidiVolControl::levelPeak(int level)
{
    // The notice means "rise unless it shows more already"; a peak shows at once.
    if (level <= shown_)
        return;
    shown_ = levelMeterTick(shown_, std::min(level, kLevelSteps));
    update();
    if (!levelTimer_.isActive())
        levelTimer_.start();
}

void CMidiVolControl::levelTick()
{
    const int before = shown_;
    shown_ = levelMeterTick(shown_, std::nullopt);
    if (shown_ == 0)
        levelTimer_.stop();
    if (shown_ != before)
        update();
}

ChannelView CMidiVolControl::channelView() const
{
    const OutputDevice* device = openDevice();
    if (!device)
        return {};
    return context_.engine.output.channelView(*device,
                                              context_.engine.song->tracks[static_cast<std::size_t>(track_)].channel);
}

int CMidiVolControl::liveVolume() const { return channelView().mainVolume; }

void CMidiVolControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const int meterWidth = std::max(3, width() / 6);
    const QRect meter(width() - meterWidth - 2, 2, meterWidth, height() - 4);
    const int volume = liveVolume();
    paintDial(painter, QRectF(0, 0, width() - meterWidth - 2, height()), volume < 0 ? 0.0 : volume / double(kMaxVolume),
              volume < 0 ? QColor(90, 90, 96) : QColor(120, 220, 120));
    painter.fillRect(meter, QColor(15, 15, 15));
    for (int step = 0; step < shown_; ++step) {
        const int top = meter.bottom() + 1 - (step + 1) * meter.height() / kLevelSteps;
        const int bottom = meter.bottom() + 1 - step * meter.height() / kLevelSteps;
        const QColor colour = step >= 8 ? QColor(230, 60, 50) : step >= 6 ? QColor(235, 200, 40) : QColor(60, 200, 80);
        painter.fillRect(QRect(meter.left(), top, meter.width(), std::max(1, bottom - top - 1)), colour);
    }
}

void CMidiVolControl::dragged(int pixels, bool first)
{
    if (first) {
        const ChannelView view = channelView();
        dragStart_ = view.mainVolume;
        dragSlot_ = view.mainVolumeSlot;
    }
    OutputDevice* device = openDevice();
    if (dragStart_ < 0 || dragSlot_ < 0 || !device)
        return;
    const int value = std::clamp(dragStart_ + pixels, 0, kMaxVolume);
    if (value == liveVolume())
        return;
    const Track& track = context_.engine.song->tracks[static_cast<std::size_t>(track_)];
    SendOptions options;
    context_.engine.output.sendEvent(*device, static_cast<std::uint8_t>(EventKind::Controller + track.channel),
                                     static_cast<std::uint8_t>(dragSlot_), static_cast<std::uint8_t>(value), kNoDrumKey,
                                     options);
    update();
}

void CMidiVolControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    if (runExists())
        return;
    const Track& track = context_.engine.song->tracks[static_cast<std::size_t>(track_)];
    CMIDIVolDlg dialog(track_, track.channel, liveVolume(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (insertMainVolume(eventTarget(), track_, context_.cursorMeasure(), dialog.volume()) == InsertOutcome::Inserted)
        update();
}

} // namespace velisto
