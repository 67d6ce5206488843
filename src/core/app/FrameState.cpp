#include "app/FrameState.h"

#include "edit/Clipboard.h"
#include "edit/UndoStack.h"
#include "song/Positions.h"

#include <algorithm>
#include <utility>

namespace velisto {

bool MenuState::enabled(unsigned id) const { return std::find(grayed.begin(), grayed.end(), id) == grayed.end(); }

MenuState menuState(const FrameState& frame, bool runExists, const UndoStack& undo, const Clipboard& clipboard)
{
    const bool listInFront = frame.foreground == ForegroundEditor::ListEditor;
    MenuState state;
    for (const CommandInfo& info : commandTable()) {
        bool gray = (runExists && info.has(CommandFlag::GrayWhileRunning)) ||
                    (listInFront && info.has(CommandFlag::GrayInListEditor));
        if (info.id == CommandId::Undo)
            gray = gray || undo.empty();
        if (info.id == CommandId::Paste)
            gray = gray || clipboard.empty() || listInFront;
        if (gray)
            state.grayed.push_back(info.id);
    }
    state.undoText = undo.empty() ? "&Undo\tCtrl+Z" : "&Undo " + undo.descriptions().back() + "\tCtrl+Z";
    return state;
}

std::string windowTitle(const FrameState& frame)
{
    std::string title(kApplicationTitle);
    if (!frame.fileName.empty())
        title += " [" + frame.fileName + "]";
    if (frame.modified)
        title += " *";
    return title;
}

bool markModified(FrameState& frame) { return !std::exchange(frame.modified, true); }

std::string selectionToolbarText(const std::optional<Selection>& selection)
{
    if (!selection)
        return std::string(kNoSelectionToolbarText);
    const auto range = [](std::string_view one, std::string_view many, int first, int last) {
        if (first == last)
            return std::string(one) + " " + std::to_string(first + 1);
        return std::string(many) + " " + std::to_string(first + 1) + " - " + std::to_string(last + 1);
    };
    return range("Track", "Tracks", selection->firstTrack, selection->lastTrack) + ", " +
           range("measure", "measures", selection->firstMeasure, selection->lastMeasure);
}

CommandRoute routeCommand(unsigned id, bool waveEditorActive, bool postedByRun)
{
    if (!waveEditorActive || (postedByRun && id == CommandId::Undo))
        return CommandRoute::Frame;
    switch (id) {
    case CommandId::Delete:
    case CommandId::Cut:
    case CommandId::Copy:
    case CommandId::Paste:
    case CommandId::Undo:
        return CommandRoute::WaveEditor;
    default:
        return CommandRoute::Frame;
    }
}

PlayPosition playPosition(FrameState& frame, const Song& song)
{
    PlayPosition position;
    if (frame.selection) {
        frame.cursorTrack = frame.selection->firstTrack;
        frame.cursorMeasure = frame.selection->firstMeasure;
        const SelectionTicks ticks = selectionTicks(song, *frame.selection);
        position.selection = TickRange{ticks.start, ticks.end + 1};
    }
    position.cursorTick = measureStart(song, frame.cursorMeasure);
    return position;
}

} // namespace velisto
