#include "listeditor/CListEditor.h"

#include "QtText.h"
#include "app/CommandIds.h"
#include "app/FrameState.h"
#include "app/UserPrompt.h"
#include "engine/Engine.h"
#include "listeditor/CListEditorGSTonenumber.h"
#include "listeditor/CListEditorGlobalParContrEditor.h"
#include "listeditor/CListEditorKeybInstrContrEditor.h"
#include "listeditor/ListEditorDelegate.h"
#include "listeditor/ListEditorEdits.h"
#include "listeditor/SysexbrowseDlg.h"
#include "playback/PlayController.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace velisto {

namespace {

constexpr const char* kBrowseText = "Browse Sysex message...";

} // namespace

CListEditor::CListEditor(Engine& engine, FrameState& state, PlayController& controller, UndoStack& undo,
                         UserPrompt& prompt, QWidget* parent)
    : QTableView(parent), engine_(engine), state_(state), controller_(controller), undo_(undo), prompt_(prompt),
      model_(new ListEditorModel(*engine.song, engine.table, this)), delegate_(new ListEditorDelegate(this))
{
    setObjectName("listEditor");
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    // A 100,000-event track scrolls by fixed rows: nothing is measured, only what is
    // painted is computed.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    // A header wider than its column keeps its beginning readable.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFontMetrics headerFont(horizontalHeader()->font());
    const int headerMargin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    for (int column = 0; column < kListColumnCount; ++column) {
        const ListColumn which = listColumnAt(column);
        const int stored =
            engine_.settings.display.listeditorcellwidth[static_cast<std::size_t>(listColumnWidthSlot(which))];
        const int header = headerFont.horizontalAdvance(qtext(listColumnHeader(which))) + headerMargin;
        setColumnWidth(column, listColumnShownWidth(which, stored, header));
    }
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { storeWidth(column, width); });
    followTimer_.setSingleShot(true);
    followTimer_.setInterval(kFollowInterval);
    connect(&followTimer_, &QTimer::timeout, this, [this] { followDue(); });
}

void CListEditor::storeWidth(int column, int width)
{
    engine_.settings.display.listeditorcellwidth[static_cast<std::size_t>(listColumnWidthSlot(listColumnAt(column)))] =
        width;
}

// ---- rows ----

void CListEditor::showTrack(int track)
{
    if (track == model_->track() && currentRow() >= 0) {
        refreshRows();
        return;
    }
    model_->showTrack(track);
    makeCurrentRow(0, 0);
}

void CListEditor::refreshRows()
{
    const int row = currentRow();
    const int column = currentIndex().column();
    model_->refresh();
    makeCurrentRow(std::min(row, model_->rowCount() - 1), column);
}

int CListEditor::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

std::vector<int> CListEditor::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CListEditor::makeCurrentRow(int row, int column)
{
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = model_->index(row, std::clamp(column, 0, kListColumnCount - 1));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

bool CListEditor::editable() const
{
    const CMidiThread* run = controller_.playThread();
    return listEditorEditable(run != nullptr, run && run->recording());
}

// ---- commands ----

bool CListEditor::command(unsigned id)
{
    switch (id) {
    case CommandId::CursorDown: moveByKey(Qt::Key_Down, Qt::NoModifier); break;
    case CommandId::CursorUp: moveByKey(Qt::Key_Up, Qt::NoModifier); break;
    case CommandId::CursorLeft: moveByKey(Qt::Key_Left, Qt::NoModifier); break;
    case CommandId::CursorRight: moveByKey(Qt::Key_Right, Qt::NoModifier); break;
    case CommandId::ExtendDown: moveByKey(Qt::Key_Down, Qt::ShiftModifier); break;
    case CommandId::ExtendUp: moveByKey(Qt::Key_Up, Qt::ShiftModifier); break;
    case CommandId::ExtendLeft: moveByKey(Qt::Key_Left, Qt::ShiftModifier); break;
    case CommandId::ExtendRight: moveByKey(Qt::Key_Right, Qt::ShiftModifier); break;
    case CommandId::SelectAll:
        if (!editing_)
            selectAll();
        break;
    case CommandId::Delete: deleteSelected(); break;
    case CommandId::Insert: insertCopy(); break;
    default: return false;
    }
    return true;
}

void CListEditor::moveByKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // The view's own key handling moves the current cell and extends the selection from
    // its anchor; the main window's accelerators took the key before it got here.
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QTableView::keyPressEvent(&event);
}

void CListEditor::deleteSelected()
{
    const std::vector<int> rows = selectedRows();
    if (!editable() || rows.empty())
        return;
    const std::optional<int> next = deleteEvents(*engine_.song, track(), rows, undo_, prompt_);
    changed(next.value_or(-1));
}

void CListEditor::insertCopy()
{
    const std::vector<int> rows = selectedRows();
    if (!editable() || rows.empty())
        return;
    if (const std::optional<int> copy = insertEventCopy(*engine_.song, track(), rows.front(), undo_, prompt_))
        changed(*copy);
}

