#pragma once
// The "Offs" column: the track's tick offset as a dial of 28 images. A drag turns it within
// a sixteenth note either way; a click opens the dialog for typing it.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CTickoffsetControl : public CTrackControl {
public:
    CTickoffsetControl(TrackRowContext& context, QWidget* parent);

    void setOffset(int offset);
    int image() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
    void dragged(int pixels, bool first) override;

private:
    int dragStart_ = 0;
};

} // namespace velisto
