#pragma once
// The "Ch#" column: the track's MIDI channel 1..16. A click opens "MIDI Channel", a drag
// steps through the channels. A channel chosen in the dialog flashes the control for 8
// ticks of 300 ms, so the eye finds the row the dialog changed.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

#include <QTimer>

namespace velisto {

class CMidiChannelControl : public CTrackControl {
public:
    CMidiChannelControl(TrackRowContext& context, QWidget* parent);

    // Stores channel 0..15 in the track (other values are ignored) and redraws the rows;
    // flash: the control blinks afterwards.
    void setChannel(int channel, bool flash = false);
    bool flashing() const { return flashTicks_ > 0; }
    bool flashTimerActive() const { return flashTimer_.isActive(); }
    // One tick of the 300 ms blink timer (public so that tests step it by hand).
    void flashTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
    void dragged(int pixels, bool first) override;

private:
    int dragStart_ = 0;
    QTimer flashTimer_;
    int flashTicks_ = 0; // ticks left; odd: shown inverted
};

} // namespace velisto
