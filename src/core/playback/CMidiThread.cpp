#include "playback/CMidiThread.h"

#include "app/UiNotifier.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/Interpreter.h"
#include "playback/Clock.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/PeriodicTimer.h"
#include "playback/PlayMessages.h"
#include "playback/TimerPeriod.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <array>
#include <climits>

namespace velisto {

namespace {

// The metronome's note: channel 10, loud on the first beat of a measure.
constexpr std::uint8_t kMetronomeStatus = 0x99;
constexpr std::uint8_t kMetronomeDownbeatVelocity = 120;
constexpr std::uint8_t kMetronomeBeatVelocity = 90;
constexpr std::array<std::uint8_t, 1> kTimingClock{0xF8};
// The karaoke window repaints at most this often.
constexpr std::chrono::milliseconds kKaraokeRefreshInterval{150};
// Timing clock pulses per quarter note.
constexpr std::int64_t kClocksPerQuarter = 24;

std::chrono::milliseconds periodForTempo(const Song& song, int tempoIndex)
{
    // A tempo the song model would not hold (not positive) still needs a heartbeat: the
    // schedule itself comes from the clock, so the period only sets how often it looks.
    const double bpm = song.tempoList[static_cast<std::size_t>(tempoIndex)].bpm;
    if (const auto period = timerPeriod(song.ppq, bpm))
        return *period;
    return timerPeriod(std::max(song.ppq, 1), 120.0).value_or(std::chrono::milliseconds(1));
}

} // namespace

CMidiThread::CMidiThread(const PlayEnvironment& environment, const Settings& settings, const PlayRequest& request,
                         Event& stop)
    : env_(environment), settings_(settings), request_(request), stop_(stop), merged_(environment.song)
{
    recording_.store(request_.recording, std::memory_order_release);
    countIn_.store(request_.recording, std::memory_order_release);
    currentTick_.store(request_.startTick, std::memory_order_release);
}

CMidiThread::~CMidiThread() { joinWorker(); }

bool CMidiThread::start()
{
    // The worker may spend a while adjusting receivers (each message followed by a pause);
    // the user interface stays responsive meanwhile and a stop request is served by the
    // first timer call.
    worker_ = std::thread([this] { prepareAndStartTimer(); });
    return worker_.joinable();
}

void CMidiThread::joinWorker()
{
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

void CMidiThread::prepareAndStartTimer()
{
    const Song& song = *env_.song;
    running_.store(true, std::memory_order_release);
    currentTick_.store(request_.startTick, std::memory_order_release);

    if (request_.recording) {
        buffer_.reset();
        env_.output->setRecorder(this);
        if (env_.input)
            env_.input->setRecordTrack(request_.recordTrack);
    }

    env_.monitor->clear();
    env_.monitor->addLine(-1, "STARTING " + request_.songName);

    collectDevicesInUse();
    for (const int index : devicesInUse_) {
        OutputDevice& device = env_.devices->device(index);
        env_.output->clearNoteOffs(device);
        env_.output->copyLiveToTarget(device);
    }
    playBeginningIntoTargets();
    if (settings_.general.determine) {
        for (const int index : devicesInUse_)
            env_.output->adjustDevice(env_.devices->device(index));
    }
    if (env_.karaoke && settings_.karaoke.openwindow)
        karaokeOpen_ = env_.karaoke->open(song, request_.startTick);

    tempoIndex_ = 0;
    const std::span<const TempoEntry> tempos = usedEntries(song.tempoList);
    for (std::size_t i = 1; i < tempos.size(); ++i) {
        if (tempos[i].tick <= request_.startTick)
            tempoIndex_ = static_cast<int>(i);
    }
    period_ = periodForTempo(song, tempoIndex_);
    merged_.seek(request_.startTick);
    restartClock();
    env_.notifier->post(kPlayTempoMessage, static_cast<std::uintptr_t>(tempoIndex_), 0);
    startTimer();
}

void CMidiThread::collectDevicesInUse()
{
    const Song& song = *env_.song;
    auto add = [&](int index) {
        if (env_.devices->validIndex(index) && env_.devices->device(index).isOpen() &&
            std::find(devicesInUse_.begin(), devicesInUse_.end(), index) == devicesInUse_.end())
            devicesInUse_.push_back(index);
    };
    for (const Track& track : song.tracks) {
        if (!track.empty())
            add(track.device);
    }
    // The metronome and the keyboard play through the record track's device.
    if (request_.recording && request_.recordTrack >= 0 && request_.recordTrack < kTrackCount)
        add(song.tracks[static_cast<std::size_t>(request_.recordTrack)].device);
    std::sort(devicesInUse_.begin(), devicesInUse_.end());
}

void CMidiThread::playBeginningIntoTargets()
{
    const Song& song = *env_.song;
    merged_.forEachBefore(request_.startTick, [&](const MergedEvent& merged) {
        const int index = song.tracks[static_cast<std::size_t>(merged.track)].device;
        if (!std::binary_search(devicesInUse_.begin(), devicesInUse_.end(), index))
            return;
        const MidiEvent& event = *merged.event;
        const std::uint8_t kind = event.kind();
        if (event.isText() || kind == EventKind::ChannelPrefix)
            return;
        OutputDevice& device = env_.devices->device(index);
        InterpretContext context;
        context.device = &device;
        context.checkDevice = !device.isPlaceholder();
        context.track = merged.track;
        context.eventIndex = merged.index;
        context.tick = merged.tick;
        const std::lock_guard lock(device.sendMutex());
        if (event.isSysex()) {
            if (event.sysex && !event.sysex->empty())
                interpretSysex(device.targetState, *event.sysex, context);
        } else {
            interpretEvent(device.targetState, event.status, event.data1, event.data2, event.data3, context);
        }
    });
}

void CMidiThread::startTimer()
{
    if (!env_.timer->start(period_, [this] { onTimer(); })) {
        // Without a heartbeat the run could never end by itself: end it now.
        stopSequence();
    }
}

void CMidiThread::restartClock()
{
    startTime_ = env_.clock->now();
    startOffsetMs_ = tickToMilliseconds(*env_.song, request_.startTick);
}

double CMidiThread::elapsedMilliseconds() const
{
    const std::chrono::duration<double, std::milli> since = env_.clock->now() - startTime_;
    return since.count() + startOffsetMs_;
}

void CMidiThread::onTimer()
{
    if (ended_.load(std::memory_order_acquire))
        return;
    if (stop_.isSet()) {
        stopSequence();
        return;
    }
    if (previewDone_)
        return; // a preview waits at its end for its dialog to stop it
    double elapsed = elapsedMilliseconds();
    // Every tick whose time has come, however many: a late call plays a burst.
    while (tickToMilliseconds(*env_.song, currentTick_.load(std::memory_order_relaxed)) <= elapsed) {
        if (stop_.isSet()) {
            stopSequence();
            return;
        }
        if (!playTick())
            return;
        elapsed = elapsedMilliseconds();
    }
}

bool CMidiThread::playTick()
{
    const Song& song = *env_.song;
    const std::int32_t tick = currentTick_.load(std::memory_order_relaxed);
    const bool countIn = countIn_.load(std::memory_order_relaxed);

    if (recording_.load(std::memory_order_relaxed)) {
        if (settings_.metronom.yn || countIn)
            sendMetronome();
        // The count-in is the start measure played silently; it hands over two ticks
        // before its end (at once in a measure that short).
        const std::int32_t length = measureLength(song, tick);
        const std::int32_t position = tick - measureStart(song, measureOfTick(song, tick));
        if (countIn && position >= std::max(length - 2, 0)) {
            currentTick_.store(request_.startTick, std::memory_order_release);
            countIn_.store(false, std::memory_order_release);
            if (karaokeOpen_)
                env_.karaoke->countInEnded();
            restartClock();
            return false;
        }
    }

    sendTimingClock();
    if (!countIn) {
        followTempo();
        if (karaokeOpen_)
            env_.karaoke->advance(tick);
        for (const int index : devicesInUse_)
            env_.output->sendDueNoteOffs(env_.devices->device(index), tick);
        playEventsOfTick();
    }

    if (tick == INT32_MAX) {
        stop_.set(); // the last tick a song can hold
        return true;
    }
    const std::int32_t next = tick + 1;
    currentTick_.store(next, std::memory_order_release);
    if (env_.listEditorFollows && env_.listEditorFollows->load(std::memory_order_relaxed))
        env_.notifier->post(kPlayListPositionMessage, static_cast<std::uintptr_t>(tick), 0);

    handleEnd();

    if (!countIn_.load(std::memory_order_relaxed)) {
        if (next == measureStart(song, measureOfTick(song, next)))
            env_.notifier->post(kPlayMeasureMessage, static_cast<std::uintptr_t>(next), 0);
        if (karaokeOpen_) {
            const auto now = env_.clock->now();
            if (now - lastKaraokeRefresh_ > kKaraokeRefreshInterval) {
                lastKaraokeRefresh_ = now;
                env_.karaoke->refresh();
            }
        }
    }
    return true;
}

void CMidiThread::sendMetronome()
{
    const Song& song = *env_.song;
    const std::int32_t tick = currentTick_.load(std::memory_order_relaxed);
    const std::int32_t position = tick - measureStart(song, measureOfTick(song, tick));
    const int beat = beatLength(song, tick);
    if (beat <= 0 || position % beat != 0)
        return;
    const int index = song.tracks[static_cast<std::size_t>(request_.recordTrack)].device;
    if (!env_.devices->validIndex(index))
        return;
    OutputDevice& device = env_.devices->device(index);
    SendOptions options;
    options.tick = tick;
    options.fromPlayThread = true;
    const std::uint8_t key = static_cast<std::uint8_t>(std::clamp(settings_.metronom.Instrument, 0, 127));
    const std::uint8_t velocity = position == 0 ? kMetronomeDownbeatVelocity : kMetronomeBeatVelocity;
    env_.output->sendEvent(device, kMetronomeStatus, key, velocity, kNoDrumKey, options);
    env_.output->sendEvent(device, kMetronomeStatus, key, 0, kNoDrumKey, options);
}

void CMidiThread::sendTimingClock()
{
    if (!settings_.general.timingclock)
        return;
    const std::int64_t tick = currentTick_.load(std::memory_order_relaxed);
    const std::int64_t count = kClocksPerQuarter * tick / std::max(env_.song->ppq, 1);
    if (count == lastClockCount_)
        return;
    lastClockCount_ = count;
    SendOptions options;
    options.tick = static_cast<std::int32_t>(tick);
    options.fromPlayThread = true;
    for (const int index : devicesInUse_)
        env_.output->sendSysex(env_.devices->device(index), kTimingClock, options);
}

void CMidiThread::followTempo()
{
    const Song& song = *env_.song;
    const std::int32_t tick = currentTick_.load(std::memory_order_relaxed);
    bool changed = false;
    // Entries sharing a tick are passed together, so that none can hold the index back.
    while (static_cast<std::size_t>(tempoIndex_) + 1 < song.tempoList.size()) {
        const TempoEntry& next = song.tempoList[static_cast<std::size_t>(tempoIndex_ + 1)];
        if (!next.used() || next.tick > tick)
            break;
        ++tempoIndex_;
        changed = true;
    }
    if (!changed)
        return;
    period_ = periodForTempo(song, tempoIndex_);
    // From inside the callback the new period takes effect once this call returns, so
    // calls never overlap across the restart.
    env_.timer->start(period_, [this] { onTimer(); });
    env_.notifier->post(kPlayTempoMessage, static_cast<std::uintptr_t>(tempoIndex_), 0);
}

void CMidiThread::playEventsOfTick()
{
    const Song& song = *env_.song;
    const std::int32_t tick = currentTick_.load(std::memory_order_relaxed);
    merged_.takeDueAt(tick, [&](const MergedEvent& merged) {
        if (song.isSilent(merged.track))
            return;
        const int index = song.tracks[static_cast<std::size_t>(merged.track)].device;
        if (!std::binary_search(devicesInUse_.begin(), devicesInUse_.end(), index))
            return;
        OutputDevice& device = env_.devices->device(index);
        const MidiEvent& event = *merged.event;
        const std::uint8_t kind = event.kind();
        if (event.isText() || kind == EventKind::ChannelPrefix)
            return;
        SendOptions options;
        options.tick = event.tick;
        options.fromPlayThread = true;
        options.track = merged.track;
        if (event.isSysex()) {
            if (event.sysex && !event.sysex->empty())
                env_.output->sendSysex(device, *event.sysex, options);
            return;
        }
        // The note ends its length after it is sent, offset included, so a delayed track
        // keeps its notes' lengths.
        if (kind == EventKind::Note &&
            !env_.output->insertNoteOff(device, merged.tick, event.length, event.channel(), event.data1))
            return;
        env_.output->sendEvent(device, event.status, event.data1, event.data2, event.data3, options);
    });
}

void CMidiThread::handleEnd()
{
    const std::int32_t current = currentTick_.load(std::memory_order_relaxed);
    if (request_.kind == PlayKind::Normal) {
        if (!recording_.load(std::memory_order_relaxed) && current >= request_.endTick) {
            if (request_.loop)
                restartRequested_.store(true, std::memory_order_release);
            stop_.set();
        }
        return;
    }
    if (request_.kind == PlayKind::ValueChange && request_.previewStep > 0 && current % request_.previewStep == 0)
        env_.notifier->post(kPreviewStepMessage, request_.previewOwner, current);
    if (current >= request_.endTick && !previewDone_) {
        previewDone_ = true;
        env_.notifier->post(kPreviewFinishedMessage, request_.previewOwner, current);
    }
}

void CMidiThread::stopSequence()
{
    if (ended_.load(std::memory_order_acquire))
        return;
    if (karaokeOpen_) {
        env_.karaoke->close();
        karaokeOpen_ = false;
    }
    env_.timer->stop();

    if (recording_.load(std::memory_order_relaxed)) {
        recording_.store(false, std::memory_order_release);
        if (env_.input)
            env_.input->setRecordTrack(-1);
        env_.output->setRecorder(nullptr);
        // The merge into the song waits for the user-interface thread, which owns the song.
        handedOver_ = buffer_.close();
    }

    env_.monitor->addLine(-1, "Closing Open Note ons :");
    for (const int index : devicesInUse_)
        env_.output->sendAllNoteOffs(env_.devices->device(index), true);
    env_.monitor->addLine(-1, "MIDI play thread stopped");

    running_.store(false, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
    env_.notifier->post(kPlayRunEndedMessage, 0, 0);
}

Recording CMidiThread::takeRecording() { return std::exchange(handedOver_, {}); }

RecordClock CMidiThread::recordClock() const
{
    RecordClock clock;
    clock.currentTick = currentTick_.load(std::memory_order_acquire);
    clock.startTick = request_.startTick;
    clock.countIn = countIn_.load(std::memory_order_acquire);
    return clock;
}

void CMidiThread::recordEvent(int /*device*/, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                              std::uint8_t data3)
{
    if (buffer_.recordEvent(status, data1, data2, data3, recordClock()) == RecordOutcome::BufferFilled)
        stop_.set();
}

void CMidiThread::recordSysex(int /*device*/, std::span<const std::uint8_t> stored)
{
    if (buffer_.recordSysex(stored, recordClock()) == RecordOutcome::BufferFilled)
        stop_.set();
}

} // namespace velisto
