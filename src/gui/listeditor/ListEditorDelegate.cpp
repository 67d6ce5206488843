#include "listeditor/ListEditorDelegate.h"

#include "QtText.h"

#include <QComboBox>
#include <QLineEdit>

namespace velisto {

QWidget* ListEditorDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    if (!pending_)
        return nullptr;
    const CellEditor editor = std::move(*pending_);
    pending_.reset();
    if (editor.kind == CellEditKind::Edit) {
        auto* field = new QLineEdit(qtext(editor.current), parent);
        field->setFrame(false);
        field->selectAll();
        return field;
    }
    auto* box = new QComboBox(parent);
    box->setEditable(editor.typable);
    // Inline completion would turn a typed "1" into the first entry starting with it.
    box->setInsertPolicy(QComboBox::NoInsert);
    if (editor.typable)
        box->setCompleter(nullptr);
    for (const std::string& choice : editor.choices)
        box->addItem(qtext(choice));
    box->setMaxVisibleItems(20);
    box->setCurrentIndex(editor.currentItem);
    if (editor.typable)
        box->setEditText(qtext(editor.current));
    return box;
}

} // namespace velisto
