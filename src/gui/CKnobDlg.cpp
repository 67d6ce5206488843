#include "CKnobDlg.h"

#include "QtText.h"
#include "midi/MidiModeDefinition.h"
#include "song/Track.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace velisto {

namespace {

// Key-based instrument controllers are addressed by their controller slot.
ParamKind paramKindOf(int knobKind)
{
    switch (knobKind) {
    case KnobKind::Nrpn:
        return ParamKind::Nrpn;
    case KnobKind::DrumNrpn:
        return ParamKind::DrumNrpn;
    default:
        return ParamKind::Controller;
    }
}

// The slot's name in the first standard that has a row for it; empty when none has.
std::string_view slotName(ParamKind kind, int slot)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        if (const std::string_view name = midiModeDefinition(mode).longName(kind, slot); !name.empty())
            return name;
    return {};
}

} // namespace

CKnobDlg::CKnobDlg(const KnobAssignment& assignment, QWidget* parent)
    : QDialog(parent), kinds_(new QComboBox(this)), names_(new QComboBox(this)), drumMap_(new QSpinBox(this)),
      key_(new QSpinBox(this))
{
    setWindowTitle(kKnobDialogTitle);
    kinds_->addItems({"Controller name", "NRPN name", "Drum NRPN name", "Key-based instr. controller name"});
    kinds_->setCurrentIndex(std::clamp(assignment.kind, 0, kinds_->count() - 1));
    drumMap_->setRange(1, 16);
    drumMap_->setValue(assignment.drumMap + 1);
    key_->setRange(0, 127);
    key_->setValue(assignment.key);
    fillNames(assignment.param);
    connect(kinds_, &QComboBox::currentIndexChanged, this, [this] { fillNames(-1); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("Kind:", kinds_);
    form->addRow("Parameter:", names_);
    form->addRow("Drum map:", drumMap_);
    form->addRow("Key:", key_);
    form->addRow(buttons);
}

void CKnobDlg::fillNames(int slot)
{
    const int kind = kinds_->currentIndex();
    const ParamKind paramKind = paramKindOf(kind);
    names_->clear();
    for (int s = 0; s < slotCount(paramKind); ++s)
        if (const std::string_view name = slotName(paramKind, s); !name.empty()) {
            names_->addItem(qtext(name), s);
            if (s == slot)
                names_->setCurrentIndex(names_->count() - 1);
        }
    const bool keyed = kind == KnobKind::DrumNrpn || kind == KnobKind::KeyBasedController;
    drumMap_->setEnabled(kind == KnobKind::DrumNrpn);
    key_->setEnabled(keyed);
}

KnobAssignment CKnobDlg::assignment() const
{
    KnobAssignment chosen;
    chosen.kind = kinds_->currentIndex();
    chosen.param = names_->currentData().toInt();
    chosen.drumMap = drumMap_->value() - 1;
    chosen.key = key_->value();
    return chosen;
}

} // namespace velisto
