#pragma once
// Every message that leaves the program for a receiver passes here: a channel or
// parameter event (sendEvent), a system exclusive message or timing clock (sendSysex), and
// below them the short message with running status (sendShortMessage). Each event is
// first applied to the device's live state by the interpreter, which may refuse it; a
// refusal is logged and the event is skipped or sent anyhow. Parameter events become
// controller sequences whose address is left out when the channel's last address was the
// same. Also here: the mode resets, the note-off table, and adjusting a receiver to the
// target state before a run. Every step is written to the output monitor while it is open.
//
// Thread contract: one object for the program; every operation may be called from any
// thread (user interface, play timer callback, MIDI input callback). A send holds the
// device's sendMutex() from interpretation to the last byte; adjusting holds it for one
// message at a time and never across its waits. Notifier, recorder and delay may be
// changed while others send; the sleep function is fixed at construction.

#include "midi/OutputDevice.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace velisto {

struct DecodedSysex;
class EventRecorder;
class OutputMonitor;
class OutputNotifier;

// How one send is made and what it is for.
struct SendOptions {
    bool record = false;         // also into the record buffer of a running recording
    bool send = true;            // false: the live state is updated, nothing leaves
    std::int32_t tick = -1;      // the song tick of the event; -1 when it is not from the song
    bool fromPlayThread = false; // labels the monitor lines "midithread" rather than "mainthread"
    int track = -1;              // whose level meter a note on raises; -1: none
};

// What the virtual keyboard shows of one channel of a device's live state, with the slots
// its controls send to. A value is -1 where the state has none (a slot the device's
// standard does not track, a channel no part receives).
struct ChannelView {
    int mainVolume = -1;          // controller 7, 0..127
    int mainVolumeSlot = -1;      // controller slot of controller 7 in the device's standard
    int pitchBend = 8192;         // 14-bit, 0..16383, 8192 = centre
    int bendSensitivity = -1;     // RPN 0, semitones 0..127
    int bendSensitivitySlot = -1; // RPN slot of RPN 0
    int program = -1;             // program of the channel's lowest-numbered part

    bool operator==(const ChannelView&) const = default;
};

class EventOutput {
public:
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    // How long a receiver is given to carry out a mode reset while adjusting.
    static constexpr std::chrono::milliseconds kModeResetWait{50};

    // sleep: how waits are made (tests pass one that only records); empty: a real sleep.
    explicit EventOutput(OutputMonitor& monitor, Sleep sleep = {});
    EventOutput(const EventOutput&) = delete;
    EventOutput& operator=(const EventOutput&) = delete;

    // Who is told about sent events; null: nobody. The object must outlive its use.
    void setNotifier(OutputNotifier* notifier) { notifier_.store(notifier, std::memory_order_release); }
    // The running recording's buffer; null while none runs.
    void setRecorder(EventRecorder* recorder) { recorder_.store(recorder, std::memory_order_release); }
    // "detsenddelay": milliseconds to wait after each adjusting message; 0 or less: none.
    void setAdjustDelay(int milliseconds) { adjustDelay_.store(milliseconds, std::memory_order_relaxed); }

