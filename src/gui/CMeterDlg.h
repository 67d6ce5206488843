#pragma once
// The meter editor ("Meter"): per row the measure number (from 1) and the numerator and
// denominator combo boxes. Messages carry the caption "Meter editor".
//
// Thread contract: user-interface thread only.

#include "MasterListDialogs.h"

#include <array>

class QComboBox;

namespace velisto {

class CMeterDlg : public MasterListDialog {
public:
    CMeterDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
              std::function<void()> songModified, QWidget* parent = nullptr);

protected:
    void addValueControls(int row, QGridLayout& grid, int firstColumn) override;
    void showValues(int row, int entry) override;

private:
    void editMeter(int row);

    std::array<QComboBox*, kMasterEditorRows> numerators_{};
    std::array<QComboBox*, kMasterEditorRows> denominators_{};
};

} // namespace velisto
