#pragma once
// The checks of the list editor's in-place editors: a typed text or a chosen entry becomes
// the value applyCell stores, or a message (with its title) that the window shows while
// the event stays as it was. System exclusive cells yield the message's complete new
// bytes, so that applying them needs no decoder.
// Thread contract: user-interface thread (the song is read); the parsers are pure.

#include "listeditor/ListEditorCells.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

namespace ListEditorMessage {
inline constexpr std::string_view PositionTitle = "New event position";
inline constexpr std::string_view MajorKeys =
    "Please enter major-key in the range from C0 to G10.\n\nE.g. keys of octave 5 would be C5, C#5, D5, D#5, E5, F5, "
    "F#5, G5, G#5, A5, A#5 and B5";
inline constexpr std::string_view MajorKeysTitle = "Major keys of 'Note on' or 'Polyphonic aftertouch'";
inline constexpr std::string_view MinorKeys =
    "Please enter minor-key in the range from C0 to G10.\n\nE.g. keys of octave 5 would be C5, Db5, D5, Eb5, E5, F5, "
    "Gb5, G5, Ab5, A5, Bb5 and B5";
inline constexpr std::string_view MinorKeysTitle = "Minor keys of 'Note on' or 'Polyphonic aftertouch'";
inline constexpr std::string_view PitchBend = "The value range of Pitch bend events reaches from -8192 to 8191.";
inline constexpr std::string_view PitchBendTitle = "Value of Pitch bend events";
inline constexpr std::string_view RawSysex = "Please write Sysex in hexadecimal style like F0 3E 48 1A 44 F7.\nBegin with "
                                             "F0 and end with F7.\nUse ONE blank between each byte paket.";
inline constexpr std::string_view HexChars = "Please only use hex chars (0123456789ABCDEF).";
inline constexpr std::string_view Maximum7F = "Maximum is 7F h";
inline constexpr std::string_view GsChecksum =
    "Please enter exactly two hex characters or an empty string for calculation.";
inline constexpr std::string_view NoteLength = "Number of ticks must be at least 1";
inline constexpr std::string_view Title = "List editor";
} // namespace ListEditorMessage

// What a passed check hands to applyCell. Which member counts depends on the cell:
// number for every cell but "meta" (text) and the system exclusive cells (sysex).
struct CellValue {
    // position: the absolute tick; midichannel: 0..15; status: the new kind; keys: 0..127;
    // notelength: ticks; parameters: the slot; program and values: the data value; pitch:
    // -8192..8191; bankselect: the bank MSB.
    std::int32_t number = 0;
    std::string text;                // meta
    std::vector<std::uint8_t> sysex; // every sysex cell: the stored bytes after F0, F7 included
};

struct CellCheck {
    std::string message; // empty: the check passed
    std::string title;   // the message box's title; empty shows the application's title
    CellValue value;

    bool passed() const { return message.empty(); }
};

// A typed text (edit fields, and typable combos) for the row's cell. A combo matches the
// text against its entries (the first equal one counts).
CellCheck checkCell(const ListEditorContext& context, int row, ListColumn column, std::string_view text);
// The chosen entry (its position in CellEditor::choices; -1 for none) of a combo cell.
CellCheck checkCellChoice(const ListEditorContext& context, int row, ListColumn column, int item);

// A typed system exclusive message, strictly: two hex digits per byte, ONE blank between
// bytes (blanks around the whole are ignored), beginning with F0, ending with F7, and no
// byte above 7F between them (a receiver would read it as a status byte, and the writer
// would cut the message at an inner F7). The stored form: the bytes after F0, F7
// included. std::nullopt for anything else.
std::optional<std::vector<std::uint8_t>> parseRawSysex(std::string_view text);

// Why the Global Parameter Control dialog may not open for the device (null: none):
// "Global parameter control only editable if device '" + name + "' would support MIDI mode
// GM2." or "No slotpathes defined for device '" + name + "'.", title "List editor". A
// passed check when it may.
CellCheck checkGlobalParameterControl(const OutputDevice* device);

} // namespace velisto
