#pragma once
// "Move midi events": every event of the selection by a number of ticks.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"

class QSpinBox;

namespace velisto {

class CMoveDlg : public CEditDialog {
public:
    CMoveDlg(EditContext context, QWidget* parent);

    QSpinBox* delta() const { return delta_; }

protected:
    std::string checkFields() override;
    bool changesSomething() const override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Move"; }
    std::string_view progressText() const override { return "Moving..."; }
    PlayKind playKind() const override { return PlayKind::Move; }
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    QSpinBox* delta_ = nullptr;
};

} // namespace velisto
