#pragma once
// The user interface's side of the play engine: the transport commands (play, loop play,
// record, an edit function's preview, stop), the play thread pointer that tells everyone
// whether a run exists, the pending command, and finishing a run when its stop sequence
// has posted kPlayRunEndedMessage: a recording is merged into the song here, on the thread
// that owns the song, and the pending command ("RESTART", "UNDO", "UNDOANDREWIND",
// "CLOSE") is posted as menu commands.
//
// Thread contract: user-interface thread only, except playThread() and runExists(), which
// any thread may read (the play thread pointer is atomic).

#include "app/Event.h"
#include "playback/CMidiThread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velisto {

class Song;
class UserPrompt;

inline constexpr std::string_view kLoopNeedsSelectionText = "Please make selection to loop !";
inline constexpr std::string_view kReadingBufferText = "Reading buffer...";
inline constexpr std::string_view kRecordBufferFullText = "Record stopped because buffer full !";
inline constexpr std::string_view kReadyText = "Ready.";

// What the user interface does after a run: one of these command texts.
inline constexpr std::string_view kCommandRestart = "RESTART";
inline constexpr std::string_view kCommandUndo = "UNDO";
inline constexpr std::string_view kCommandUndoAndRewind = "UNDOANDREWIND";
inline constexpr std::string_view kCommandClose = "CLOSE";

// A selection's ticks: first tick and the tick after its end.
struct TickRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// How a transport command ended.
enum class StartOutcome {
    Started,
    Stopped,    // a run existed: the command stopped it
    Refused,    // a run exists, or a loop without a selection (the message was shown)
    NotStarted, // the run could not be started
};

// What finishRun did, for the windows to follow.
struct RunEnd {
    bool wasRecording = false;
    int recordedEvents = 0; // merged into the record track
    bool bufferFull = false;
    std::int32_t cursorTick = 0; // the first tick of the measure where the run started (S)
    std::int32_t stopMeasureTick = 0; // the first tick of the measure where it stopped (E)
    std::string command;         // the pending command that was carried out, "" for none
};

// The end of the song for playing and rendering it: kSongEndQuarters quarter notes after
// its last event, notes counted to their end (effective ticks, with the tracks' offsets);
// 0 for a song without events.
inline constexpr int kSongEndQuarters = 6;
std::int32_t songEndTick(const Song& song);

class PlayController {
public:
    // environment.song must be song; everything must outlive the controller.
    PlayController(const PlayEnvironment& environment, Song& song, UserPrompt& prompt);
    ~PlayController();
    PlayController(const PlayController&) = delete;
    PlayController& operator=(const PlayController&) = delete;

    // Non-null while a run exists (from its start until finishRun).
    CMidiThread* playThread() const { return playThread_.load(std::memory_order_acquire); }
    bool runExists() const { return playThread() != nullptr; }

    // Play from the first tick of the cursor's measure to the selection's end, or the end
    // of the song; an end not after the start becomes start + 4 quarter notes. While a run
    // exists this stops it instead.
    StartOutcome play(std::int32_t cursorTick, std::optional<TickRange> selection, const Settings& settings);
    // Loop the selection; without one: kLoopNeedsSelectionText.
    StartOutcome playLoop(std::optional<TickRange> selection, const Settings& settings);
    // Record into the track from the first tick of the cursor's measure, the first measure
    // being the count-in; runs until stopped or the buffer is full. Writes the undo point
    // "Record" first (see setUndoWriter).
    StartOutcome record(std::int32_t cursorTick, int recordTrack, const Settings& settings);
    // The test play of an edit function: from the first tick of the range's first measure
    // to its end; the owner is told of steps and of the end through posted messages.
    StartOutcome preview(PlayKind kind, std::uintptr_t owner, std::int32_t step, TickRange range,
                         const Settings& settings);

    // Sets the stop event; the run's next timer call stops it.
    void stop();
    // "", or one of the command texts above; carried out when the run has ended.
    void setPendingCommand(std::string_view command) { pendingCommand_ = command; }
    const std::string& pendingCommand() const { return pendingCommand_; }
    // Where an undo point is written before recording ("Record"); empty: none.
    void setUndoWriter(std::function<void(std::string_view)> writer) { undoWriter_ = std::move(writer); }

    // The handler of kPlayRunEndedMessage. Nothing (and nullopt) when no run has ended.
    std::optional<RunEnd> finishRun();
    // Stops a run and waits until it has ended, then finishes it; for shutdown and for
    // callers without a message loop. False when the run did not end within the time.
    bool stopAndWait(std::chrono::milliseconds timeout);

    // Shown in the output monitor when a run starts (the file's name).
    void setSongName(std::string name) { songName_ = std::move(name); }

    // The first tick of the measure the last run started in (the rewind position).
    std::int32_t lastStartTick() const { return lastStartTick_; }
    // The first tick of the measure the last run stopped in (the forward position).
    std::int32_t lastStopMeasureTick() const { return lastStopMeasureTick_; }

private:
    StartOutcome startRun(PlayRequest request, const Settings& settings);
    // Afterwards no other thread (timer, worker, input callback) can reach the run.
    void detachRun();

    PlayEnvironment env_;
    Song& song_;
    UserPrompt& prompt_;
    Event stop_;
    std::string pendingCommand_;
    std::string songName_;
    std::function<void(std::string_view)> undoWriter_;
    std::unique_ptr<CMidiThread> run_;
    std::atomic<CMidiThread*> playThread_{nullptr};
    std::int32_t lastStartTick_ = 0;
    std::int32_t lastStopMeasureTick_ = 0;
};

} // namespace velisto
