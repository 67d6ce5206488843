#include "listeditor/ListEditorChecks.h"

#include "edit/Transforms.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "midi/SysexEdit.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {

namespace {

// What an in-place editor may never be asked for; the window only opens editors that
// cellEditor offers.
constexpr std::string_view kReadOnly = "This cell cannot be edited.";

CellCheck refuse(std::string_view message, std::string_view title = {})
{
    CellCheck check;
    check.message = std::string(message);
    check.title = std::string(title);
    return check;
}

CellCheck number(std::int32_t value)
{
    CellCheck check;
    check.value.number = value;
    return check;
}

CellCheck bytes(std::vector<std::uint8_t> sysex)
{
    CellCheck check;
    check.value.sysex = std::move(sysex);
    return check;
}

CellCheck numberBetween(std::string_view text, int minimum, int maximum)
{
    const std::optional<int> value = parseDecimal(trimmed(text));
    if (!value || *value < minimum || *value > maximum)
        return refuse("Please enter a value between " + numberText(minimum) + " and " + numberText(maximum));
    return number(*value);
}

std::span<const std::uint8_t> storedOf(const MidiEvent& event)
{
    return event.sysex ? std::span<const std::uint8_t>(*event.sysex) : std::span<const std::uint8_t>();
}

// One or two hex digits, as the device id and checksum cells take them.
std::optional<int> hexNumber(std::string_view text)
{
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

bool allHex(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) { return hexNumber(std::string_view(&c, 1)).has_value(); });
}

CellCheck checkDeviceId(const MidiEvent& event, std::string_view text)
{
    text = trimmed(text);
    if (text.empty() || !allHex(text))
        return refuse(ListEditorMessage::HexChars);
    const std::optional<int> id = text.size() <= 2 ? hexNumber(text) : std::nullopt;
    if (!id || *id > 0x7F)
        return refuse(ListEditorMessage::Maximum7F);
    std::vector<std::uint8_t> stored(storedOf(event).begin(), storedOf(event).end());
    if (stored.size() < 2)
        return refuse(kReadOnly);
    stored[1] = static_cast<std::uint8_t>(*id);
    return bytes(std::move(stored));
}

CellCheck checkGsChecksum(const MidiEvent& event, const DecodedSysex& decoded, std::string_view text)
{
    text = trimmed(text);
    std::vector<std::uint8_t> stored(storedOf(event).begin(), storedOf(event).end());
    if (text.empty()) {
        if (!writeGsChecksum(stored))
            return refuse(kReadOnly);
        return bytes(std::move(stored));
    }
    const std::optional<int> value = text.size() == 2 ? hexNumber(text) : std::nullopt;
    if (!value)
        return refuse(ListEditorMessage::GsChecksum);
    // Above 7F the checksum would read as a status byte and end the message early.
    if (*value > 0x7F)
        return refuse(ListEditorMessage::Maximum7F);
    if (decoded.length < 2 || decoded.length > stored.size())
        return refuse(kReadOnly);
    stored[decoded.length - 2] = static_cast<std::uint8_t>(*value);
    return bytes(std::move(stored));
}

CellCheck reencoded(const MidiEvent& event, const DecodedSysex& decoded, const SysexValueCheck& check)
{
    if (!check.accepted())
        return refuse(check.error);
    std::optional<std::vector<std::uint8_t>> stored = reencodeSysex(storedOf(event), decoded, check.value);
    if (!stored)
        return refuse(decoded.error.empty() ? kReadOnly : std::string_view(decoded.error));
    return bytes(std::move(*stored));
}

CellCheck checkKey(std::string_view cell, std::string_view text)
{
    const int key = keyOfNoteName(trimmed(text));
    if (key >= 0)
        return number(key);
    if (cell == ListCell::MinorKey)
        return refuse(ListEditorMessage::MinorKeys, ListEditorMessage::MinorKeysTitle);
    return refuse(ListEditorMessage::MajorKeys, ListEditorMessage::MajorKeysTitle);
}

CellCheck checkPosition(const Song& song, std::string_view text)
{
    const PositionCheck position = parsePositionText(song, text);
    if (!position.valid())
        return refuse(position.message, ListEditorMessage::PositionTitle);
    return number(position.tick);
}

CellCheck checkNoteLength(std::string_view text)
{
    const std::optional<int> ticks = leadingTicks(text);
    if (!ticks || *ticks < 1)
        return refuse(ListEditorMessage::NoteLength);
    return number(*ticks);
}

CellCheck checkPitchBend(std::string_view text)
{
    const std::optional<int> value = parseDecimal(trimmed(text));
    if (!value || *value < -8192 || *value > 8191)
        return refuse(ListEditorMessage::PitchBend, ListEditorMessage::PitchBendTitle);
    return number(*value);
}