void CListEditor::browseSysex()
{
    if (!editable())
        return;
    SysexbrowseDlg dialog(model_->device(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const std::optional<int> row =
            insertEventBehind(*engine_.song, track(), currentRow(), MidiEvent::sysexEvent(0, dialog.message()), undo_,
                              prompt_))
        changed(*row);
}

void CListEditor::changed(int selectRowAfter)
{
    // The rows are made anew; the cursor stays in the column the user works in.
    const int column = currentIndex().column();
    model_->refresh();
    makeCurrentRow(selectRowAfter, column);
    if (changed_)
        changed_();
}

void CListEditor::followPlay(std::int32_t tick)
{
    followTick_ = tick;
    if (!followTimer_.isActive())
        followTimer_.start();
}

void CListEditor::followDue()
{
    const int row = rowAtTick(engine_.song->tracks[static_cast<std::size_t>(track())], followTick_);
    if (row >= 0 && row != currentRow())
        makeCurrentRow(row, currentIndex().column());
}

// ---- editing ----

bool CListEditor::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (trigger != AllEditTriggers && !(trigger & editTriggers()))
        return QTableView::edit(index, trigger, event);
    if (editing_ || !index.isValid() || !editable())
        return false;
    const int row = index.row();
    const std::optional<CellEditor> editor =
        cellEditor(model_->context(), row, listColumnAt(index.column()), model_->decodedRow(row));
    if (!editor)
        return false;
    if (editor->kind == CellEditKind::Dialog) {
        openSpecialEditor(row, editor->dialog);
        return false;
    }
    editingCell_ = editor->name;
    delegate_->prepare(*editor);
    if (!QTableView::edit(index, trigger, event))
        return false;
    setEditing(true);
    return true;
}

void CListEditor::commitData(QWidget* editor)
{
    const QModelIndex index = currentIndex();
    QString text;
    int item = -1;
    bool typed = true;
    if (const auto* field = qobject_cast<QLineEdit*>(editor)) {
        text = field->text();
    } else if (const auto* box = qobject_cast<QComboBox*>(editor)) {
        text = box->currentText();
        item = box->currentIndex();
        typed = box->isEditable();
    } else {
        return;
    }
    // The change replaces the rows, and with them the editor that is closing now: it is
    // applied once the view is done with the editor.
    QTimer::singleShot(0, this, [this, row = index.row(), column = index.column(), cell = editingCell_, text, item,
                                 typed] { commitCell(row, column, cell, text, item, typed); });
}

void CListEditor::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Tab does not walk on into the next cell: the change is applied after the close.
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem)
        hint = QAbstractItemDelegate::NoHint;
    QTableView::closeEditor(editor, hint);
    setEditing(false);
}

void CListEditor::setEditing(bool editing)
{
    if (editing_ == editing)
        return;
    editing_ = editing;
    state_.listCellEditing = editing;
    if (editingChanged_)
        editingChanged_();
}

void CListEditor::commitCell(int row, int column, const std::string& cell, const QString& text, int item, bool typed)
{
    // A run may have started since the editor opened.
    if (!editable())
        return;
    const ListColumn which = listColumnAt(column);
    const ListEditorContext context = model_->context();
    const CellCheck check =
        typed ? checkCell(context, row, which, text.toStdString()) : checkCellChoice(context, row, which, item);
    if (!check.passed()) {
        prompt_.message(check.message, check.title, PromptIcon::Exclamation);
        return;
    }
    const int moved = applyCell(*engine_.song, track(), row, cell, check.value, undo_, prompt_);
    if (moved >= 0)
        changed(moved);
}

void CListEditor::openSpecialEditor(int row, SysexEditKind kind)
{
    const MidiEvent& event = engine_.song->tracks[static_cast<std::size_t>(track())].event(row);
    if (!event.sysex)
        return;
    const std::vector<std::uint8_t> stored = *event.sysex;
    const DecodedSysex decoded = model_->decodedRow(row).decoded;
    std::vector<std::uint8_t> message;
    if (kind == SysexEditKind::GsToneNumber) {
        CListEditorGSTonenumber dialog(stored, decoded, this);
        if (dialog.exec() == QDialog::Accepted)
            message = dialog.message();
    } else if (kind == SysexEditKind::KeyBasedInstrumentEditor) {
        CListEditorKeybInstrContrEditor dialog(stored, decoded, prompt_, this);
        if (dialog.exec() == QDialog::Accepted)
            message = dialog.message();
    } else if (kind == SysexEditKind::GlobalParameterControl) {
        const OutputDevice* device = model_->device();
        const CellCheck refusal = checkGlobalParameterControl(device);
        if (!refusal.passed()) {
            prompt_.message(refusal.message, refusal.title, PromptIcon::Exclamation);
            return;
        }
        CListEditorGlobalParContrEditor dialog(stored, decoded, *device, prompt_, this);
        if (dialog.exec() == QDialog::Accepted)
            message = dialog.message();
    }
    if (message.empty())
        return;
    CellValue value;
    value.sysex = std::move(message);
    const int moved = applyCell(*engine_.song, track(), row, ListCell::SysexValue, value, undo_, prompt_);
    if (moved >= 0)
        changed(moved);
}

// ---- events ----

void CListEditor::keyPressEvent(QKeyEvent* event)
{
    // A key the cell editor leaves (an arrow in an edit field) must not move the row
    // under it, which would end the editing.
    if (editing_) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QRect cell = visualRect(currentIndex());
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, cell.center(), viewport()->mapToGlobal(cell.center()));
        contextMenuEvent(&menu);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CListEditor::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* browse = menu.addAction(kBrowseText);
    browse->setEnabled(editable());
    // From the keyboard (Shift+F10, the menu key) Return takes the entry at once.
    if (event->reason() == QContextMenuEvent::Keyboard && browse->isEnabled())
        menu.setActiveAction(browse);
    if (menu.exec(event->globalPos()) == browse)
        browseSysex();
    event->accept();
}

} // namespace velisto
