#pragma once
// The tempo editor ("Tempo"): per row the position "Measure:Beat:Tick" and an editable
// tempo combo box with the presets. A typed text that is no number gets its old text
// back; a value below 1 is stored as 1.
//
// Thread contract: user-interface thread only.

#include "MasterListDialogs.h"

#include <array>

class QComboBox;

namespace velisto {

class CTempoDlg : public MasterListDialog {
public:
    CTempoDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
              std::function<void()> songModified, QWidget* parent = nullptr);

protected:
    void addValueControls(int row, QGridLayout& grid, int firstColumn) override;
    void showValues(int row, int entry) override;

private:
    void editTempo(int row, const QString& text);

    std::array<QComboBox*, kMasterEditorRows> tempos_{};
};

} // namespace velisto
