#include "CMidiChannelDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace velisto {

CMidiChannelDlg::CMidiChannelDlg(int track, int channel, QWidget* parent) : QDialog(parent), spin_(new QSpinBox(this))
{
    setWindowTitle("MIDI Channel");
    spin_->setRange(1, 16);
    spin_->setValue(channel + 1);
    spin_->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QString("MIDI channel of track %1:").arg(track + 1), spin_);
    form->addRow(buttons);
}

int CMidiChannelDlg::channel() const { return spin_->value() - 1; }

} // namespace velisto
