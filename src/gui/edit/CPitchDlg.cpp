#include "edit/CPitchDlg.h"

#include "QtText.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

namespace velisto {

namespace {

QComboBox* noteBox(NoteSpelling spelling, const std::string& text, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setMaxVisibleItems(24);
    for (int key = 0; key < 128; ++key)
        box->addItem(qtext(noteName(key, spelling)));
    box->setEditText(qtext(text));
    return box;
}

int keyOf(const QComboBox* box)
{
    return keyOfNoteName(box->currentText().toStdString());
}

} // namespace

CPitchDlg::CPitchDlg(EditContext context, QWidget* parent) : CEditDialog(std::move(context), "Change pitch", parent)
{
    const EditDialogDefaults& defaults = this->context().settings.editDialogs;
    spelling_ = noteSpellingAt(this->context().song, scope().ticks.start);
    all_ = new QRadioButton("&All notes, semitones:", this);
    single_ = new QRadioButton("&Single note: change pitch of note", this);
    auto* group = new QButtonGroup(this);
    group->addButton(all_);
    group->addButton(single_);
    (defaults.pitch_single ? single_ : all_)->setChecked(true);
    semitones_ = new QSpinBox(this);
    semitones_->setRange(-127, 127);
    semitones_->setValue(defaults.pitch_semitones);
    // A stored name of the other spelling shows in this one.
    const auto spelled = [this](const std::string& name) {
        const int key = keyOfNoteName(name);
        return key < 0 ? name : std::string(noteName(key, spelling_));
    };
    from_ = noteBox(spelling_, spelled(defaults.pitch_from), this);
    to_ = noteBox(spelling_, spelled(defaults.pitch_to), this);
    auto* grid = new QGridLayout;
    grid->addWidget(all_, 0, 0);
    grid->addWidget(semitones_, 0, 1);
    grid->addWidget(single_, 1, 0);
    grid->addWidget(from_, 1, 1);
    auto* toLabel = new QLabel("t&o:", this);
    toLabel->setBuddy(to_);
    grid->addWidget(toLabel, 1, 2);
    grid->addWidget(to_, 1, 3);
    fields()->addLayout(grid);
    finishLayout();
}

std::string CPitchDlg::checkFields()
{
    if (!single_->isChecked())
        return {};
    for (QComboBox* box : {from_, to_}) {
        if (std::string message = checkNoteName(box->currentText().toStdString(), spelling_); !message.empty()) {
            box->setFocus();
            return message;
        }
    }
    return {};
}

bool CPitchDlg::changesSomething() const
{
    return single_->isChecked() ? keyOf(from_) != keyOf(to_) : semitones_->value() != 0;
}

bool CPitchDlg::apply(Song& song, const EditScope& scope, bool)
{
    PitchOptions options;
    options.single = single_->isChecked();
    options.semitones = semitones_->value();
    options.fromKey = keyOf(from_);
    options.toKey = keyOf(to_);
    return changePitch(song, scope, options);
}

void CPitchDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    defaults.pitch_single = single_->isChecked();
    defaults.pitch_semitones = semitones_->value();
    defaults.pitch_from = from_->currentText().toStdString();
    defaults.pitch_to = to_->currentText().toStdString();
}

} // namespace velisto
