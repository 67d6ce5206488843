#include "devices/CMidioutDlg.h"

#include "QtText.h"
#include "midi/DeviceTable.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

CMidioutDlg::CMidioutDlg(const DeviceTable& table, QWidget* parent)
    : QDialog(parent), devices_(table.closedDevices())
{
    setWindowTitle(qtext(kOpenDeviceCaption));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("&Closed MIDI output devices:", this);
    list_ = new QListWidget(this);
    label->setBuddy(list_);
    for (const int index : devices_)
        list_->addItem(QString::fromStdString(table.device(index).name));
    list_->setCurrentRow(devices_.empty() ? -1 : 0);
    layout->addWidget(label);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!devices_.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 60, sizeHint().height());
}

std::optional<int> CMidioutDlg::chosen() const
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(devices_.size()))
        return std::nullopt;
    return devices_[static_cast<std::size_t>(row)];
}

bool CMidioutDlg::openChosen(DeviceTable& table, UserPrompt& prompt, QWidget* parent)
{
    CMidioutDlg dialog(table, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::optional<int> device = dialog.chosen();
    return device && table.openFromUserInterface(*device, prompt);
}

} // namespace velisto
