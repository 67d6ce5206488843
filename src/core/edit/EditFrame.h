#pragma once
// What every edit dialog shares around its function: the selection it opens on (the
// track area's, or one chosen automatically), the refusals of selections a function
// cannot use, and the test mode that applies the function provisionally, plays the
// result and takes it back when the test stops.
//
// Thread contract: user-interface thread only.

#include "edit/Selection.h"
#include "playback/PlayController.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace velisto {

class Song;
class UndoStack;
class UserPrompt;
struct Settings;

inline constexpr std::string_view kNoSelectionText = "No selection";
inline constexpr std::string_view kMixedDevicesText = "Selection may not cross different MIDI Output devices";
inline constexpr std::string_view kStopTestFirstText = "First stop testmode";

// Without a selection: the current track from the cursor measure to the measure of its
// last event, when it has events and the last lies in or after the cursor measure.
std::optional<Selection> automaticSelection(const Song& song, int currentTrack, int cursorMeasure);

// The selection an edit dialog works on: the given one, else the automatic one; nullopt
// after telling the user "No selection".
std::optional<Selection> selectionForEdit(const Song& song, const std::optional<Selection>& selection, int currentTrack,
                                          int cursorMeasure, UserPrompt& prompt);

// The channel change needs one output device across the selection's tracks; false after
// the message.
bool selectionOnOneDevice(const Song& song, const Selection& selection, UserPrompt& prompt);

// Functions that always act on the current track and refuse an existing selection.
enum class TrackFunction { SplitChannels, InsertTrack, DeleteTrack };
// True when the function may open (no selection); false after the message.
bool acceptsCurrentTrackFunction(TrackFunction function, const std::optional<Selection>& selection, UserPrompt& prompt);

// The test mode of one open edit dialog.
// The result sounds of an edit: something changed, or nothing did.
inline constexpr int kSoundChanged = 599;
inline constexpr int kSoundUnchanged = 598;

// The OK path of an edit function: its undo step first (description), then the function
// with its progress text in the status bar and "Ready." after it. Returns the result sound
// to play. The caller has validated the fields and refused while a test runs.
int applyEdit(UndoStack& undo, Song& song, std::string_view description, std::string_view progressText,
              UserPrompt& prompt, const std::function<bool(Song&)>& edit);

class EditTestMode {
public:
    // owner: the dialog the preview run reports its steps and its end to.
    EditTestMode(Song& song, UndoStack& undo, PlayController& player, std::uintptr_t owner);
    EditTestMode(const EditTestMode&) = delete;
    EditTestMode& operator=(const EditTestMode&) = delete;

    bool running() const { return running_; }
    // No test runs and the last one's "Test" step has been undone. A stopped test is taken
    // back only when its run's Undo arrives; an edit applied before that would be the one
    // that Undo takes back.
    bool settled() const;

    // For OK: true when settled; "First stop testmode" and false while a test runs, false
    // alone while a stopped test waits for its undo.
    bool allowApply(UserPrompt& prompt) const;

    // Records the "Test" step, runs apply (the function as OK would, minus track-setting
    // changes) and plays the selection's measures. Refused until settled. When the step cannot be written nothing
    // is applied; when the run does not start the test is taken back at once.
    StartOutcome start(const Selection& selection, PlayKind kind, std::int32_t step, const Settings& settings,
                       const std::function<void()>& apply, UserPrompt& prompt);

    // The stop button, Cancel, or closing the dialog: the run ends with "UNDOANDREWIND",
    // and its end undoes the "Test" step. Nothing when no test runs.
    void stop();

private:
    Song& song_;
    UndoStack& undo_;
    PlayController& player_;
    std::uintptr_t owner_;
    bool running_ = false;
    std::int64_t testStep_ = -1; // sequence of the last "Test" step; -1: none recorded
};

} // namespace velisto