    // A channel event (0x8n..0xEn) or parameter event (0x2n drum NRPN, 0x5n NRPN, 0x6n RPN):
    // data1 is the slot for controllers and parameter events, data3 the key of a drum NRPN.
    // Nothing happens for a closed device or another status.
    void sendEvent(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                   std::uint8_t data3, const SendOptions& options = {});
    // stored: the bytes after F0 up to and including F7, or the single byte F8 (timing clock).
    void sendSysex(OutputDevice& device, std::span<const std::uint8_t> stored, const SendOptions& options = {});
    // The lowest layer: one short message to the port, its status left out when running
    // status allows. Nothing for the placeholder and the generator. The model is not
    // touched: callers that bypass sendEvent keep it right themselves.
    void sendShortMessage(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // The GM System On, GS Reset, XG System On or GM2 System On for mode 0..3, through
    // sendSysex (so a device that does not support the standard refuses it).
    void sendModeReset(OutputDevice& device, int mode, const SendOptions& options = {});

    // ---- the note-off table ----
    void clearNoteOffs(OutputDevice& device);
    // Stores the note-off of a note at tick + length. False, with the reason logged, when
    // every slot is taken: the note must then not be played.
    bool insertNoteOff(OutputDevice& device, std::int32_t tick, std::int32_t length, int channel, int key);
    // Sends (note on, velocity 0) and frees every entry due at tick, or every entry.
    void sendDueNoteOffs(OutputDevice& device, std::int32_t tick);
    void sendAllNoteOffs(OutputDevice& device, bool fromPlayThread = true);

    // ---- adjusting a receiver before a run ----
    // The pause after each adjusting message, when "detsenddelay" asks for one.
    void waitAfterAdjusting();
    // Brings the receiver from its live state to the device's target state with explicit
    // messages: mode, parts, banks and programs, controllers, NRPNs, RPNs, pressure, pitch
    // bend, drum maps. False when the mode could not be set (adjusting is aborted).
    bool adjustDevice(OutputDevice& device);

    // ---- the states, read by threads that do not send ----
    DeviceMidiState copyLiveState(const OutputDevice& device) const;
    DeviceMidiState copyTargetState(const OutputDevice& device) const;
    // A few values of one channel (0..15) of the live state, small enough to read on every
    // paint; a default view for a channel out of range.
    ChannelView channelView(const OutputDevice& device, int channel) const;
    // The run's start: the target begins as what the receiver holds now.
    void copyLiveToTarget(OutputDevice& device) const;

private:
    struct Send;

    void sendEventLocked(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                         std::uint8_t data3, const SendOptions& options);
    void sendSysexLocked(OutputDevice& device, std::span<const std::uint8_t> stored, const SendOptions& options);
    void sendShortLocked(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void sendNoteOffsLocked(OutputDevice& device, std::int32_t dueTick, bool all, const SendOptions& options);

    void sendNote(Send& send, std::uint8_t key, std::uint8_t velocity);
    void sendPolyPressure(Send& send, std::uint8_t key, std::uint8_t value);
    void sendController(Send& send, int slot, std::uint8_t value);
    void sendProgramChange(Send& send, std::uint8_t program);
    void sendChannelPressure(Send& send, std::uint8_t value);
    void sendPitchBend(Send& send, std::uint8_t lsb, std::uint8_t msb);
    // NRPN, RPN and drum NRPN: the address (unless the channel's last one is the same),
    // then the value as data entry.
    void sendParameter(Send& send, ParamKind kind, int slot, std::uint8_t value, int key);
    void sendAddressController(Send& send, int number, int value, std::string_view what);
    // What an accepted system exclusive message changed, told to the windows and the
    // generator; a mode change also forgets the parameter addresses. decoded may be null.
    void sysexEffects(Send& send, bool modeChanged,
                      const std::array<DeviceMidiState::Part, DeviceMidiState::kParts>& partsBefore,
                      const DecodedSysex* decoded);

    // Adjusting: the mode first; then the messages that each step plans from the live and
    // target states (read under the lock), each sent under the lock and followed by the wait.
    struct AdjustingMessage;
    bool adjustMode(OutputDevice& device);
    std::vector<AdjustingMessage> planParts(const OutputDevice& device) const;
    std::vector<AdjustingMessage> planChannel(const OutputDevice& device, int channel) const;
    std::vector<AdjustingMessage> planDrumMaps(const OutputDevice& device) const;
    void sendAdjusting(OutputDevice& device, const std::vector<AdjustingMessage>& messages);

    OutputMonitor& monitor_;
    Sleep sleep_;
    std::atomic<OutputNotifier*> notifier_{nullptr};
    std::atomic<EventRecorder*> recorder_{nullptr};
    std::atomic<int> adjustDelay_{5};
};

} // namespace velisto
