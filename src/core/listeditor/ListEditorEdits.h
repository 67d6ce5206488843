#pragma once
// The list editor's changes to the song: one checked cell, inserting a copy of an event,
// inserting a new event behind a row (the sysex browser), deleting rows. Each records its
// undo step before it changes anything. They refuse nothing themselves: the window asks
// listEditorEditable first, because a run's timer thread reads the arrays they change.
// Thread contract: user-interface thread only (it writes the song).

#include "listeditor/ListEditorChecks.h"
#include "song/MidiEvent.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

class Song;
class Track;
class UndoStack;
class UserPrompt;

inline constexpr std::string_view kListInsertUndoName = "List editor: Insert MIDI event";
inline constexpr std::string_view kListDeleteUndoName = "List editor: Delete MIDI event";

// Whether cells may be edited and Ins and Del act: never while a run exists (playback, a
// preview or a test play reads the arrays an edit changes; recording merges into them).
bool listEditorEditable(bool runExists, bool recording);

// The undo description of a cell: the listed fields' own ("List editor: Tick position",
// "List editor: Key selected", ...), else "List editor: " + the cell name.
std::string cellUndoDescription(std::string_view cell);

// Stores a passed check's value into event row of the track, after recording the undo
// step. Returns the event's row afterwards (a new position moves it behind the events at
// its tick; its own position changes nothing and records nothing); -1, with nothing
// recorded, for a row outside the track, a cell the event's kind does not have, or a value
// outside the cell's range.
int applyCell(Song& song, int track, int row, std::string_view cell, const CellValue& value, UndoStack& undo,
              UserPrompt& prompt);

// Turns event into kind (a status without channel bits), keeping a valid record: channel
// kinds change only into channel kinds, META kinds only into META kinds (the channel
// prefix among them, on trackChannel), system exclusive never; data outside the new
// kind's range takes the kind's default; data3 becomes 27 unless the kind is a drum NRPN;
// a new note gets length 120; a text only on META text kinds. False, unchanged, when the
// change is not allowed.
bool changeEventKind(MidiEvent& event, std::uint8_t kind, int trackChannel);

// Records "List editor: Insert MIDI event" and stores a copy of event row directly behind
// it, at the same tick: a text event's text is copied, a system exclusive copy starts
// without bytes. The copy's row; std::nullopt, with nothing recorded, for a row outside
// the track (no row selected).
std::optional<int> insertEventCopy(Song& song, int track, int row, UndoStack& undo, UserPrompt& prompt);
// Records "List editor: Insert MIDI event" and stores event behind row, at row's tick (at
// tick 0 in an empty track, where row is ignored). The new row; std::nullopt, with nothing
// recorded, for a row outside a track that has events.
std::optional<int> insertEventBehind(Song& song, int track, int row, MidiEvent event, UndoStack& undo,
                                     UserPrompt& prompt);

// Records "List editor: Delete MIDI event" and deletes the rows (any order; rows outside
// the track and repeats are ignored). Returns the row to select: the event that followed
// the last deleted row (rows 4, 5 and 9 deleted: the old row 10, now row 7), else the new
// last row; std::nullopt when the track is now empty, and when nothing was deleted (then
// nothing is recorded either).
std::optional<int> deleteEvents(Song& song, int track, std::span<const int> rows, UndoStack& undo,
                                UserPrompt& prompt);

// The first row at or after tick (binary search over the sorted events); the last row
// when every event is earlier; -1 for an empty track.
int rowAtTick(const Track& track, std::int32_t tick);

} // namespace velisto
