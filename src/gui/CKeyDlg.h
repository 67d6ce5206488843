#pragma once
// The key editor ("Key editor"): per row the position "Measure:Beat:Tick", the number of
// sharps or flats (15 items, 7 flats first) and major or minor.
//
// Thread contract: user-interface thread only.

#include "MasterListDialogs.h"

#include <array>

class QComboBox;

namespace velisto {

class CKeyDlg : public MasterListDialog {
public:
    CKeyDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
            std::function<void()> songModified, QWidget* parent = nullptr);

protected:
    void addValueControls(int row, QGridLayout& grid, int firstColumn) override;
    void showValues(int row, int entry) override;

private:
    void editKey(int row);

    std::array<QComboBox*, kMasterEditorRows> sharpsFlats_{};
    std::array<QComboBox*, kMasterEditorRows> majorMinor_{};
};

} // namespace velisto
