#include "listeditor/SysexbrowseDlg.h"

#include "QtText.h"
#include "song/TextFormat.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace velisto {

SysexbrowseDlg::SysexbrowseDlg(const OutputDevice* device, QWidget* parent)
    : QDialog(parent), catalogue_(sysexCatalogue(device)), family_(new QComboBox(this)), area_(new QComboBox(this)),
      list_(new QListWidget(this)), bytes_(new QLabel(this))
{
    setWindowTitle("Browse Sysex message");
    for (std::string_view family : sysexCatalogueFamilies())
        family_->addItem(qtext(family));
    bytes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bytes_->setWordWrap(true);
    list_->setMinimumWidth(360);
    connect(family_, &QComboBox::currentIndexChanged, this, [this] { familyChosen(); });
    connect(area_, &QComboBox::currentIndexChanged, this, [this] { areaChosen(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { messageChosen(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("&Family:", family_);
    form->addRow("&Area:", area_);
    form->addRow("&Message:", list_);
    form->addRow("Bytes:", bytes_);
    form->addRow(buttons);
    familyChosen();
}

void SysexbrowseDlg::familyChosen()
{
    const std::string family = family_->currentText().toStdString();
    QStringList areas;
    for (const SysexCatalogueEntry& entry : catalogue_)
        if (entry.family == family && !areas.contains(qtext(entry.area)))
            areas << qtext(entry.area);
    {
        const QSignalBlocker blocker(area_);
        area_->clear();
        area_->addItems(areas);
    }
    areaChosen();
}

void SysexbrowseDlg::areaChosen()
{
    const std::string family = family_->currentText().toStdString();
    const std::string area = area_->currentText().toStdString();
    list_->clear();
    for (std::size_t i = 0; i < catalogue_.size(); ++i)
        if (catalogue_[i].family == family && catalogue_[i].area == area) {
            auto* item = new QListWidgetItem(qtext(catalogue_[i].name), list_);
            item->setData(Qt::UserRole, static_cast<int>(i));
        }
    list_->setCurrentRow(list_->count() > 0 ? 0 : -1);
    messageChosen();
}

const SysexCatalogueEntry* SysexbrowseDlg::chosenEntry() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? &catalogue_[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())] : nullptr;
}

void SysexbrowseDlg::messageChosen()
{
    const SysexCatalogueEntry* entry = chosenEntry();
    bytes_->setText(entry ? qtext(sysexText(entry->message)) : QString());
}

void SysexbrowseDlg::accept()
{
    const SysexCatalogueEntry* entry = chosenEntry();
    if (!entry)
        return;
    message_ = entry->message;
    QDialog::accept();
}

} // namespace velisto
