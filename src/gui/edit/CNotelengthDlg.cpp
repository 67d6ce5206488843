#include "edit/CNotelengthDlg.h"

#include "QtText.h"
#include "song/Song.h"

#include <QComboBox>
#include <QFormLayout>

namespace velisto {

CNotelengthDlg::CNotelengthDlg(EditContext context, QWidget* parent)
    : CEditDialog(std::move(context), "Notelength", parent)
{
    length_ = new QComboBox(this);
    length_->setEditable(true);
    for (const std::string& choice : noteValueChoices(this->context().song.ppq))
        length_->addItem(qtext(choice));
    const std::string& stored = this->context().settings.editDialogs.notelength;
    if (stored.empty())
        length_->setCurrentIndex(1);
    else
        length_->setEditText(qtext(stored));
    auto* form = new QFormLayout;
    form->addRow("Note &length in ticks:", length_);
    fields()->addLayout(form);
    finishLayout();
}

std::string CNotelengthDlg::checkFields()
{
    return checkNoteLength(length_->currentText().toStdString());
}

bool CNotelengthDlg::changesSomething() const
{
    return true;
}

bool CNotelengthDlg::apply(Song& song, const EditScope& scope, bool)
{
    return setNoteLength(song, scope, leadingTicks(length_->currentText().toStdString()).value_or(0));
}

void CNotelengthDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    defaults.notelength = length_->currentText().toStdString();
}

} // namespace velisto
