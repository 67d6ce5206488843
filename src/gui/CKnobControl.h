#pragma once
// The "Contr. 1" .. "Contr. 3" columns: knob 0 (red), 1 (blue) or 2 (green) of the track,
// showing the assigned parameter's value as the receiver holds it now (read under the
// device's send lock). A drag sends new values after the support test; a refusal shows its
// text once per drag and sends nothing. A click chooses the assignment (CKnobDlg).
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CKnobControl : public CTrackControl {
public:
    CKnobControl(TrackRowContext& context, int knob, QWidget* parent);

    int knob() const { return knob_; }
    // The live value 0..127; -1 where the device is closed or holds none.
    int liveValue() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;
    void dragged(int pixels, bool first) override;

private:
    int knob_;
    int dragStart_ = 0;
    int lastSent_ = -1;
    bool refused_ = false; // this drag's support test failed: the rest of it sends nothing
};

} // namespace velisto
