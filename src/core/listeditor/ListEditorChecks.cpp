#include "listeditor/ListEditorChecks.h"

namespace velisto {

CellCheck checkCell(const ListEditorContext&, int, ListColumn, std::string_view) { return {}; }

CellCheck checkCellChoice(const ListEditorContext&, int, ListColumn, int) { return {}; }

std::optional<std::vector<std::uint8_t>> parseRawSysex(std::string_view) { return std::nullopt; }

CellCheck checkGlobalParameterControl(const OutputDevice*) { return {}; }

} // namespace velisto
