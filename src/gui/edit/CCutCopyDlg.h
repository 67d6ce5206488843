#pragma once
// "Copy midi events" and "Cut": the selection's events that pass the event filter into
// the program's clipboard; a cut also deletes them, and its test leaves the clipboard as
// it was.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"
#include "edit/Clipboard.h"

namespace velisto {

class CCopyDlg : public CEditDialog {
public:
    CCopyDlg(EditContext context, Clipboard& clipboard, QWidget* parent);

protected:
    std::string checkFields() override { return {}; }
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return {}; }
    std::string_view progressText() const override { return {}; }
    PlayKind playKind() const override { return PlayKind::CutPaste; }
    void storeDefaults(EditDialogDefaults&) const override {}
    bool hasTest() const override { return false; }
    bool changesSong() const override { return false; }

private:
    Clipboard& clipboard_;
};

class CCutDlg : public CEditDialog {
public:
    CCutDlg(EditContext context, Clipboard& clipboard, QWidget* parent);

protected:
    std::string checkFields() override { return {}; }
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Cut"; }
    // Spelled as the program always showed it.
    std::string_view progressText() const override { return "Cuting..."; }
    PlayKind playKind() const override { return PlayKind::CutPaste; }
    void storeDefaults(EditDialogDefaults&) const override {}

private:
    Clipboard& clipboard_;
};

} // namespace velisto
