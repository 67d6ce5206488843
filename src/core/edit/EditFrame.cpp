#include "edit/EditFrame.h"

#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <string>

namespace velisto {

std::optional<Selection> automaticSelection(const Song& song, int currentTrack, int cursorMeasure)
{
    if (currentTrack < 0 || currentTrack >= kTrackCount)
        return std::nullopt;
    const Track& track = song.tracks[static_cast<std::size_t>(currentTrack)];
    if (track.empty())
        return std::nullopt;
    const int lastMeasure = tickToPosition(song, track.event(track.lastIndex()).tick).measure;
    if (lastMeasure < cursorMeasure)
        return std::nullopt;
    return Selection{currentTrack, currentTrack, cursorMeasure, lastMeasure};
}

std::optional<Selection> selectionForEdit(const Song& song, const std::optional<Selection>& selection, int currentTrack,
                                          int cursorMeasure, UserPrompt& prompt)
{
    if (selection)
        return selection;
    std::optional<Selection> automatic = automaticSelection(song, currentTrack, cursorMeasure);
    if (!automatic)
        prompt.message(std::string(kNoSelectionText), "", PromptIcon::Exclamation);
    return automatic;
}

bool selectionOnOneDevice(const Song& song, const Selection& selection, UserPrompt& prompt)
{
    const std::int32_t device = song.tracks[static_cast<std::size_t>(selection.firstTrack)].device;
    for (int track = selection.firstTrack + 1; track <= selection.lastTrack; ++track) {
        if (song.tracks[static_cast<std::size_t>(track)].device != device) {
            prompt.message(std::string(kMixedDevicesText), "Channel change", PromptIcon::Exclamation);
            return false;
        }
    }
    return true;
}

bool acceptsCurrentTrackFunction(TrackFunction function, const std::optional<Selection>& selection, UserPrompt& prompt)
{
    if (!selection)
        return true;
    const char* name = function == TrackFunction::SplitChannels ? "split channels"
                       : function == TrackFunction::InsertTrack ? "insert track"
                                                                : "delete track";
    prompt.message(std::string("In contrast to some other edit functions\n'") + name +
                       "' doesn't use a selection, it always affects the current track.\nPlease release selection.",
                   "", PromptIcon::Information);
    return false;
}

EditTestMode::EditTestMode(Song& song, UndoStack& undo, PlayController& player, std::uintptr_t owner)
    : song_(song), undo_(undo), player_(player), owner_(owner)
{
}

bool EditTestMode::settled() const
{
    if (running_)
        return false;
    // The step is gone once the stack's newest entry is no longer it: undone, cleared, or
    // (after it was undone) replaced by a later edit at the same sequence number.
    const bool stepPending = testStep_ >= 0 && undo_.newestSequence() == testStep_ && !undo_.empty() &&
                             undo_.descriptions().back() == kTestUndoDescription;
    return !stepPending;
}

bool EditTestMode::allowApply(UserPrompt& prompt) const
{
    if (running_)
        prompt.message(std::string(kStopTestFirstText), "", PromptIcon::Exclamation);
    return settled();
}

StartOutcome EditTestMode::start(const Selection& selection, PlayKind kind, std::int32_t step, const Settings& settings,
                                 const std::function<void()>& apply, UserPrompt& prompt)
{
    if (!settled())
        return StartOutcome::Refused;
    // Without its step the provisional change could not be taken back.
    if (!undo_.record(song_, kTestUndoDescription, prompt))
        return StartOutcome::NotStarted;
    testStep_ = undo_.newestSequence();
    apply();
    const SelectionTicks ticks = selectionTicks(song_, selection);
    const StartOutcome outcome = player_.preview(kind, owner_, step, TickRange{ticks.start, ticks.end + 1}, settings);
    if (outcome != StartOutcome::Started) {
        undo_.undo(song_, prompt);
        return outcome;
    }
    running_ = true;
    return outcome;
}

void EditTestMode::stop()
{
    if (!running_)
        return;
    player_.setPendingCommand(kCommandUndoAndRewind);
    player_.stop();
    running_ = false;
}

int applyEdit(UndoStack& undo, Song& song, std::string_view description, std::string_view progressText,
              UserPrompt& prompt, const std::function<bool(Song&)>& edit)
{
    // A step that could not be written was reported by the writer; the edit goes on.
    undo.record(song, description, prompt);
    prompt.status(std::string(progressText));
    const bool changed = edit(song);
    prompt.status("Ready.");
    return changed ? kSoundChanged : kSoundUnchanged;
}

} // namespace velisto
