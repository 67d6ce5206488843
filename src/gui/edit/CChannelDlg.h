#pragma once
// "Channel change": the channel events of one channel onto another, with the
// channels the selection and its tracks use and a free one shown beside.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"

class QComboBox;

namespace velisto {

class CChannelDlg : public CEditDialog {
public:
    CChannelDlg(EditContext context, QWidget* parent);

    QComboBox* fromChannel() const { return from_; }
    QComboBox* toChannel() const { return to_; }

protected:
    std::string checkFields() override;
    bool changesSomething() const override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Channel change"; }
    std::string_view progressText() const override { return "Changing channel..."; }
    PlayKind playKind() const override { return PlayKind::ChannelChange; }
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    QComboBox* from_ = nullptr;
    QComboBox* to_ = nullptr;
};

} // namespace velisto
