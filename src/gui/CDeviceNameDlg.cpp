#include "CDeviceNameDlg.h"

#include "QtText.h"
#include "midi/DeviceTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace velisto {

CDeviceNameDlg::CDeviceNameDlg(const DeviceTable& table, int track, int device, QWidget* parent)
    : QDialog(parent), devices_(new QComboBox(this)), allTracks_(new QCheckBox("All 256 tracks", this)),
      insertName_(new QCheckBox("Insert a device-name event at the track's start", this))
{
    setWindowTitle("MIDI Output device");
    // The placeholder is where tracks go when nothing is open; nobody chooses it.
    for (int index = DeviceTable::kGeneratorIndex; index < table.count(); ++index) {
        devices_->addItem(qtext(table.device(index).name), index);
        if (index == device)
            devices_->setCurrentIndex(devices_->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QString("Output device of track %1:").arg(track + 1), devices_);
    form->addRow(allTracks_);
    form->addRow(insertName_);
    form->addRow(buttons);
}

std::optional<int> CDeviceNameDlg::chooseForTrack(const DeviceTable& table, int track, int device, QWidget* parent)
{
    CDeviceNameDlg dialog(table, track, device, parent);
    dialog.allTracks_->hide();
    dialog.insertName_->hide();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.device();
}

int CDeviceNameDlg::device() const { return devices_->currentData().toInt(); }

bool CDeviceNameDlg::allTracks() const { return allTracks_->isChecked(); }

bool CDeviceNameDlg::insertName() const { return !insertName_->isHidden() && insertName_->isChecked(); }

} // namespace velisto
