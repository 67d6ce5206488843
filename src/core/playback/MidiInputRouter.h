#pragma once
// MIDI thru and the input side of recording: every channel message from the input port is
// re-addressed to a track (its device and MIDI channel; the incoming channel is dropped),
// optionally split at a key with octave shifts, applied to that device's model and, with
// "midithru" on, sent to it. While a recording run is active the message goes to the
// record target track and also into the run's record buffer (through EventOutput's
// recorder).
//
// Thread contract: onMessage runs on the input backend's thread; setRouting and
// setCurrentTrack on the user-interface thread; setRecordTrack from the run (any thread).
// One mutex is held for the whole of onMessage, so waitForCallback, on another thread,
// returns only once no message that began earlier is still being handled.

#include "app/Settings.h"
#include "midi/MidiInPort.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace velisto {

class DeviceTable;
class EventOutput;
class OutputMonitor;
class Song;

// The split and shift of notes, as the settings give them.
struct InputRouting {
    bool midithru = true;
    bool routeyn = false;
    int splitkey = 64;
    int splitchannel = 2; // 0..15
    bool shiftfrontyn = false;
    int shiftfrontoct = 0;
    bool shiftbeyondyn = false;
    int shiftbeyondoct = 0;

    static InputRouting of(const GeneralSettings& general);
    bool operator==(const InputRouting&) const = default;
};

// A note after the split and shift: the channel it goes out on and its key (0..127).
struct RoutedNote {
    int channel = 0;
    int key = 0;
    bool operator==(const RoutedNote&) const = default;
};
RoutedNote routeNote(const InputRouting& routing, int trackChannel, int key);

// The controller slot for an incoming controller number: the first of the GM, GS, XG and
// GM2 definitions that tracks it decides; nullopt when none does.
std::optional<int> inputControllerSlot(int controllerNumber);

class MidiInputRouter {
public:
    // Everything must outlive the router; song and devices are read on the input thread.
    MidiInputRouter(const Song& song, DeviceTable& devices, EventOutput& output, OutputMonitor& monitor);
    MidiInputRouter(const MidiInputRouter&) = delete;
    MidiInputRouter& operator=(const MidiInputRouter&) = delete;

    void setRouting(const InputRouting& routing);
    InputRouting routing() const;
    // The track that receives input while nothing records (0..255).
    void setCurrentTrack(int track) { currentTrack_.store(track, std::memory_order_relaxed); }
    // A recording run's target track, or -1 when none records.
    void setRecordTrack(int track) { recordTrack_.store(track, std::memory_order_release); }
    int recordTrack() const { return recordTrack_.load(std::memory_order_acquire); }

    // The input callback: one short message from the port.
    void onMessage(const MidiInMessage& message);
    // Returns once every onMessage call that began before has returned.
    void waitForCallback();

private:
    const Song& song_;
    DeviceTable& devices_;
    EventOutput& output_;
    OutputMonitor& monitor_;
    mutable std::mutex mutex_; // held for a whole onMessage; guards routing_
    InputRouting routing_;
    std::atomic<int> currentTrack_{0};
    std::atomic<int> recordTrack_{-1};
};

} // namespace velisto
