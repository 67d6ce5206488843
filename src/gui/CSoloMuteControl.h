#pragma once
// The "Mute" column: a solo button (left half) and a mute button (right half). Solo with
// Ctrl adds the track to the solo list; mute clicks are ignored while any track is solo.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CSoloMuteControl : public CTrackControl {
public:
    CSoloMuteControl(TrackRowContext& context, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
};

} // namespace velisto
