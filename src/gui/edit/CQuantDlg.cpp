#include "edit/CQuantDlg.h"

#include "QtText.h"
#include "song/Song.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace velisto {

namespace {

// An editable list of the song's note values, showing text (or the sixteenth when none).
QComboBox* noteValueBox(const Song& song, const std::string& text, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    for (const std::string& choice : noteValueChoices(song.ppq))
        box->addItem(qtext(choice));
    if (text.empty())
        box->setCurrentIndex(1);
    else
        box->setEditText(qtext(text));
    return box;
}

} // namespace

CQuantDlg::CQuantDlg(EditContext context, QWidget* parent) : CEditDialog(std::move(context), "Quantize", parent)
{
    const EditDialogDefaults& defaults = this->context().settings.editDialogs;
    const Song& song = this->context().song;
    auto* grid = new QGridLayout;
    positions_ = new QCheckBox("Quantize &POSITIONS of events", this);
    positions_->setChecked(defaults.quant_positions);
    positionGrid_ = noteValueBox(song, defaults.quant_posgrid, this);
    lengths_ = new QCheckBox("Quantize &LENGTH of Note on events", this);
    lengths_->setChecked(defaults.quant_length);
    lengthGrid_ = noteValueBox(song, defaults.quant_lengrid, this);
    onlyNotes_ = new QCheckBox("Only affect &Note on and text -events ", this);
    onlyNotes_->setChecked(defaults.quant_onlynotes);
    grid->addWidget(positions_, 0, 0);
    grid->addWidget(positionGrid_, 0, 1);
    grid->addWidget(lengths_, 1, 0);
    grid->addWidget(lengthGrid_, 1, 1);
    grid->addWidget(onlyNotes_, 2, 0, 1, 2);
    fields()->addLayout(grid);
    finishLayout();
}

std::string CQuantDlg::checkFields()
{
    if (positions_->isChecked()) {
        if (std::string message = checkPositionGrid(positionGrid_->currentText().toStdString()); !message.empty()) {
            positionGrid_->setFocus();
            return message;
        }
    }
    if (lengths_->isChecked()) {
        if (std::string message = checkLengthGrid(lengthGrid_->currentText().toStdString()); !message.empty()) {
            lengthGrid_->setFocus();
            return message;
        }
    }
    return {};
}

bool CQuantDlg::changesSomething() const
{
    return positions_->isChecked() || lengths_->isChecked();
}

bool CQuantDlg::apply(Song& song, const EditScope& scope, bool)
{
    QuantizeOptions options;
    options.onlyNotesAndText = onlyNotes_->isChecked();
    options.positions = positions_->isChecked();
    options.lengths = lengths_->isChecked();
    options.positionGrid = leadingTicks(positionGrid_->currentText().toStdString()).value_or(0);
    options.lengthGrid = leadingTicks(lengthGrid_->currentText().toStdString()).value_or(0);
    return quantize(song, scope, options);
}

void CQuantDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    defaults.quant_onlynotes = onlyNotes_->isChecked();
    defaults.quant_positions = positions_->isChecked();
    defaults.quant_length = lengths_->isChecked();
    defaults.quant_posgrid = positionGrid_->currentText().toStdString();
    defaults.quant_lengrid = lengthGrid_->currentText().toStdString();
}

} // namespace velisto
