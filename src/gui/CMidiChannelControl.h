#pragma once
// The "Ch#" column: the track's MIDI channel 1..16. A click opens "MIDI Channel", a drag
// steps through the channels.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CMidiChannelControl : public CTrackControl {
public:
    CMidiChannelControl(TrackRowContext& context, QWidget* parent);

    // Stores channel 0..15 in the track (other values are ignored) and redraws the rows.
    void setChannel(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
    void dragged(int pixels, bool first) override;

private:
    int dragStart_ = 0;
};

} // namespace velisto
