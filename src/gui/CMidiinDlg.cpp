#include "CMidiinDlg.h"

#include "QtText.h"
#include "app/StartupRules.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace velisto {

CMidiinDlg::CMidiinDlg(const std::vector<std::string>& portNames, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("MIDI input device");
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("Choose the &MIDI input device (keyboard) to play and record with:", this);
    list_ = new QListWidget(this);
    label->setBuddy(list_);
    for (const std::string& name : portNames)
        list_->addItem(QString::fromStdString(name));
    list_->addItem(qtext(kNoInputPortEntry));
    list_->setCurrentRow(0);
    layout->addWidget(label);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 60, sizeHint().height());
}

int CMidiinDlg::chosen() const
{
    return list_->currentRow();
}

std::optional<int> CMidiinDlg::choose(const std::vector<std::string>& portNames, QWidget* parent)
{
    CMidiinDlg dialog(portNames, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0)
        return std::nullopt;
    return dialog.chosen();
}

} // namespace velisto
