#include "playback/PlayController.h"

#include "app/UiNotifier.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "playback/MidiInputRouter.h"
#include "playback/PeriodicTimer.h"
#include "playback/PlayMessages.h"
#include "playback/RecordBuffer.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <thread>

namespace velisto {

std::int32_t songEndTick(const Song& song)
{
    std::optional<std::int64_t> last;
    for (const Track& track : song.tracks) {
        for (const MidiEvent& event : track.events()) {
            std::int64_t end = effectiveTick(event.tick, track.tickOffset);
            if (event.kind() == EventKind::Note)
                end += std::max(event.length, 0);
            last = std::max(last.value_or(end), end);
        }
    }
    if (!last)
        return 0;
    // Six quarter notes of room after the last sound, so that releases and echoes end
    // inside the song.
    const std::int64_t end = *last + kSongEndQuarters * static_cast<std::int64_t>(std::max(song.ppq, 1));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(end, 0, INT32_MAX));
}

PlayController::PlayController(const PlayEnvironment& environment, Song& song, UserPrompt& prompt)
    : env_(environment), song_(song), prompt_(prompt)
{
}

PlayController::~PlayController()
{
    stopAndWait(std::chrono::seconds(5));
    if (run_) {
        // The run never reached its stop sequence (its worker is still adjusting, or hangs).
        detachRun();
        playThread_.store(nullptr, std::memory_order_release);
        env_.devices->setRunActive(false);
    }
}

StartOutcome PlayController::play(std::int32_t cursorTick, std::optional<TickRange> selection, const Settings& settings)
{
    if (runExists()) {
        stop();
        return StartOutcome::Stopped;
    }
    const std::int32_t cursor = selection ? selection->start : cursorTick;
    PlayRequest request;
    request.startTick = measureStart(song_, measureOfTick(song_, cursor));
    request.endTick = selection ? selection->end : songEndTick(song_);
    if (request.endTick <= request.startTick)
        request.endTick = request.startTick + 4 * std::max(song_.ppq, 1);
    return startRun(request, settings);
}

StartOutcome PlayController::playLoop(std::optional<TickRange> selection, const Settings& settings)
{
    if (runExists())
        return StartOutcome::Refused;
    if (!selection) {
        prompt_.message(std::string(kLoopNeedsSelectionText), "", PromptIcon::Exclamation);
        return StartOutcome::Refused;
    }
    PlayRequest request;
    request.startTick = measureStart(song_, measureOfTick(song_, selection->start));
    request.endTick = selection->end;
    // A loop that ends where it starts would restart forever without playing a tick.
    if (request.endTick <= request.startTick)
        request.endTick = request.startTick + 4 * std::max(song_.ppq, 1);
    request.loop = true;
    return startRun(request, settings);
}

StartOutcome PlayController::record(std::int32_t cursorTick, int recordTrack, const Settings& settings)
{
    if (runExists() || recordTrack < 0 || recordTrack >= kTrackCount)
        return StartOutcome::Refused;
    if (undoWriter_)
        undoWriter_("Record");
    PlayRequest request;
    request.startTick = measureStart(song_, measureOfTick(song_, cursorTick));
    request.recording = true;
    request.recordTrack = recordTrack;
    return startRun(request, settings);
}

StartOutcome PlayController::preview(PlayKind kind, std::uintptr_t owner, std::int32_t step, TickRange range,
                                     const Settings& settings)
{
    if (runExists() || kind == PlayKind::Normal)
        return StartOutcome::Refused;
    PlayRequest request;
    request.startTick = measureStart(song_, measureOfTick(song_, range.start));
    request.endTick = range.end;
    if (request.endTick <= request.startTick)
        request.endTick = request.startTick + 4 * std::max(song_.ppq, 1);
    request.kind = kind;
    request.previewOwner = owner;
    request.previewStep = step;
    return startRun(request, settings);
}

StartOutcome PlayController::startRun(PlayRequest request, const Settings& settings)
{
    request.songName = songName_;
    lastStartTick_ = request.startTick;
    pendingCommand_.clear();
    stop_.reset();
    env_.devices->setRunActive(true);
    run_ = std::make_unique<CMidiThread>(env_, settings, request, stop_);
    playThread_.store(run_.get(), std::memory_order_release);
    if (!run_->start()) {
        playThread_.store(nullptr, std::memory_order_release);
        run_.reset();
        env_.devices->setRunActive(false);
        return StartOutcome::NotStarted;
    }
    return StartOutcome::Started;
}

void PlayController::detachRun()
{
    // The stop sequence stops the timer from inside its call; from this thread stop() also
    // waits until that call has returned. Then the worker, and the input callback, which
    // may still hold the run as the recorder until waitForCallback returns.
    env_.timer->stop();
    run_->joinWorker();
    env_.output->setRecorder(nullptr);
    if (env_.input) {
        env_.input->setRecordTrack(-1);
        env_.input->waitForCallback();
    }
}

void PlayController::stop()
{
    if (runExists())
        stop_.set();
}

std::optional<RunEnd> PlayController::finishRun()
{
    if (!run_ || !run_->ended())
        return std::nullopt;
    detachRun();

    RunEnd end;
    end.cursorTick = lastStartTick_;
    lastStopMeasureTick_ = measureStart(song_, measureOfTick(song_, run_->currentTick()));
    end.stopMeasureTick = lastStopMeasureTick_;
    const PlayRequest& request = run_->request();
    if (request.recording) {
        end.wasRecording = true;
        prompt_.status(std::string(kReadingBufferText));
        const Recording recording = run_->takeRecording();
        Track& track = song_.tracks[static_cast<std::size_t>(request.recordTrack)];
        end.recordedEvents = mergeRecording(track, recording.events);
        end.bufferFull = recording.full;
        if (end.recordedEvents > 0) {
            env_.notifier->post(kSongModifiedMessage, 0, 0);
            if (env_.devices->validIndex(track.device))
                env_.devices->rebuildProgramIndex(track.device, song_);
        }
        prompt_.status(std::string(recording.full ? kRecordBufferFullText : kReadyText));
    }

    // A command the user interface set wins over the loop's own restart.
    std::string command = std::exchange(pendingCommand_, {});
    if (command.empty() && run_->restartRequested())
        command = kCommandRestart;

    playThread_.store(nullptr, std::memory_order_release);
    run_.reset();
    env_.devices->setRunActive(false);

    auto postCommand = [this](unsigned id) { env_.notifier->post(kWmCommand, id, 0); };
    if (command == kCommandRestart) {
        postCommand(CommandId::Rewind);
        postCommand(CommandId::PlayLoop);
    } else if (command == kCommandUndo) {
        postCommand(CommandId::Undo);
    } else if (command == kCommandUndoAndRewind) {
        postCommand(CommandId::Undo);
        postCommand(CommandId::Rewind);
    } else if (command == kCommandClose) {
        env_.notifier->post(kWmClose, 0, 0);
    }
    end.command = command;
    return end;
}

bool PlayController::stopAndWait(std::chrono::milliseconds timeout)
{
    if (!run_)
        return true;
    stop();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!run_->ended()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    finishRun();
    return true;
}

} // namespace velisto
