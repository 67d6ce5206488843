#pragma once
// "Notelength": every note of the selection gets one length.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"

class QComboBox;

namespace velisto {

class CNotelengthDlg : public CEditDialog {
public:
    CNotelengthDlg(EditContext context, QWidget* parent);

    QComboBox* length() const { return length_; }

protected:
    std::string checkFields() override;
    bool changesSomething() const override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Notelength"; }
    std::string_view progressText() const override { return "Changing notelength..."; }
    PlayKind playKind() const override { return PlayKind::NoteLength; }
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    QComboBox* length_ = nullptr;
};

} // namespace velisto
