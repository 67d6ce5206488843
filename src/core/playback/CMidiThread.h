#pragma once
// One run of the play engine: playback, loop play, recording, or the preview of an edit
// function. A worker thread prepares the devices in use (their note-off tables, their
// target states from the song's beginning, adjusting the receivers when "determine" is on)
// and starts the periodic timer; each timer call then plays every tick whose time has come
// by the clock: metronome and count-in while recording, timing clock, tempo changes, due
// note-offs, and the events of the tick from all tracks in merged order. Late ticks are
// played in a burst, never skipped. On the stop event the timer call runs the stop
// sequence: the timer ends, a recording is handed over, sounding notes are closed, and the
// user interface is told with kPlayRunEndedMessage; PlayController finishes the run there.
//
// Thread contract: constructed, started, and destroyed on the user-interface thread;
// destroy only after the run has ended (ended()) and the timer has been stopped from that
// thread. onTimer runs on the timer's thread; recordEvent/recordSysex on whichever thread
// sends with the record flag. The song and the device table are only read here; the song
// must not change while the run plays (edits are refused while a run exists).

#include "app/Event.h"
#include "app/Settings.h"
#include "midi/EventRecorder.h"
#include "playback/RecordBuffer.h"
#include "song/MergedEvents.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace velisto {

class Clock;
class DeviceTable;
class EventOutput;
class KaraokeHooks;
class MidiInputRouter;
class OutputMonitor;
class PeriodicTimer;
class Song;
class UiNotifier;

// What a run is for: normal play (also loop and recording), or the test play of one edit
// function, whose dialog is told when the end is reached.
enum class PlayKind : int {
    Normal = 0,
    ValueChange = 1,
    Quantize = 2,
    Move = 3,
    Pitch = 4,
    CutPaste = 5,
    NoteLength = 6,
    ChannelChange = 7,
};

// Everything a run works with; owned by the user interface and outliving every run.
struct PlayEnvironment {
    const Song* song = nullptr;
    DeviceTable* devices = nullptr;
    EventOutput* output = nullptr;
    OutputMonitor* monitor = nullptr;
    const Clock* clock = nullptr;
    PeriodicTimer* timer = nullptr;
    UiNotifier* notifier = nullptr;
    MidiInputRouter* input = nullptr; // null: no input port, nothing to record from but the keyboard window
    KaraokeHooks* karaoke = nullptr;  // null: no karaoke window
    // Post kPlayListPositionMessage after every tick (the list editor follows playback).
    const std::atomic<bool>* listEditorFollows = nullptr;
};

struct PlayRequest {
    std::int32_t startTick = 0;
    std::int32_t endTick = 0; // not used while recording: a recording runs until stopped
    bool loop = false;
    bool recording = false;
    int recordTrack = 0; // 0..255
    PlayKind kind = PlayKind::Normal;
    std::uintptr_t previewOwner = 0; // the dialog told about a preview's progress
    std::int32_t previewStep = 0;    // ValueChange: tell the owner every this many ticks; 0: never
    std::string songName;            // shown in the output monitor's first line
};

// The karaoke window's part in a run. Called on the timer's thread (open on the run's
// worker thread): an implementation posts to its window and never blocks.
class KaraokeHooks {
public:
    virtual ~KaraokeHooks() = default;
    // Whether a window opened: the settings ask for one and the song text track holds text.
    virtual bool open(const Song& song, std::int32_t startTick) = 0;
    virtual void countInEnded() = 0;
    virtual void advance(std::int32_t tick) = 0; // every tick played
    virtual void refresh() = 0;                  // at most every 150 ms
    virtual void close() = 0;
};

class CMidiThread final : public EventRecorder {
public:
    // stop is the user interface's stop event; it is reset by the caller before start.
    CMidiThread(const PlayEnvironment& environment, const Settings& settings, const PlayRequest& request, Event& stop);
    ~CMidiThread() override;
    CMidiThread(const CMidiThread&) = delete;
    CMidiThread& operator=(const CMidiThread&) = delete;

    // Starts the worker thread, which prepares the devices and starts the timer. False when
    // the thread could not be created.
    bool start();
    // The same steps on the calling thread (tests on simulated time).
    void prepareAndStartTimer();
    // The worker thread has finished (the timer runs, or the run could not start).
    void joinWorker();

    // The periodic timer's callback.
    void onTimer();

    // ---- state read by the user interface and other threads ----
    const PlayRequest& request() const { return request_; }
    bool running() const { return running_.load(std::memory_order_acquire); }
    bool ended() const { return ended_.load(std::memory_order_acquire); }
    bool recording() const { return recording_.load(std::memory_order_acquire); }
    bool countInActive() const { return countIn_.load(std::memory_order_acquire); }
    std::int32_t currentTick() const { return currentTick_.load(std::memory_order_acquire); }
    // A loop run reached its end: the user interface is to start it again ("RESTART").
    bool restartRequested() const { return restartRequested_.load(std::memory_order_acquire); }
    // Device table indexes of the devices the song's tracks use (and the record track's).
    const std::vector<int>& devicesInUse() const { return devicesInUse_; }
    std::chrono::milliseconds timerPeriod() const { return period_; }
    int tempoIndex() const { return tempoIndex_; }
    // The recording handed over by the stop sequence (empty for other runs).
    Recording takeRecording();

    // ---- EventRecorder: the record buffer of a recording run ----
    void recordEvent(int device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                     std::uint8_t data3) override;
    void recordSysex(int device, std::span<const std::uint8_t> stored) override;

private:
    void collectDevicesInUse();
    void playBeginningIntoTargets();
    void startTimer();
    void restartClock();
    // Milliseconds of song time reached now: the start tick's time plus the time since the start.
    double elapsedMilliseconds() const;
    // One tick; false when this timer call must return (the count-in has just ended).
    bool playTick();
    void sendMetronome();
    void sendTimingClock();
    void followTempo();
    void playEventsOfTick();
    void handleEnd();
    void stopSequence();
    RecordClock recordClock() const;

    PlayEnvironment env_;
    Settings settings_;
    PlayRequest request_;
    Event& stop_;

    std::atomic<bool> running_{false};
    std::atomic<bool> ended_{false};
    std::atomic<bool> recording_{false};
    std::atomic<bool> countIn_{false};
    std::atomic<std::int32_t> currentTick_{0};
    std::atomic<bool> restartRequested_{false};
    bool previewDone_ = false;

    std::vector<int> devicesInUse_;
    MergedEvents merged_;
    std::chrono::nanoseconds startTime_{0};
    double startOffsetMs_ = 0.0;
    std::chrono::milliseconds period_{0};
    int tempoIndex_ = 0;
    std::int64_t lastClockCount_ = -1;
    std::chrono::nanoseconds lastKaraokeRefresh_{0};
    bool karaokeOpen_ = false;

    RecordBuffer buffer_;
    Recording handedOver_;
    std::thread worker_;
};

} // namespace velisto
