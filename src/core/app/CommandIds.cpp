#include "app/CommandIds.h"

#include <algorithm>

namespace velisto {
namespace {

using namespace CommandFlag;
constexpr unsigned Run = GrayWhileRunning;
constexpr unsigned List = GrayInListEditor;
constexpr unsigned Sep = SeparatorBefore;

// Kept compact: the formatter would spread each entry over seven lines.
// clang-format off
constexpr auto kCommands = std::to_array<CommandInfo>({
    {CommandId::New, Menu::File, "New ...", {"Ctrl+N"}, "Start a new, empty song.", "New song", Run},
    {CommandId::Open, Menu::File, "Open ...", {"Ctrl+O"}, "Open a MIDI or karaoke file.", "Open file", Run},
    {CommandId::Save, Menu::File, "Save", {"Ctrl+S"}, "Save the song under its file name.", "Save song", Run},
    {CommandId::SaveAs, Menu::File, "Save As ...", {"Ctrl+Shift+S"}, "Save the song under a new file name.",
     "Save song as", Run},
    {CommandId::Exit, Menu::File, "Exit", {}, "Quit Velisto.", "Exit", Sep},

    {CommandId::Undo, Menu::Edit, "&Undo", {"Ctrl+Z", "Alt+Backspace"}, "Take back the last edit.", "Undo", Run},
    {CommandId::Delete, Menu::Edit, "Delete", {"Del"}, "Delete the selected events.", "Delete", Run | Sep},
    {CommandId::Insert, Menu::Edit, "Insert", {"Ins"}, "Insert free space at the selection.", "Insert space", Run},
    {CommandId::Cut, Menu::Edit, "Cut", {"Ctrl+X", "Shift+Del"}, "Move the selected events to the clipboard.", "Cut",
     Run | List},
    {CommandId::Copy, Menu::Edit, "Copy", {"Ctrl+C", "Ctrl+Ins"}, "Copy the selected events to the clipboard.",
     "Copy", Run | List},
    {CommandId::Paste, Menu::Edit, "Paste", {"Ctrl+V", "Shift+Ins"}, "Insert the clipboard's events at the cursor.",
     "Paste", Run},
    {CommandId::SelectAll, Menu::Edit, "Select All", {"Ctrl+A"}, "Select every track and measure with events.",
     "Select all", Run | Sep},
    {CommandId::SelectToRightEnd, Menu::Edit, "Select to right end", {"Ctrl+R"},
     "Extend the selection to the last event of its tracks.", "Select to right end", Run | List},
    {CommandId::SelectToBottom, Menu::Edit, "Select to bottom", {"Ctrl+B"},
     "Extend the selection down to the last track with events.", "Select to bottom", Run | List},
    {CommandId::SelectNone, Menu::Edit, "Select None", {"Ctrl+J"}, "Release the selection.", "Select none", Run},
    {CommandId::Velocity, Menu::Edit, "Velocity / controller value / keybased instr. contr. value", {"Ctrl+U"},
     "Change velocities or controller values of the selection.", "Velocity and values", Run | List | Sep},
    {CommandId::Quantize, Menu::Edit, "Quantize", {"Ctrl+Q"}, "Move the selected notes onto a grid.", "Quantize",
     Run | List},
    {CommandId::Pitch, Menu::Edit, "Pitch", {"Ctrl+P"}, "Transpose the selected notes.", "Pitch", Run | List},
    {CommandId::Move, Menu::Edit, "Move", {"Ctrl+K"}, "Move the selected events in time.", "Move", Run | List},
    {CommandId::Notelength, Menu::Edit, "Notelength", {"Ctrl+E"}, "Change the length of the selected notes.",
     "Note length", Run | List},
    {CommandId::Channel, Menu::Edit, "Channel", {"Ctrl+G"}, "Change the MIDI channel of the selected events.",
     "Channel", Run | List},
    {CommandId::SplitChannels, Menu::Edit, "Split channels", {}, "Spread the current track's channels over tracks.",
     "Split channels", Run | List},
    {CommandId::InsertTrack, Menu::Edit, "Insert Track", {"Ctrl+I"}, "Insert an empty track at the cursor.",
     "Insert track", Run | List | Sep},
    {CommandId::DeleteTrack, Menu::Edit, "Delete Track", {"Ctrl+D"}, "Delete the cursor's track.", "Delete track",
     Run | List},

    {CommandId::ViewStatus, Menu::View, "Status", {}, "Show or hide the status bar.", "Status bar", Checkable},
    {CommandId::VirtualKeyboard, Menu::View, "Virtual midi keyboard", {}, "Show or hide the virtual keyboard.",
     "Virtual keyboard", Checkable},
    {CommandId::OutputMonitor, Menu::View, "MIDI output monitor", {}, "Show or hide the MIDI output log.",
     "Output monitor", Checkable},
    {CommandId::WaveEditor, Menu::View, "Wave editor", {}, "Open a new wave editor window.", "Wave editor", 0},
    {CommandId::ListEditor, Menu::View, "List Editor", {}, "Show or hide the event list of the cursor's track.",
     "List editor", Checkable},

    {CommandId::IgrEditor, Menu::Extras, "Internal sound generator .igr-file &editor", {},
     "Edit the instrument groups of the Internal Sound Generator.", "Instrument group editor", 0},

    {CommandId::DirectSoundDevice, Menu::Settings, "DirectSound device for dialog sounds and wave editor", {},
     "Choose the audio device for dialog sounds and the wave editor.", "Dialog sound device", Run},
    {CommandId::Settings, Menu::Settings, "Settings", {}, "Change Velisto's settings.", "Settings", Run},

    {CommandId::About, Menu::Help, "About...", {}, "Show the program's version and credits.", "About", Run},

    {CommandId::Play, Menu::None, "Play", {"Space"}, "Play.", "Play or stop", 0},
    {CommandId::PlayLoop, Menu::None, "Play loop", {}, "Play the selection over and over.", "Loop", Run},
    {CommandId::Record, Menu::None, "Record", {}, "Record from the MIDI input at the cursor.", "Record", Run},
    {CommandId::Stop, Menu::None, "Stop", {}, "Stop playing or recording.", "Stop", 0},
    {CommandId::Rewind, Menu::None, "Rewind", {}, "Move the cursor back to where the last run started.", "Rewind",
     Run},
    {CommandId::Forward, Menu::None, "Forward", {}, "Move the cursor forward to where the last run stopped.",
     "Forward", 0},
    {CommandId::OpenDevice, Menu::None, "Open MIDI output device", {}, "Open another MIDI output device.",
     "Open device", 0},
    {CommandId::Properties, Menu::None, "MIDI sequence properties", {}, "Show and change the song's properties.",
     "Properties", 0},
    {CommandId::CheckSequence, Menu::None, "Check MIDI sequence", {"Ctrl+H"}, "Check the song for faulty events.",
     "Check sequence", Run},
    {CommandId::CursorDown, Menu::None, "Cursor down", {"Down"}, "Move the cursor down.", "Down", 0},
    {CommandId::CursorUp, Menu::None, "Cursor up", {"Up"}, "Move the cursor up.", "Up", 0},
    {CommandId::CursorRight, Menu::None, "Cursor right", {"Right"}, "Move the cursor right.", "Right", 0},
    {CommandId::CursorLeft, Menu::None, "Cursor left", {"Left"}, "Move the cursor left.", "Left", 0},
    {CommandId::ExtendDown, Menu::None, "Extend selection down", {"Shift+Down"}, "Extend the selection downwards.",
     "Extend down", 0},
    {CommandId::ExtendUp, Menu::None, "Extend selection up", {"Shift+Up"}, "Extend the selection upwards.",
     "Extend up", 0},
    {CommandId::ExtendRight, Menu::None, "Extend selection right", {"Shift+Right"},
     "Extend the selection to the right.", "Extend right", 0},
    {CommandId::ExtendLeft, Menu::None, "Extend selection left", {"Shift+Left"}, "Extend the selection to the left.",
     "Extend left", 0},
    {CommandId::Escape, Menu::None, "Escape", {"Esc"}, "Release the selection or return to the track area.",
     "Escape", 0},
    {CommandId::NextTrackName, Menu::None, "Next track name", {"Tab"}, "Edit the next visible track's name.",
     "Next track name", 0},
    {CommandId::SwitchEditor, Menu::None, "Switch editor", {"Ctrl+Tab"},
     "Switch between the track area and the list editor.", "Switch editor", 0},
    {CommandId::RecordMarker, Menu::None, "Record marker", {"Ctrl+W"}, "Mark the recording at this moment.",
     "Record marker", 0},
    {CommandId::DumpDeviceStates, Menu::None, "Dump device states", {"Ctrl+M"},
     "Write every open device's MIDI state to the output monitor.", "Device states", 0},
    {CommandId::OpenStartupFile, Menu::None, "Open start-up file", {}, "Open and play the file named at start.",
     "Start-up file", 0},
});
// clang-format on

constexpr auto kToolbar = std::to_array<ToolbarButton>({
    {"new", CommandId::New, {}},
    {"open", CommandId::Open, {}},
    {"save", CommandId::Save, {}},
    {"cut", CommandId::Cut, {}},
    {"copy", CommandId::Copy, {}},
    {"paste", CommandId::Paste, {}},
    {"undo", CommandId::Undo, {}},
    {"record", CommandId::Record, {}},
    {"rewind", CommandId::Rewind, {}},
    {"stop", CommandId::Stop, {}},
    {"play", CommandId::Play, {}},
    {"loop", CommandId::PlayLoop, {}},
    {"forward", CommandId::Forward, {}},
    {"arrow", 0, kToolArrow},
    {"pen", 0, kToolPen},
    {"selection", 0, kToolSelection},
    {"device", CommandId::OpenDevice, {}},
    {"properties", CommandId::Properties, {}},
});

} // namespace

std::span<const CommandInfo> commandTable() { return kCommands; }

const CommandInfo* findCommand(unsigned id)
{
    const auto* found =
        std::find_if(kCommands.begin(), kCommands.end(), [id](const CommandInfo& info) { return info.id == id; });
    return found == kCommands.end() ? nullptr : found;
}

std::string_view menuTitle(Menu menu)
{
    switch (menu) {
    case Menu::File:
        return "&File";
    case Menu::Edit:
        return "&Edit";
    case Menu::View:
        return "&View";
    case Menu::Extras:
        return "E&xtras";
    case Menu::Settings:
        return "&Settings";
    case Menu::Help:
        return "&Help";
    case Menu::None:
        break;
    }
    return {};
}

std::span<const ToolbarButton> toolbarButtons() { return kToolbar; }

} // namespace velisto
