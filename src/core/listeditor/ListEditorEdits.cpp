#include "listeditor/ListEditorEdits.h"

#include "edit/UndoStack.h"
#include "midi/MidiModeDefinition.h"
#include "song/Song.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace velisto {

namespace {

struct UndoName {
    std::string_view cell;
    std::string_view description;
};

constexpr std::array<UndoName, 15> kUndoNames{{
    {ListCell::Position, "List editor: Tick position"},
    {ListCell::MidiChannel, "List editor: MIDI channel"},
    {ListCell::Status, "List editor: Status byte"},
    {ListCell::MajorKey, "List editor: Key selected"},
    {ListCell::MinorKey, "List editor: Key selected"},
    {ListCell::NoteOnDrumKey, "List editor: Key selected"},
    {ListCell::KeyPressureDrumKey, "List editor: Key selected"},
    {ListCell::DrumNrpnKey, "List editor: Drum NRPN key"},
    {ListCell::NoteLength, "List editor: Notelength"},
    {ListCell::Pitch, "List editor: Pitch bend value"},
    {ListCell::ChannelPressureValue, "List editor: Monophonic aftertouch value"},
    {ListCell::BankSelect, "List editor: Bank select"},
    {ListCell::Meta, "List editor: META text"},
    {ListCell::RawSysex, "List editor: Sysex"},
    {ListCell::SysexValue, "List editor: Sysex value"},
}};

constexpr std::string_view kDeviceIdUndo = "List editor: Sysex deviceid";
constexpr std::string_view kChecksumUndo = "List editor: Sysex GS checksum";

// The valid data of a channel kind: the ranges of data1 and data2 and what a value
// outside takes instead. A byte the kind does not use has the range 0..0.
struct KindData {
    std::uint8_t kind;
    int data1Max;
    int data1Default;
    int data2Min;
    int data2Max;
    int data2Default;
};

constexpr std::array<KindData, 9> kChannelKinds{{
    {EventKind::Note, 127, 60, 1, 127, 100},
    {EventKind::PolyPressure, 127, 60, 0, 127, 0},
    {EventKind::Controller, kControllerSlotCount - 1, 0, 0, 127, 0},
    {EventKind::ProgramChange, 127, 0, 0, 0, 0},
    {EventKind::ChannelPressure, 127, 0, 0, 0, 0},
    {EventKind::Nrpn, kNrpnSlotCount - 1, 0, 0, 127, 0},
    {EventKind::Rpn, kRpnSlotCount - 1, 0, 0, 127, 0},
    {EventKind::PitchBend, 127, 0, 0, 127, 64},
    {EventKind::DrumNrpn, kDrumNrpnSlotCount - 1, 0, 0, 127, 0},
}};

const KindData* channelKindData(std::uint8_t kind)
{
    const auto found = std::ranges::find(kChannelKinds, kind, &KindData::kind);
    return found == kChannelKinds.end() ? nullptr : &*found;
}

bool isMetaKind(std::uint8_t kind) { return kind == EventKind::ChannelPrefix || MidiEvent::isTextKind(kind); }

// The kinds a cell belongs to; a cell applied to another kind changes nothing.
bool cellFits(std::string_view cell, const MidiEvent& event)
{
    const std::uint8_t kind = event.kind();
    const bool note = kind == EventKind::Note;
    const bool keyed = note || kind == EventKind::PolyPressure;
    if (cell == ListCell::Position)
        return true;
    if (cell == ListCell::MidiChannel)
        return channelKindData(kind) || kind == EventKind::ChannelPrefix;
    if (cell == ListCell::Status)
        return channelKindData(kind) || isMetaKind(kind);
    if (cell == ListCell::Meta)
        return event.isText();
    if (cell == ListCell::NoteLength || cell == ListCell::NoteOnVelocity || cell == ListCell::NoteOnDrumKey)
        return note;
    if (cell == ListCell::MajorKey || cell == ListCell::MinorKey)
        return keyed;
    if (cell == ListCell::KeyPressureDrumKey || cell == ListCell::PolyAftertouchValue)
        return kind == EventKind::PolyPressure;
    if (cell == ListCell::DrumNrpnKey || cell == ListCell::DrumNrpn || cell == ListCell::DrumNrpnValue)
        return kind == EventKind::DrumNrpn;
    if (cell == ListCell::Controller || cell == ListCell::ControllerValue || cell == ListCell::BankSelect)
        return kind == EventKind::Controller;
    if (cell == ListCell::Nrpn || cell == ListCell::NrpnValue)
        return kind == EventKind::Nrpn;
    if (cell == ListCell::Rpn || cell == ListCell::RpnValue)
        return kind == EventKind::Rpn;
    if (cell == ListCell::Program)
        return kind == EventKind::ProgramChange;
    if (cell == ListCell::ChannelPressureValue)
        return kind == EventKind::ChannelPressure;
    if (cell == ListCell::Pitch)
        return kind == EventKind::PitchBend;
    if (cell == ListCell::RawSysex || cell == ListCell::SysexValue || cell == ListCell::SysexDeviceId ||
        cell == ListCell::SysexGsChecksum)
        return event.isSysex();
    return false;
}

bool inRange(std::int32_t value, int minimum, int maximum) { return value >= minimum && value <= maximum; }

// Whether the value suits the cell; a caller that skipped checkCell cannot break a record.
bool valueFits(std::string_view cell, const MidiEvent& event, const CellValue& value)
{
    const std::int32_t n = value.number;
    if (cell == ListCell::Position || cell == ListCell::Meta)
        return true;
    if (cell == ListCell::MidiChannel)
        return inRange(n, 0, 15);
    if (cell == ListCell::Status)
        return inRange(n, 0, 255);
    if (cell == ListCell::NoteLength)
        return n >= 1;
    if (cell == ListCell::NoteOnVelocity)
        return inRange(n, 1, 127);
    if (cell == ListCell::Pitch)
        return inRange(n, -8192, 8191);
    if (event.isSysex())
        return true;
    if (const std::optional<int> slots = cell == ListCell::Controller ? kControllerSlotCount
                                         : cell == ListCell::Nrpn     ? kNrpnSlotCount
                                         : cell == ListCell::Rpn      ? kRpnSlotCount
                                         : cell == ListCell::DrumNrpn ? std::optional<int>(kDrumNrpnSlotCount)
                                                                      : std::nullopt)
        return inRange(n, 0, *slots - 1);
    return inRange(n, 0, 127);
}

std::uint8_t byte(std::int32_t value) { return static_cast<std::uint8_t>(value); }

// Changes the event's fields for the cell (all but the position and the kind); the caller
// has recorded the undo step.
void store(MidiEvent& event, std::string_view cell, const CellValue& value)
{
    const std::int32_t n = value.number;
    if (cell == ListCell::MidiChannel)
        event.status = byte((event.status & 0xF0) | n);
    else if (cell == ListCell::DrumNrpnKey)
        event.data3 = byte(n);
    else if (cell == ListCell::NoteLength)
        event.length = n;
    else if (cell == ListCell::Pitch) {
        event.data1 = byte((n + 8192) & 0x7F);
        event.data2 = byte((n + 8192) >> 7);
    } else if (cell == ListCell::Meta)
        event.text.reset(value.text);
    else if (event.isSysex())
        event.sysex.reset(value.sysex);
    else if (cell == ListCell::MajorKey || cell == ListCell::MinorKey || cell == ListCell::NoteOnDrumKey ||
             cell == ListCell::KeyPressureDrumKey || cell == ListCell::Controller || cell == ListCell::Nrpn ||
             cell == ListCell::Rpn || cell == ListCell::DrumNrpn || cell == ListCell::Program ||
             cell == ListCell::ChannelPressureValue)
        event.data1 = byte(n);
    else
        event.data2 = byte(n);
}

Track* trackOf(Song& song, int track)
{
    return track >= 0 && track < kTrackCount ? &song.tracks[static_cast<std::size_t>(track)] : nullptr;
}

bool changeChannelKind(MidiEvent& event, const KindData& to)
{
    event.status = static_cast<std::uint8_t>(to.kind | event.channel());
    if (event.data1 > to.data1Max)
        event.data1 = byte(to.data1Default);
    if (event.data2 < to.data2Min || event.data2 > to.data2Max)
        event.data2 = byte(to.data2Default);
    if (to.kind == EventKind::DrumNrpn) {
        if (event.data3 > 127)
            event.data3 = kNoDrumKey;
    } else {
        event.data3 = kNoDrumKey;
    }
    if (to.kind == EventKind::Note)
        event.length = kDefaultEventLength;
    return true;
}

} // namespace

