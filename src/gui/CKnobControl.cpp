#include "CKnobControl.h"

#include "CKnobDlg.h"
#include "app/TrackControls.h"
#include "app/UserPrompt.h"
#include "engine/Engine.h"

#include <QPainter>

#include <algorithm>
#include <mutex>

namespace velisto {

namespace {

constexpr int kMaxValue = 127;
const QColor kKnobColours[kKnobCount] = {QColor(230, 70, 60), QColor(80, 130, 240), QColor(80, 200, 90)};
const char* const kKnobNames[kKnobCount] = {"red", "blue", "green"};

} // namespace

CKnobControl::CKnobControl(TrackRowContext& context, int knob, QWidget* parent)
    : CTrackControl(context, parent), knob_(std::clamp(knob, 0, kKnobCount - 1))
{
    setObjectName(kKnobNames[knob_]);
}

int CKnobControl::liveValue() const
{
    const OutputDevice* device = openDevice();
    if (!device)
        return -1;
    const Track& track = context_.engine.song->tracks[static_cast<std::size_t>(track_)];
    const std::lock_guard lock(device->sendMutex());
    return knobValue(device->liveState, track.channel, knobAssignment(track, knob_));
}

void CKnobControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const int value = liveValue();
    paintDial(painter, QRectF(rect()), value < 0 ? 0.0 : value / double(kMaxValue),
              value < 0 ? QColor(90, 90, 96) : kKnobColours[knob_]);
}

void CKnobControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    Song& song = *context_.engine.song;
    CKnobDlg dialog(knobAssignment(song.tracks[static_cast<std::size_t>(track_)], knob_), this);
    if (dialog.exec() == QDialog::Accepted && setTrackKnob(song, track_, knob_, dialog.assignment(), context_.notifier))
        update();
}

void CKnobControl::dragged(int pixels, bool first)
{
    if (first) {
        refused_ = false;
        dragStart_ = std::max(liveValue(), 0);
        lastSent_ = -1;
    }
    OutputDevice* device = openDevice();
    if (refused_ || !device)
        return;
    const int value = std::clamp(dragStart_ + pixels, 0, kMaxValue);
    if (value == lastSent_)
        return;
    const Track& track = context_.engine.song->tracks[static_cast<std::size_t>(track_)];
    const std::string refusal =
        sendKnobValue(context_.engine.output, *device, track.channel, knobAssignment(track, knob_), value);
    if (!refusal.empty()) {
        refused_ = true;
        context_.prompt.message(refusal, kKnobDialogTitle, PromptIcon::Exclamation);
        return;
    }
    lastSent_ = value;
    update();
}

} // namespace velisto
