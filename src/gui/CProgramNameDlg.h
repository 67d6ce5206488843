#pragma once
// "Instrument selection track N": the bank and program that select an instrument on the
// track's channel, with the instrument's name as the device's mode calls it. The caller
// inserts and sends them on OK.
//
// Thread contract: user-interface thread only.

#include "midi/ProgramIndex.h"

#include <QDialog>

class QLabel;
class QSpinBox;

namespace velisto {

class CProgramNameDlg : public QDialog {
public:
    // track and channel from 0; shown: the selection in force there; mode: the device's
    // track mode, for the name.
    CProgramNameDlg(int track, int channel, const ProgramAtEvent& shown, int mode, QWidget* parent);
    int bankMsb() const;
    int bankLsb() const;
    int program() const;
    QString instrument() const;

private:
    void showName();

    int mode_;
    bool drum_;
    QSpinBox* msb_;
    QSpinBox* lsb_;
    QSpinBox* program_;
    QLabel* name_;
};

} // namespace velisto