// The typed text of an edit field (or a typable combo).
CellCheck checkTyped(const ListEditorContext& context, const MidiEvent& event, const CellEditor& editor,
                     const DecodedRow& decoded, std::string_view text)
{
    const std::string_view cell = editor.name;
    if (cell == ListCell::Position)
        return checkPosition(context.song, text);
    if (cell == ListCell::MidiChannel) {
        CellCheck check = numberBetween(text, 1, 16);
        check.value.number -= 1;
        return check;
    }
    if (cell == ListCell::MajorKey || cell == ListCell::MinorKey)
        return checkKey(cell, text);
    if (cell == ListCell::NoteLength)
        return checkNoteLength(text);
    if (cell == ListCell::NoteOnVelocity)
        return numberBetween(text, 1, 127);
    if (cell == ListCell::Pitch)
        return checkPitchBend(text);
    if (cell == ListCell::Meta) {
        CellCheck check;
        check.value.text = std::string(text);
        return check;
    }
    if (cell == ListCell::RawSysex) {
        std::optional<std::vector<std::uint8_t>> stored = parseRawSysex(text);
        return stored ? bytes(std::move(*stored)) : refuse(ListEditorMessage::RawSysex);
    }
    if (cell == ListCell::SysexDeviceId)
        return checkDeviceId(event, text);
    if (cell == ListCell::SysexGsChecksum)
        return checkGsChecksum(event, decoded.decoded, text);
    if (cell == ListCell::SysexValue)
        return reencoded(event, decoded.decoded, checkSysexValue(decoded.decoded, text));
    // controller, NRPN, RPN and drum-NRPN values, key pressure and channel pressure
    return numberBetween(text, 0, 127);
}

CellCheck checkChoice(const ListEditorContext& context, const MidiEvent& event, const CellEditor& editor,
                      const DecodedRow& decoded, int item)
{
    const std::string_view cell = editor.name;
    if (cell == ListCell::SysexValue)
        return reencoded(event, decoded.decoded, checkSysexChoice(decoded.decoded, item));
    if (item < 0 || item >= static_cast<int>(editor.choices.size()))
        return refuse(SysexEditMessage::NoItem);
    if (cell == ListCell::Status)
        return number(statusChoicesFor(event.status)[static_cast<std::size_t>(item)]);
    if (cell == ListCell::NoteLength)
        return checkTyped(context, event, editor, decoded, editor.choices[static_cast<std::size_t>(item)]);
    // Keys, parameters, programs and banks: the entry's position is the value.
    return number(item);
}

} // namespace

CellCheck checkCell(const ListEditorContext& context, int row, ListColumn column, std::string_view text)
{
    const MidiEvent* event = listEditorEvent(context, row);
    const DecodedRow decoded = decodeRow(context, row);
    const std::optional<CellEditor> editor = cellEditor(context, row, column, decoded);
    if (!event || !editor || editor->kind == CellEditKind::Dialog)
        return refuse(kReadOnly);
    if (editor->kind == CellEditKind::Combo && !editor->typable) {
        const auto found = std::ranges::find(editor->choices, text);
        const int item = found == editor->choices.end() ? -1 : static_cast<int>(found - editor->choices.begin());
        // A sysex combo also takes a typed raw number; its check knows how.
        if (item < 0 && editor->name == ListCell::SysexValue)
            return checkTyped(context, *event, *editor, decoded, text);
        return checkChoice(context, *event, *editor, decoded, item);
    }
    return checkTyped(context, *event, *editor, decoded, text);
}

CellCheck checkCellChoice(const ListEditorContext& context, int row, ListColumn column, int item)
{
    const MidiEvent* event = listEditorEvent(context, row);
    const DecodedRow decoded = decodeRow(context, row);
    const std::optional<CellEditor> editor = cellEditor(context, row, column, decoded);
    if (!event || !editor || editor->kind != CellEditKind::Combo)
        return refuse(kReadOnly);
    return checkChoice(context, *event, *editor, decoded, item);
}

std::optional<std::vector<std::uint8_t>> parseRawSysex(std::string_view text)
{
    text = trimmed(text);
    std::vector<std::uint8_t> stored;
    bool first = true;
    while (true) {
        if (text.size() < 2)
            return std::nullopt;
        const std::optional<std::uint8_t> byte = hexParse(text.substr(0, 2));
        if (!byte)
            return std::nullopt;
        text.remove_prefix(2);
        const bool last = text.empty();
        if (first) {
            if (*byte != 0xF0 || last)
                return std::nullopt;
            first = false;
        } else {
            stored.push_back(*byte);
            if (last)
                return *byte == 0xF7 ? std::optional(std::move(stored)) : std::nullopt;
            // Between F0 and the closing F7 only data bytes.
            if (*byte > 0x7F)
                return std::nullopt;
        }
        if (text.size() < 3 || text[0] != ' ' || text[1] == ' ')
            return std::nullopt;
        text.remove_prefix(1);
    }
}

CellCheck checkGlobalParameterControl(const OutputDevice* device)
{
    const std::string name(device ? std::string_view(device->name) : kPlaceholderDeviceName);
    if (!device || !device->gm2Supported)
        return refuse("Global parameter control only editable if device '" + name + "' would support MIDI mode GM2.",
                      ListEditorMessage::Title);
    if (device->slotPaths.empty())
        return refuse("No slotpathes defined for device '" + name + "'.", ListEditorMessage::Title);
    return {};
}

} // namespace velisto
