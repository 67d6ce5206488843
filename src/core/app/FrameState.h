#pragma once
// What the main window knows about its song and its editors, and the rules drawn from it:
// which commands are grayed, the Undo entry's text, the window title, where a command
// goes, and how the window's client area is divided.
//
// Thread contract: user-interface thread only.

#include "app/CommandIds.h"
#include "edit/Selection.h"
#include "playback/PlayController.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class Clipboard;
class Song;
class UndoStack;

inline constexpr std::string_view kApplicationTitle = "Velisto";

// Which editor receives navigation and edit commands.
enum class ForegroundEditor { TrackArea, ListEditor };

struct FrameState {
    ForegroundEditor foreground = ForegroundEditor::TrackArea;
    // 1 + the visible row whose track-name field has the keyboard focus; 0 for none.
    int nameEditRow = 0;
    // A list editor cell is being edited: no accelerator applies, Play and Undo do nothing.
    bool listCellEditing = false;
    std::string mouseTool{kToolArrow};
    // Both empty for a new song.
    std::string fileName;
    std::string filePath;
    // Set by the song-modified message and by Undo, cleared by a successful save and by
    // New, Open and the start-up file.
    bool modified = false;
    bool closeInProgress = false;
    // The file named on the command line; cleared once it has been opened.
    std::string startupFile;
    bool startupCompletionPosted = false;
    int cursorTrack = 0;   // 0..255
    int cursorMeasure = 0; // from 0
    std::optional<Selection> selection;
};

// The menu's enabled commands and the Undo entry's text.
struct MenuState {
    std::vector<unsigned> grayed; // in command table order
    // "&Undo\tCtrl+Z", or "&Undo " + the newest step's description + "\tCtrl+Z".
    std::string undoText;

    bool enabled(unsigned id) const;
};

// While a run exists every command marked GrayWhileRunning is grayed (Play stays, acting
// as Stop). Undo is grayed without a step; Paste when the clipboard is empty or the list
// editor, which has no paste, is in front; with the list editor in front the commands
// marked GrayInListEditor are grayed too.
MenuState menuState(const FrameState& frame, bool runExists, const UndoStack& undo, const Clipboard& clipboard);

// "Velisto", "Velisto [song.mid]", "Velisto [song.mid] *"; a modified song without a file
// is "Velisto *".
std::string windowTitle(const FrameState& frame);

// The song-modified message: sets the flag. True when the title has to change (the first
// modification since the flag was cleared).
bool markModified(FrameState& frame);

// The toolbar's selection text: "Track 3, measure 5", "Tracks 1 - 4, measures 2 - 9",
// numbered from 1; kNoSelectionToolbarText without a selection.
std::string selectionToolbarText(const std::optional<Selection>& selection);

// Where a command goes. A wave editor that is the active window takes its own Delete,
// Cut, Copy, Paste and Undo; an Undo that a play run posted (the end of a test) always
// takes back the song's step, whatever window is active.
enum class CommandRoute { Frame, WaveEditor };
CommandRoute routeCommand(unsigned id, bool waveEditorActive, bool postedByRun);

// Where Play and Record start: with a selection the cursor first moves to its first
// track and measure. The cursor's tick, and the selection's ticks (end exclusive) as the
// play controller takes them.
struct PlayPosition {
    std::int32_t cursorTick = 0;
    std::optional<TickRange> selection;
};
PlayPosition playPosition(FrameState& frame, const Song& song);

} // namespace velisto
