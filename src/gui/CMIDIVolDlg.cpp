#include "CMIDIVolDlg.h"

#include "ExplainedForm.h"

#include <QFormLayout>
#include <QSpinBox>

namespace velisto {

namespace {

// A receiver's main volume after reset.
constexpr int kResetVolume = 100;

} // namespace

CMIDIVolDlg::CMIDIVolDlg(int track, int channel, int volume, QWidget* parent)
    : QDialog(parent), spin_(new QSpinBox(this))
{
    QFormLayout* form = explainedForm(*this, QString("Main volume selection track %1").arg(track + 1),
                                      QString("Now you can send a Control change 'Main volume' MIDI event\n"
                                              "to the track's MIDI device which selects the shown volume.\n\n"
                                              "Current MIDI channel : %1")
                                          .arg(channel + 1));
    spin_->setRange(0, 127);
    spin_->setValue(volume < 0 ? kResetVolume : volume);
    spin_->selectAll();
    form->addRow("Main volume:", spin_);
    addOkCancel(*this, *form);
}

int CMIDIVolDlg::volume() const { return spin_->value(); }

} // namespace velisto
