#pragma once
// Core texts are UTF-8 std::string_views; Qt wants QStrings.

#include <QString>

#include <string_view>

namespace velisto {

inline QString qtext(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace velisto
