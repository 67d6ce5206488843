#pragma once
// "Quantize": positions and note lengths onto grids from the note value list.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"

class QCheckBox;
class QComboBox;

namespace velisto {

class CQuantDlg : public CEditDialog {
public:
    CQuantDlg(EditContext context, QWidget* parent);

    QComboBox* positionGrid() const { return positionGrid_; }
    QComboBox* lengthGrid() const { return lengthGrid_; }

protected:
    std::string checkFields() override;
    bool changesSomething() const override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Quantize"; }
    std::string_view progressText() const override { return "Quantize..."; }
    PlayKind playKind() const override { return PlayKind::Quantize; }
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    QCheckBox* onlyNotes_ = nullptr;
    QCheckBox* positions_ = nullptr;
    QCheckBox* lengths_ = nullptr;
    QComboBox* positionGrid_ = nullptr;
    QComboBox* lengthGrid_ = nullptr;
};

} // namespace velisto
