#pragma once
// The "Device" column: the name of the track's output device. A click opens the device
// dialog for this track or all 256; a device that fails to open offers the dialog again.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CDeviceNameControl : public CTrackControl {
public:
    CDeviceNameControl(TrackRowContext& context, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
};

} // namespace velisto
