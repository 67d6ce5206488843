#include "devices/CDeviceParameterSlotpathName.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "midi/DeviceParameterRules.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

CDeviceParameterSlotpathName::CDeviceParameterSlotpathName(std::string_view name, const Entries& entries, Take take,
                                                           UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), take_(std::move(take)), prompt_(prompt)
{
    setWindowTitle(qtext(kSlotPathDialogTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLineEdit(qtext(name), this);
    name_->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
    form->addRow("Slotpath &name:", name_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        auto* edit = new QLineEdit(qtext(entries[i]), this);
        edit->setMaxLength(8);
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 24);
        edit->setPlaceholderText("MSB LSB, e.g. 0101");
        QString label = QString("&%1. MSB/LSB 2-byte entry:").arg(i + 1);
        if (i == 0)
            label += " (optional but recommended)";
        form->addRow(label, edit);
        entries_[i] = edit;
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDeviceParameterSlotpathName::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(sizeHint());
}

void CDeviceParameterSlotpathName::accept()
{
    Entries entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = entries_[i]->text().trimmed().toStdString();
    const std::string refusal = take_(name_->text().toStdString(), entries);
    if (!refusal.empty()) {
        prompt_.message(refusal, std::string(kSlotPathDialogTitle), PromptIcon::Error);
        return;
    }
    QDialog::accept();
}

} // namespace velisto
