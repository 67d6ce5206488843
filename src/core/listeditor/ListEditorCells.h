#pragma once
// The texts of the list editor's cells and the in-place editor each editable cell opens.
// One row is one event of the shown track, by its index. A system exclusive row is
// decoded once into a DecodedRow that the caller may keep (the window decodes a row when
// it is first painted and drops its cache when the track changes); the overloads without
// one decode on the spot.
// Thread contract: user-interface thread (the song is read); pure otherwise.

#include "listeditor/ListEditorColumns.h"
#include "listeditor/ListEditorContext.h"
#include "midi/SysexDecoder.h"
#include "midi/SysexParameter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

struct MidiEvent;

// The names the editor gives its editable cells; applyCell takes them back.
namespace ListCell {
inline constexpr std::string_view Position = "position";
inline constexpr std::string_view MidiChannel = "midichannel";
inline constexpr std::string_view Status = "status";
inline constexpr std::string_view Meta = "meta";
inline constexpr std::string_view NoteLength = "notelength";
inline constexpr std::string_view MajorKey = "majorkey";
inline constexpr std::string_view MinorKey = "minorkey";
inline constexpr std::string_view NoteOnDrumKey = "noteon drumkey";
inline constexpr std::string_view KeyPressureDrumKey = "keypressure drumkey";
inline constexpr std::string_view DrumNrpnKey = "drumnrpnkey";
inline constexpr std::string_view Controller = "controller";
inline constexpr std::string_view Nrpn = "nrpn";
inline constexpr std::string_view Rpn = "rpn";
inline constexpr std::string_view DrumNrpn = "drumnrpn";
inline constexpr std::string_view Program = "program";
inline constexpr std::string_view ControllerValue = "controller value";
inline constexpr std::string_view NrpnValue = "nrpn value";
inline constexpr std::string_view RpnValue = "rpn value";
inline constexpr std::string_view DrumNrpnValue = "drumnrpn value";
inline constexpr std::string_view NoteOnVelocity = "noteon velocity";
inline constexpr std::string_view PolyAftertouchValue = "poly aftertouch value";
inline constexpr std::string_view ChannelPressureValue = "channelpressurevalue";
inline constexpr std::string_view Pitch = "pitch";
inline constexpr std::string_view BankSelect = "bankselect";
inline constexpr std::string_view RawSysex = "rawsysex";
inline constexpr std::string_view SysexDeviceId = "sysexdeviceid";
inline constexpr std::string_view SysexGsChecksum = "sysexgschecksum";
inline constexpr std::string_view SysexValue = "sysexvalue";
} // namespace ListCell

// A row's system exclusive message as decoded for the row's device and receiver mode.
// Decode again after the row's event or the receiver's mode changes.
struct DecodedRow {
    bool sysex = false;     // the row is a system exclusive event; decoded is meaningful
    DecodedSysex decoded;   // unsupportedNote is filled for the receiver mode
};

// Decodes the row when it is a system exclusive event; an empty DecodedRow otherwise
// (also for a row outside the track).
DecodedRow decodeRow(const ListEditorContext& context, int row);

// The cell's text; empty for a cell the row's kind does not fill and for a row outside
// the track. decoded: decodeRow's answer for the same row (ignored by other rows).
std::string cellText(const ListEditorContext& context, int row, ListColumn column, const DecodedRow& decoded);
std::string cellText(const ListEditorContext& context, int row, ListColumn column);

enum class CellEditKind {
    Edit,   // a one-line edit field
    Combo,  // a list of choices (see CellEditor::typable)
    Dialog, // a system exclusive value with a special editor: open CellEditor::dialog's dialog
};

struct CellEditor {
    std::string name; // one of ListCell
    CellEditKind kind = CellEditKind::Edit;
    std::vector<std::string> choices; // Combo: the entries in order
    // Edit: the text the field starts with. Combo: the current entry's text (or, with no
    // entry for the current value, the value as it is shown).
    std::string current;
    int currentItem = -1; // Combo: position of the current entry in choices; -1 none
    bool typable = false; // Combo: the user may also type a text (note lengths in ticks)
    SysexEditKind dialog = SysexEditKind::None; // Dialog: which special editor
};

// The editor of an editable cell; std::nullopt for a read-only cell (and for a row outside
// the track). Whether anything may be edited at all is listEditorEditable's business.
std::optional<CellEditor> cellEditor(const ListEditorContext& context, int row, ListColumn column,
                                     const DecodedRow& decoded);
std::optional<CellEditor> cellEditor(const ListEditorContext& context, int row, ListColumn column);

} // namespace velisto
