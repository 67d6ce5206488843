#pragma once
// The list editor's in-place editors: an edit field for an "edit" cell, a list for a
// "combo" cell (one the user may also type into when the cell allows it). The window
// decides which cell edits and hands the editor's description over before the view asks
// for the widget; the delegate only builds it.
//
// Thread contract: user-interface thread only.

#include "listeditor/ListEditorCells.h"

#include <QStyledItemDelegate>

#include <optional>

namespace velisto {

class ListEditorDelegate : public QStyledItemDelegate {
public:
    explicit ListEditorDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

    // The editor the next createEditor builds; cleared by it.
    void prepare(CellEditor editor) { pending_ = std::move(editor); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The editor starts with the cell's editor text, not the shown one.
    void setEditorData(QWidget*, const QModelIndex&) const override {}
    // The window checks and applies; the model is never written through the delegate.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

private:
    mutable std::optional<CellEditor> pending_;
};

} // namespace velisto
