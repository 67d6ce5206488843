#pragma once
// The list editor's name lists arrive as backslash-terminated fields ("C0\C#0\...\G10\");
// combo boxes want one item per field.
//
// Thread contract: pure function; user-interface thread.

#include "QtText.h"

#include <QStringList>

#include <string_view>

namespace velisto {

// "A\B\" gives {"A", "B"}; an empty field in the middle stays an (empty) item, so that an
// item's position is its value.
inline QStringList fieldItems(std::string_view list)
{
    QStringList items = qtext(list).split('\\');
    if (!items.isEmpty() && items.back().isEmpty())
        items.removeLast();
    return items;
}

} // namespace velisto
