#include "listeditor/ListEditorCells.h"

namespace velisto {

DecodedRow decodeRow(const ListEditorContext&, int) { return {}; }

std::string cellText(const ListEditorContext&, int, ListColumn, const DecodedRow&) { return {}; }

std::string cellText(const ListEditorContext& context, int row, ListColumn column)
{
    return cellText(context, row, column, decodeRow(context, row));
}

std::optional<CellEditor> cellEditor(const ListEditorContext&, int, ListColumn, const DecodedRow&)
{
    return std::nullopt;
}

std::optional<CellEditor> cellEditor(const ListEditorContext& context, int row, ListColumn column)
{
    return cellEditor(context, row, column, decodeRow(context, row));
}

} // namespace velisto
