#include "listeditor/CListEditorGSTonenumber.h"

#include "listeditor/ListEditorText.h"
#include "midi/MidiStandardNames.h"
#include "midi/SysexEdit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

#include <algorithm>

namespace velisto {

CListEditorGSTonenumber::CListEditorGSTonenumber(std::span<const std::uint8_t> stored, const DecodedSysex& decoded,
                                                 QWidget* parent)
    : QDialog(parent), stored_(stored.begin(), stored.end()), decoded_(decoded), bank_(new QComboBox(this)),
      program_(new QComboBox(this))
{
    setWindowTitle("GS Sysex Part tone number selection");
    bank_->addItems(fieldItems(gsVariationToneList()));
    program_->addItems(fieldItems(gmProgramNameList()));
    for (int i = 0; i < program_->count(); ++i)
        program_->setItemText(i, QString("%1 %2").arg(i).arg(program_->itemText(i)));
    const int value = std::max(decoded.value, 0);
    bank_->setCurrentIndex(std::min(value >> 7, bank_->count() - 1));
    program_->setCurrentIndex(std::min(value & 0x7F, program_->count() - 1));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("Variation tone (bank select):", bank_);
    form->addRow("Program:", program_);
    form->addRow(buttons);
}

void CListEditorGSTonenumber::accept()
{
    const int value = bank_->currentIndex() * 128 + program_->currentIndex();
    const std::optional<std::vector<std::uint8_t>> message = reencodeSysex(stored_, decoded_, value);
    // A row that decoded as a tone number always takes both bytes; anything else changes nothing.
    if (!message) {
        reject();
        return;
    }
    message_ = *message;
    QDialog::accept();
}

} // namespace velisto
