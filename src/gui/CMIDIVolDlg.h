#pragma once
// "Main volume selection track N": the main volume to insert on the track's channel and
// send; the caller does both on OK.
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QSpinBox;

namespace velisto {

class CMIDIVolDlg : public QDialog {
public:
    // track and channel from 0; volume: the receiver's now, 0..127 (-1: none, shows 100).
    CMIDIVolDlg(int track, int channel, int volume, QWidget* parent);
    int volume() const;

private:
    QSpinBox* spin_;
};

} // namespace velisto
