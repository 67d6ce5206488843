#pragma once
// The event list editor below the track area: the events of one track as a table, one
// row per event. Cells edit in place (F2 or a double-click; Enter accepts, Esc cancels);
// the special system exclusive values open their dialogs; Ins copies the first selected
// event, Del deletes the selected ones; the context menu (or Shift+F10) browses the known
// system exclusive messages. Every text, check and change is a core function; this window
// shows them, asks the user, and tells the main window what changed.
//
// Thread contract: user-interface thread only.

#include "listeditor/ListEditorModel.h"

#include <QTableView>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velisto {

class Engine;
class ListEditorDelegate;
class PlayController;
class UndoStack;
class UserPrompt;
struct FrameState;

class CListEditor : public QTableView {
public:
    // Playback moves the current row at most this often (ms): once a frame.
    static constexpr int kFollowInterval = 16;

    CListEditor(Engine& engine, FrameState& state, PlayController& controller, UndoStack& undo, UserPrompt& prompt,
                QWidget* parent);

    // After every change of the song: the main window redraws and marks the song modified.
    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    // A cell editor opened or closed (the main window's accelerators pause meanwhile).
    void setEditingHandler(std::function<void()> handler) { editingChanged_ = std::move(handler); }

    // Shows track (the cursor track); the same track keeps its current row.
    void showTrack(int track);
    // The song changed (an edit elsewhere, undo, a track insert): rows again.
    void refreshRows();
    int track() const { return model_->track(); }
    ListEditorModel& model() const { return *model_; }

    // Arrows, Shift+arrows, Select All, Delete and Insert as the main window routes them
    // while this editor is in front. False when the command is not the list editor's.
    bool command(unsigned id);
    // Playback reached tick: the current row follows at the next frame.
    void followPlay(std::int32_t tick);
    // Whether cells may be edited and Ins and Del act now.
    bool editable() const;

    int currentRow() const;
    // Ascending.
    std::vector<int> selectedRows() const;
    // Makes row the current and only selected row, with the cursor in column, and shows
    // it; row -1 selects nothing.
    void makeCurrentRow(int row, int column);
    bool cellEditing() const { return editing_; }

    // Opens the sysex browser; OK inserts the chosen message behind the current row.
    void browseSysex();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void setEditing(bool editing);
    // Checks the editor's text or choice for the cell and, when it passes, applies it.
    void commitCell(int row, int column, const std::string& cell, const QString& text, int item, bool typed);
    void openSpecialEditor(int row, SysexEditKind kind);
    void deleteSelected();
    void insertCopy();
    void moveByKey(Qt::Key key, Qt::KeyboardModifiers modifiers);
    void changed(int selectRowAfter);
    void followDue();
    void storeWidth(int column, int width);

    Engine& engine_;
    FrameState& state_;
    PlayController& controller_;
    UndoStack& undo_;
    UserPrompt& prompt_;
    ListEditorModel* model_;
    ListEditorDelegate* delegate_;
    QTimer followTimer_;
    std::int32_t followTick_ = 0;
    bool editing_ = false;
    std::string editingCell_; // the name of the cell being edited
    std::function<void()> changed_;
    std::function<void()> editingChanged_;
};

} // namespace velisto