bool listEditorEditable(bool runExists, bool recording) { return !runExists && !recording; }

std::string cellUndoDescription(std::string_view cell)
{
    for (const UndoName& entry : kUndoNames)
        if (entry.cell == cell)
            return std::string(entry.description);
    if (cell == ListCell::SysexDeviceId)
        return std::string(kDeviceIdUndo);
    if (cell == ListCell::SysexGsChecksum)
        return std::string(kChecksumUndo);
    return "List editor: " + std::string(cell);
}

bool changeEventKind(MidiEvent& event, std::uint8_t kind, int trackChannel)
{
    const std::uint8_t from = event.kind();
    if (from == kind)
        return channelKindData(kind) || isMetaKind(kind);
    if (channelKindData(from) && channelKindData(kind))
        return changeChannelKind(event, *channelKindData(kind));
    if (!isMetaKind(from) || !isMetaKind(kind))
        return false;
    if (kind == EventKind::ChannelPrefix) {
        event.status = static_cast<std::uint8_t>(kind | (trackChannel & 0x0F));
        event.text.reset();
    } else {
        event.status = kind;
        if (!event.text)
            event.text.reset(std::string());
    }
    return true;
}

int applyCell(Song& song, int track, int row, std::string_view cell, const CellValue& value, UndoStack& undo,
              UserPrompt& prompt)
{
    Track* owner = trackOf(song, track);
    if (!owner || row < 0 || row > owner->lastIndex())
        return -1;
    MidiEvent& event = owner->event(row);
    if (!cellFits(cell, event) || !valueFits(cell, event, value))
        return -1;
    MidiEvent changedKind = event;
    if (cell == ListCell::Status && !changeEventKind(changedKind, byte(value.number), owner->channel))
        return -1;
    // The same position again would move the event behind the others at its tick.
    if (cell == ListCell::Position && value.number == event.tick)
        return row;
    undo.record(song, cellUndoDescription(cell), prompt);
    if (cell == ListCell::Position)
        return owner->moveToTick(row, value.number);
    if (cell == ListCell::Status)
        event = std::move(changedKind);
    else
        store(event, cell, value);
    return row;
}

