#include "listeditor/ListEditorEdits.h"

namespace velisto {

bool listEditorEditable(bool runExists, bool recording) { return !runExists && !recording; }

std::string cellUndoDescription(std::string_view cell) { return "List editor: " + std::string(cell); }

int applyCell(Song&, int, int, std::string_view, const CellValue&, UndoStack&, UserPrompt&) { return -1; }

bool changeEventKind(MidiEvent&, std::uint8_t, int) { return false; }

std::optional<int> insertEventCopy(Song&, int, int, UndoStack&, UserPrompt&) { return std::nullopt; }

std::optional<int> insertEventBehind(Song&, int, int, MidiEvent, UndoStack&, UserPrompt&) { return std::nullopt; }

std::optional<int> deleteEvents(Song&, int, std::span<const int>, UndoStack&, UserPrompt&) { return std::nullopt; }

int rowAtTick(const Track&, std::int32_t) { return -1; }

} // namespace velisto
