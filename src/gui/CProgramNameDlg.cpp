#include "CProgramNameDlg.h"

#include "ExplainedForm.h"
#include "QtText.h"
#include "midi/TrackBlocks.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace velisto {

namespace {

QSpinBox* dataByteSpin(int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 127);
    spin->setValue(value);
    return spin;
}

} // namespace

CProgramNameDlg::CProgramNameDlg(int track, int channel, const ProgramAtEvent& shown, int mode, QWidget* parent)
    : QDialog(parent), mode_(mode), drum_(shown.drum), msb_(dataByteSpin(shown.bankMsb, this)),
      lsb_(dataByteSpin(shown.bankLsb, this)), program_(dataByteSpin(shown.program, this)), name_(new QLabel(this))
{
    QFormLayout* form = explainedForm(*this, QString("Instrument selection track %1").arg(track + 1),
                                      QString("Now you can send those MIDI events to the track's MIDI device\n"
                                              "which are necessary to select the shown instrument.\n\n"
                                              "Current MIDI channel : %1")
                                          .arg(channel + 1));
    name_->setObjectName("instrument");
    for (QSpinBox* spin : {msb_, lsb_, program_})
        connect(spin, &QSpinBox::valueChanged, this, [this] { showName(); });
    form->addRow("Bank MSB:", msb_);
    form->addRow("Bank LSB:", lsb_);
    form->addRow("Program:", program_);
    form->addRow(name_);
    addOkCancel(*this, *form);
    showName();
}

int CProgramNameDlg::bankMsb() const { return msb_->value(); }
int CProgramNameDlg::bankLsb() const { return lsb_->value(); }
int CProgramNameDlg::program() const { return program_->value(); }
QString CProgramNameDlg::instrument() const { return name_->text(); }

void CProgramNameDlg::showName()
{
    ProgramAtEvent selection;
    selection.program = program();
    selection.bankMsb = bankMsb();
    selection.bankLsb = bankLsb();
    selection.drum = drum_;
    selection.recorded = true;
    name_->setText(qtext(instrumentName(mode_, selection)));
}

} // namespace velisto
