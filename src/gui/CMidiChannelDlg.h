#pragma once
// "MIDI Channel": chooses the channel 1..16 of one track.
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QSpinBox;

namespace velisto {

class CMidiChannelDlg : public QDialog {
public:
    // channel: 0..15, shown 1..16.
    CMidiChannelDlg(int track, int channel, QWidget* parent);
    // The chosen channel, 0..15.
    int channel() const;

private:
    QSpinBox* spin_;
};

} // namespace velisto
