#pragma once
// "Change pitch": every key by semitones, or one key into another, named in the
// spelling of the key at the selection's start.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"

#include "midi/MidiStandardNames.h"

class QComboBox;
class QRadioButton;
class QSpinBox;

namespace velisto {

class CPitchDlg : public CEditDialog {
public:
    CPitchDlg(EditContext context, QWidget* parent);

    QSpinBox* semitones() const { return semitones_; }
    QRadioButton* single() const { return single_; }
    QComboBox* fromKey() const { return from_; }
    QComboBox* toKey() const { return to_; }

protected:
    std::string checkFields() override;
    bool changesSomething() const override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "pitch"; }
    std::string_view progressText() const override { return "Changing pitch..."; }
    PlayKind playKind() const override { return PlayKind::Pitch; }
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    NoteSpelling spelling_ = NoteSpelling::Sharps;
    QRadioButton* all_ = nullptr;
    QRadioButton* single_ = nullptr;
    QSpinBox* semitones_ = nullptr;
    QComboBox* from_ = nullptr;
    QComboBox* to_ = nullptr;
};

} // namespace velisto
