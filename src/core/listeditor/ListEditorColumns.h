#pragma once
// The list editor's columns: their header texts in display order, the "Display" setting
// that stores each one's width with its default, and the Status column's kind texts.
// Thread contract: pure functions over constant tables; any thread.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

enum class ListColumn {
    Position,        // "Meas:Beat:Tick"
    Channel,         // "Ch."
    Status,          // "Status"
    Key,             // "Key"
    Value,           // "Value"
    Range,           // "Range"
    Detail,          // "Details": a note's length, a parameter's name, a sysex description
    RawSysex,        // "Raw Sysex"
    SysexDeviceId,   // "Syx DevId"
    SysexModelId,    // "Syx ModId"
    SysexGsChecksum, // "Syx GS Checks"
};
inline constexpr int kListColumnCount = 11;
// "listeditorcellwidth0".."listeditorcellwidth11": one stored width more than there are
// columns. Width 7 belongs to no column; it is kept as stored and written back unchanged.
inline constexpr int kListColumnWidthSlots = 12;

// The column at display position 0..10 (the enum's order); another position gives Position.
ListColumn listColumnAt(int position);
std::string_view listColumnHeader(ListColumn column);
// Index 0..11 of the column's width among "listeditorcellwidth0".."11" (and of
// DisplaySettings::listeditorcellwidth).
int listColumnWidthSlot(ListColumn column);
// "listeditorcellwidth" + the width slot.
std::string listColumnWidthKey(ListColumn column);
// The stored width's default (90, 40, 140, 220, 100, 120, 120, 180, 70, 70, 70).
int listColumnDefaultWidth(ListColumn column);
// The width a column is shown at: a column still at its default width is widened to show
// its whole header (headerPixels, in the table's font), since the default widths do not
// fit every font; a width the user chose is kept as it is.
int listColumnShownWidth(ListColumn column, int storedWidth, int headerPixels);

// The Status column's text of a stored status byte ("Note on", "META Lyric"); "intern err"
// for a status that is no event kind of the song.
std::string_view eventStatusText(std::uint8_t status);

// The kinds the Status cell may choose from, in the Status table's order: the channel
// kinds for a channel event, the META kinds (channel prefix included) for a META event,
// nothing for system exclusive and unknown kinds, whose kind never changes. Each value is
// the kind (status with the channel bits clear).
std::span<const std::uint8_t> statusChoicesFor(std::uint8_t status);

} // namespace velisto
