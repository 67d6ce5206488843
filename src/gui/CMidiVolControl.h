#pragma once
// The "Volume" column: the channel's main volume as the receiver holds it now (read under
// the device's send lock), with the track's level meter beside it. A drag sends main
// volume to the device.
//
// Thread contract: user-interface thread only; level notices arrive queued there.

#include "CTrackControl.h"

#include <QTimer>

namespace velisto {

struct ChannelView;

class CMidiVolControl : public CTrackControl {
public:
    CMidiVolControl(TrackRowContext& context, QWidget* parent);

    void setTrack(int track) override;
    // The output reported a note of level 1..10 on this row's track.
    void levelPeak(int level);
    int shownLevel() const { return shown_; }
    // One tick of the level display's 100 ms timer.
    void levelTick();
    // The live main volume 0..127; -1 where the device holds none.
    int liveVolume() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragged(int pixels, bool first) override;
    // Opens "Main volume selection": OK inserts main volume at the cursor measure's first
    // tick and sends it. Not while a run plays the track.
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;

private:
    ChannelView channelView() const;

    QTimer levelTimer_;
    int shown_ = 0;
    int dragStart_ = 0;
    int dragSlot_ = -1;
};

} // namespace velisto
