#pragma once
// The "PrgName" column: the instrument in force for the track at the cursor's measure, as
// the program index of the track's device names it.
//
// Thread contract: user-interface thread only.

#include "CTrackControl.h"

namespace velisto {

class CProgramNameControl : public CTrackControl {
public:
    CProgramNameControl(TrackRowContext& context, QWidget* parent);

    // The measure whose first tick is asked about (the cursor's).
    void setMeasure(int measure);
    QString instrument() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Opens "Instrument selection": OK inserts the bank and program at the measure's first
    // tick and sends them. Not while a run plays the track.
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers) override;

private:
    int measure_ = 0;
};

} // namespace velisto
