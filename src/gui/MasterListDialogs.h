#pragma once
// The tempo, meter and key editors share this frame: a modal dialog over MasterListEditor
// with nine rows (position field, the list's value controls, "Ins", "Del"), headings above
// the columns and a scroll bar over the entries. Each change goes into the song at once;
// the editor writes the undo step and reports the song modified. runMasterListDialog is
// the one entry point for the track area's master markers.
//
// Thread contract: user-interface thread only, while no run plays.

#include "edit/MasterListEditor.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace velisto {

class Song;
class UndoStack;
class UserPrompt;

class MasterListDialog : public QDialog {
public:
    // The fields lose the focus as QWidget deletes them, after this class is gone: their
    // signals must not reach it then.
    ~MasterListDialog() override;
    MasterListEditor& editor() { return editor_; }
    // Shows the rows again from the editor's top row.
    void refresh();

protected:
    MasterListDialog(MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
                     std::function<void()> songModified, QWidget* parent);

    // Called once by the dialog's constructor: the headings of the position column and of
    // each value column (one label per line), then the rows.
    void buildRows(const QStringList& positionHeading, const std::vector<QStringList>& valueHeadings);
    // The dialog's value widgets of row 0..8, one per value column from firstColumn.
    virtual void addValueControls(int row, QGridLayout& grid, int firstColumn) = 0;
    // Fills row's value widgets from entry, or empties and disables them for entry -1.
    virtual void showValues(int row, int entry) = 0;

    // The entry that row shows now, -1 for none.
    int entryOfRow(int row) const { return editor_.entryOfRow(row); }
    // Runs one change of the editor, then shows the rows again. A message box the change
    // opens takes the focus away from the field being edited; the focus loss that causes is
    // not a second edit.
    void change(const std::function<void()>& apply);
    bool changing() const { return changing_; }

private:
    void editPosition(int row);
    void scrolled(int firstRow);

    MasterListEditor editor_;
    std::array<QLineEdit*, kMasterEditorRows> positions_{};
    std::array<QPushButton*, kMasterEditorRows> inserts_{};
    std::array<QPushButton*, kMasterEditorRows> deletes_{};
    QScrollBar* scroll_ = nullptr;
    bool changing_ = false;
};

// Opens the editor of the list, modal, at the first entry at or after clickedTick.
// songModified is called after every change.
void runMasterListDialog(QWidget* parent, MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt,
                         std::int32_t clickedTick, std::function<void()> songModified);

} // namespace velisto
