#pragma once
// The main window's commands: their ids (also what posted commands carry in wparam), the
// menu each belongs to, its text, accelerators, status line and tooltip, and whether the
// menu state grays it. One table, read by the menus, the toolbar, the status bar and the
// menu state; the private messages the frame and its windows exchange are here as well.
//
// Thread contract: constants and pure lookups; any thread.

#include "app/UiNotifier.h"

#include <array>
#include <span>
#include <string_view>

namespace velisto {

// The window system's close request and menu command messages (wparam: the command id).
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmCommand = 0x0111;

namespace CommandId {
// File
inline constexpr unsigned New = 57600;
inline constexpr unsigned Open = 57601;
inline constexpr unsigned Save = 57603;
inline constexpr unsigned SaveAs = 57604;
inline constexpr unsigned Exit = 57665;
// Edit
inline constexpr unsigned Undo = 57643;
inline constexpr unsigned Delete = 32860;
inline constexpr unsigned Insert = 32862;
inline constexpr unsigned Cut = 57635;
inline constexpr unsigned Copy = 57634;
inline constexpr unsigned Paste = 57637;
inline constexpr unsigned SelectAll = 32850;
inline constexpr unsigned SelectToRightEnd = 32880;
inline constexpr unsigned SelectToBottom = 32927;
inline constexpr unsigned SelectNone = 32863;
inline constexpr unsigned Velocity = 32933;
inline constexpr unsigned Quantize = 32773;
inline constexpr unsigned Pitch = 32774;
inline constexpr unsigned Move = 32833;
inline constexpr unsigned Notelength = 32929;
inline constexpr unsigned Channel = 32930;
inline constexpr unsigned SplitChannels = 32910;
inline constexpr unsigned InsertTrack = 32912;
inline constexpr unsigned DeleteTrack = 32913;
// View
inline constexpr unsigned ViewStatus = 59393;
inline constexpr unsigned VirtualKeyboard = 32911;
inline constexpr unsigned OutputMonitor = 32937;
inline constexpr unsigned WaveEditor = 32903;
inline constexpr unsigned ListEditor = 32987;
// Extras, Settings, Help
inline constexpr unsigned IgrEditor = 32914;
inline constexpr unsigned DirectSoundDevice = 32995;
inline constexpr unsigned Settings = 32780;
inline constexpr unsigned About = 57664;
// Transport and the other toolbar buttons
inline constexpr unsigned Play = 32771;
inline constexpr unsigned PlayLoop = 32800;
inline constexpr unsigned Record = 32834;
inline constexpr unsigned Stop = 32781;
inline constexpr unsigned Rewind = 32852;
inline constexpr unsigned Forward = 32969;
inline constexpr unsigned OpenDevice = 32982;
inline constexpr unsigned Properties = 32993;
// Keyboard only
inline constexpr unsigned CheckSequence = 32949;
inline constexpr unsigned CursorDown = 32839;
inline constexpr unsigned CursorUp = 32840;
inline constexpr unsigned CursorRight = 32904;
inline constexpr unsigned CursorLeft = 32905;
inline constexpr unsigned ExtendDown = 32884;
inline constexpr unsigned ExtendUp = 32883;
inline constexpr unsigned ExtendRight = 32886;
inline constexpr unsigned ExtendLeft = 32885;
inline constexpr unsigned Escape = 32858;
inline constexpr unsigned NextTrackName = 32909;
inline constexpr unsigned SwitchEditor = 32989;
inline constexpr unsigned RecordMarker = 32878;
inline constexpr unsigned DumpDeviceStates = 32985;
// Posted by the track area after its first paint
inline constexpr unsigned OpenStartupFile = 32964;
} // namespace CommandId

// Private messages, numbered from kWmUser.
// The song was modified: the frame sets its modified flag and marks the title.
inline constexpr unsigned kSongModifiedMessage = kWmUser + 23;
// Another window moved the track area's cursor or selection.
inline constexpr unsigned kCursorUpdateMessage = kWmUser + 25;
// To the toolbar: the cursor or selection changed (wparam kToolbarSelectionChanged or
// kToolbarCursorJumped).
inline constexpr unsigned kToolbarSelectionMessage = kWmUser + 35;
inline constexpr unsigned kToolbarSelectionChanged = 1;
inline constexpr unsigned kToolbarCursorJumped = 3;
// A device strip closes its output device (wparam: the device index).
inline constexpr unsigned kCloseDeviceMessage = kWmUser + 38;
// A device strip or a load opens an output device or moves tracks to it.
inline constexpr unsigned kOpenDeviceMessage = kWmUser + 39;
// The track area redraws everything.
inline constexpr unsigned kTrackAreaRedrawMessage = kWmUser + 40;
// Posted once by the frame's first size notification: start-up completion.
inline constexpr unsigned kStartupCompletionMessage = kWmUser + 42;

// The menu a command sits in; None: toolbar or keyboard only.
enum class Menu { None, File, Edit, View, Extras, Settings, Help };

// Per-command properties, combined with |.
namespace CommandFlag {
inline constexpr unsigned GrayWhileRunning = 1U << 0; // grayed while a run exists
inline constexpr unsigned GrayInListEditor = 1U << 1; // grayed while the list editor is in front
inline constexpr unsigned Checkable = 1U << 2;        // shows a check mark (a window that is open)
inline constexpr unsigned SeparatorBefore = 1U << 3;  // a separator above it in its menu
} // namespace CommandFlag

struct CommandInfo {
    unsigned id = 0;
    Menu menu = Menu::None;
    // The menu or action text; '&' marks the mnemonic.
    std::string_view text;
    // Key sequences in portable text ("Ctrl+Z", "Shift+Del"); unused ones are empty, the
    // first is the one the menu shows.
    std::array<std::string_view, 2> accelerators;
    // The status bar's line while the pointer is on the command.
    std::string_view status;
    std::string_view tooltip;
    unsigned flags = 0;

    bool has(unsigned flag) const { return (flags & flag) != 0; }
};

// Every command in menu order (the commands without a menu last).
std::span<const CommandInfo> commandTable();
// nullptr for an id that is not a command.
const CommandInfo* findCommand(unsigned id);

// The menu bar's titles, with their mnemonics.
std::string_view menuTitle(Menu menu);

// The toolbar, left to right. The three mouse tools have no command; they set the tool.
struct ToolbarButton {
    std::string_view name;
    unsigned command = 0;
    std::string_view tool; // "arrow", "pen", "selection" for the tool buttons, else empty
};
std::span<const ToolbarButton> toolbarButtons();

inline constexpr std::string_view kToolArrow = "arrow";
inline constexpr std::string_view kToolPen = "pen";
inline constexpr std::string_view kToolSelection = "selection";
// The toolbar's selection text without a selection.
inline constexpr std::string_view kNoSelectionToolbarText = "- no Selection -";

} // namespace velisto