std::optional<int> insertEventBehind(Song& song, int track, int row, MidiEvent event, UndoStack& undo,
                                     UserPrompt& prompt)
{
    Track* owner = trackOf(song, track);
    if (!owner)
        return std::nullopt;
    if (owner->empty()) {
        undo.record(song, kListInsertUndoName, prompt);
        event.tick = 0;
        owner->insertAt(0, std::move(event));
        return 0;
    }
    if (row < 0 || row > owner->lastIndex())
        return std::nullopt;
    undo.record(song, kListInsertUndoName, prompt);
    event.tick = owner->event(row).tick;
    owner->insertAt(row + 1, std::move(event));
    return row + 1;
}

std::optional<int> insertEventCopy(Song& song, int track, int row, UndoStack& undo, UserPrompt& prompt)
{
    Track* owner = trackOf(song, track);
    if (!owner || row < 0 || row > owner->lastIndex())
        return std::nullopt;
    MidiEvent copy = owner->event(row);
    if (copy.isSysex())
        copy.sysex.reset(std::vector<std::uint8_t>());
    return insertEventBehind(song, track, row, std::move(copy), undo, prompt);
}

std::optional<int> deleteEvents(Song& song, int track, std::span<const int> rows, UndoStack& undo,
                                UserPrompt& prompt)
{
    Track* owner = trackOf(song, track);
    if (!owner)
        return std::nullopt;
    std::vector<int> doomed;
    for (const int row : rows)
        if (row >= 0 && row <= owner->lastIndex())
            doomed.push_back(row);
    std::ranges::sort(doomed, std::greater<>());
    const auto [repeatsBegin, repeatsEnd] = std::ranges::unique(doomed);
    doomed.erase(repeatsBegin, repeatsEnd);
    if (doomed.empty())
        return std::nullopt;
    undo.record(song, kListDeleteUndoName, prompt);
    for (const int row : doomed)
        owner->erase(row);
    if (owner->empty())
        return std::nullopt;
    // The event behind the last deleted row moved up by the number of rows deleted.
    const int follower = doomed.front() + 1 - static_cast<int>(doomed.size());
    return std::min(follower, owner->lastIndex());
}

int rowAtTick(const Track& track, std::int32_t tick)
{
    if (track.empty())
        return -1;
    const std::span<const MidiEvent> events = track.events();
    const auto found = std::ranges::lower_bound(events, tick, {}, &MidiEvent::tick);
    return found == events.end() ? track.lastIndex() : static_cast<int>(found - events.begin());
}

} // namespace velisto
