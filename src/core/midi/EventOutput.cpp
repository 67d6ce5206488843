#include "midi/EventOutput.h"

#include "midi/EventRecorder.h"
#include "midi/GeneratorSink.h"
#include "midi/Interpreter.h"
#include "midi/MidiOutFramer.h"
#include "midi/MidiStandardNames.h"
#include "midi/ModeReset.h"
#include "midi/OutputNotifier.h"
#include "midi/SysexDecoder.h"
#include "playback/OutputMonitor.h"
#include "song/MidiEvent.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace velisto {

namespace {

// Controller numbers of the parameter address and data sequences.
constexpr int kDataEntryMsb = 6;
constexpr int kNrpnMsbController = 99;
constexpr int kNrpnLsbController = 98;
constexpr int kRpnMsbController = 101;
constexpr int kRpnLsbController = 100;
constexpr int kRpnMsb = 0;

constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr int kLevelMeterTop = 10;

// GS and XG part parameter addresses used when adjusting.
constexpr std::uint8_t kGsReceiveChannel = 0x02;
constexpr std::uint8_t kGsUseForRhythm = 0x15;
constexpr std::uint8_t kGsChannelOff = 0x10;
constexpr std::uint8_t kXgPartArea = 0x08;
constexpr std::uint8_t kXgReceiveChannel = 0x04;
constexpr std::uint8_t kXgPartMode = 0x07;
constexpr std::uint8_t kXgChannelOff = 0x7F;

void append(std::string& s, std::string_view v) { s += v; }
void append(std::string& s, int v) { s += std::to_string(v); }

template <typename... Parts> std::string cat(const Parts&... parts)
{
    std::string s;
    (append(s, parts), ...);
    return s;
}

std::string_view origin(const SendOptions& options) { return options.fromPlayThread ? "midithread" : "mainthread"; }

std::string hexStatus(int status)
{
    std::string text = hexByte(status);
    text.pop_back(); // hexByte ends with a blank
    return text;
}

bool isParameterKind(std::uint8_t kind)
{
    return kind == EventKind::DrumNrpn || kind == EventKind::Nrpn || kind == EventKind::Rpn;
}

bool isChannelMessageKind(std::uint8_t kind) { return kind >= 0x80 && kind <= 0xE0; }

// The message number of a slot in the device's mode; songs may hold slots that another
// standard numbers, so fall back to the number any definition gives it.
int numberOfSlot(const MidiModeDefinition& definition, ParamKind kind, int slot)
{
    const int number = definition.numberOf(kind, slot);
    return number >= 0 ? number : numberForOutput(kind, slot);
}

std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value & 0x7F); }

// Whether a stored message may be an XG variation type or a GM2 key-based instrument
// controller message, the two that windows show besides the parts: Yamaha, or universal
// real-time sub-id 0A. Others need no decoding while the monitor is closed.
bool mayConcernWindows(std::span<const std::uint8_t> stored)
{
    constexpr std::uint8_t kYamaha = 0x43;
    constexpr std::uint8_t kUniversalRealtime = 0x7F;
    constexpr std::uint8_t kKeyBasedSubId = 0x0A;
    return stored[0] == kYamaha ||
           (stored[0] == kUniversalRealtime && stored.size() > 2 && stored[2] == kKeyBasedSubId);
}

} // namespace

// What one send works with: the device (locked), the options, the channel and who hears of it.
struct EventOutput::Send {
    EventOutput& out;
    OutputDevice& device;
    const SendOptions& options;
    std::uint8_t status = 0;
    int channel = 0;
    OutputNotifier* notifier = nullptr;

    template <typename Compose> void line(Compose&& compose) const
    {
        out.monitor_.addLineWith(-1, std::forward<Compose>(compose));
    }
    const MidiModeDefinition& definition() const { return device.liveState.definition(); }
    // The generator's voices for this event, which the monitor notes; null for other devices.
    GeneratorSink* generator() const
    {
        if (!device.isGenerator() || !device.generatorSink)
            return nullptr;
        line([] { return std::string("passed to Velisto's Internal Sound Generator"); });
        return device.generatorSink;
    }
    std::string drumName(int key) const
    {
        const std::string_view name = device.liveState.drumName(device.liveState.partOfChannel(channel), key);
        return std::string(name.empty() ? noteName(key) : name);
    }
};

struct EventOutput::AdjustingMessage {
    std::uint8_t status = 0; // an event's status, or 0xF0 for a system exclusive message
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t data3 = kNoDrumKey;
    std::vector<std::uint8_t> sysex; // stored form (after F0) when status is 0xF0
};

EventOutput::EventOutput(OutputMonitor& monitor, Sleep sleep) : monitor_(monitor), sleep_(std::move(sleep))
{
    if (!sleep_)
        sleep_ = [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
}

// ---------------------------------------------------------------- events

void EventOutput::sendEvent(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                            std::uint8_t data3, const SendOptions& options)
{
    const std::lock_guard lock(device.sendMutex());
    sendEventLocked(device, status, data1, data2, data3, options);
}

void EventOutput::sendEventLocked(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  std::uint8_t data3, const SendOptions& options)
{
    const auto kind = static_cast<std::uint8_t>(status & 0xF0);
    if (!device.isOpen() || !(isChannelMessageKind(kind) || isParameterKind(kind)))
        return;
    // A byte above 7F would be read as a status by the receiver and as an index here.
    if (data1 > 0x7F || data2 > 0x7F || data3 > 0x7F)
        return;
    Send send{*this, device, options, status, status & 0x0F, notifier_.load(std::memory_order_acquire)};

    if (options.record)
        if (EventRecorder* recorder = recorder_.load(std::memory_order_acquire))
            recorder->recordEvent(static_cast<int>(device.index), status, data1, data2, data3);

    monitor_.addLineWith(-1, [] { return std::string(); });
    monitor_.addLineWith(options.tick,
                         [&] { return cat(origin(options), ": ", device.name, ", MIDI channel ", send.channel + 1); });

    const InterpretContext context{&device, true};
    const InterpretResult verdict = interpretEvent(device.liveState, status, data1, data2, data3, context);
    if (!verdict.valid) {
        if (verdict.skip) {
            send.line([&] { return cat(verdict.text, "\r\nMIDI event skipped."); });
            if (send.notifier)
                send.notifier->deviceWindowRefresh(static_cast<int>(device.index), "");
            return;
        }
        send.line([&] { return cat(verdict.text, ", sending event anyhow"); });
    }
    if (!options.send) {
        send.line(
            [] { return std::string("MIDI event updated MIDI states, but is finaly not send to device (LocalOn)"); });
        return;
    }

    switch (kind) {
    case 0x80:
    case 0x90:
        sendNote(send, data1, data2);
        break;
    case 0xA0:
        sendPolyPressure(send, data1, data2);
        break;
    case 0xB0:
        sendController(send, data1, data2);
        break;
    case 0xC0:
        sendProgramChange(send, data1);
        break;
    case 0xD0:
        sendChannelPressure(send, data1);
        break;
    case 0xE0:
        sendPitchBend(send, data1, data2);
        break;
    case EventKind::Nrpn:
        sendParameter(send, ParamKind::Nrpn, data1, data2, data3);
        break;
    case EventKind::Rpn:
        sendParameter(send, ParamKind::Rpn, data1, data2, data3);
        break;
    case EventKind::DrumNrpn:
        sendParameter(send, ParamKind::DrumNrpn, data1, data2, data3);
        break;
    default:
        break;
    }
}

void EventOutput::sendNote(Send& send, std::uint8_t key, std::uint8_t velocity)
{
    const bool on = (send.status & 0xF0) == 0x90 && velocity > 0;
    send.line([&] {
        return on ? cat("Note on key ", noteName(key), " Velocity ", velocity) : cat("Note off key ", noteName(key));
    });
    const int deviceIndex = static_cast<int>(send.device.index);
    if (send.notifier) {
        send.notifier->keyboardKey(deviceIndex, send.channel, key, on ? velocity : 0);
        if (on && send.options.track >= 0) {
            const int volumeSlot = send.definition().slotOf(ParamKind::Controller, Cc::Volume);
            const int volume = volumeSlot >= 0 ? send.device.liveState.controllerValue(send.channel, volumeSlot) : 127;
            const int level = std::min(
                kLevelMeterTop, static_cast<int>(kLevelMeterTop * (velocity / 127.0) * (std::max(volume, 0) / 127.0)));
            if (level > 0)
                send.notifier->levelMeter(send.options.track, level);
        }
    }
    if (GeneratorSink* generator = send.generator()) {
        if (!on) {
            generator->releaseVoices(send.channel, key);
            return;
        }
        // Closed, pedal and open hi-hat cut off a sounding open hi-hat, as on a drum kit.
        if (send.device.liveState.isRhythmChannel(send.channel) && (key == 42 || key == 44 || key == 46)) {
            send.line([] { return std::string("drum 42,44,46 stopper"); });
            generator->stopOpenHiHat(send.channel);
        }
        generator->startVoice(send.channel, key, velocity);
        return;
    }
    sendShortLocked(send.device, send.status, key, velocity);
}

void EventOutput::sendPolyPressure(Send& send, std::uint8_t key, std::uint8_t value)
{
    send.line([&] { return cat("Polypressure Key ", noteName(key), " Velocity ", value); });
    sendShortLocked(send.device, send.status, key, value);
}

void EventOutput::sendChannelPressure(Send& send, std::uint8_t value)
{
    send.line([&] { return cat("Channelpressure Velocity ", value); });
    sendShortLocked(send.device, send.status, value, 0);
}

void EventOutput::sendPitchBend(Send& send, std::uint8_t lsb, std::uint8_t msb)
{
    const int bend = (msb - 64) * 128 + lsb;
    send.line([&] { return cat("Pitchchange ", bend); });
    if (send.notifier)
        send.notifier->keyboardPitch(static_cast<int>(send.device.index), send.channel, bend);
    if (GeneratorSink* generator = send.generator()) {
        for (const int key : generator->retuneChannel(send.channel))
            send.line([&] {
                return cat("Warning : Velisto's Internal Sound Generator, MIDI channel ", send.channel + 1, ", key ",
                           noteName(key), "\r\nfrequency adjustment by pitchwheel ignored, total frequency too high");
            });
        return;
    }
    sendShortLocked(send.device, send.status, lsb, msb);
}

void EventOutput::sendProgramChange(Send& send, std::uint8_t program)
{
    send.line([&] { return cat("Program change #", program + 1); });
    const int deviceIndex = static_cast<int>(send.device.index);
    if (send.notifier) {
        send.notifier->keyboardProgram(deviceIndex, send.channel, program);
        send.notifier->deviceWindowRefresh(deviceIndex, "parts");
    }
    if (GeneratorSink* generator = send.generator()) {
        generator->reloadSamples();
        return;
    }
    sendShortLocked(send.device, send.status, program, 0);
}

void EventOutput::sendController(Send& send, int slot, std::uint8_t value)
{
    const MidiModeDefinition& definition = send.definition();
    const std::string_view name = definition.longName(ParamKind::Controller, slot);
    const int number = numberOfSlot(definition, ParamKind::Controller, slot);
    send.line([&] { return cat("Common controller ", name, " value ", value); });
    if (number == Cc::ResetAllControllers) {
        // Receivers forget the parameter address with the other controllers.
        send.device.lastRpnNrpnKind[static_cast<std::size_t>(send.channel)] = RpnNrpnKind::None;
        if (send.notifier)
            send.notifier->keyboardReset(static_cast<int>(send.device.index), send.channel);
    }
    if (GeneratorSink* generator = send.generator()) {
        if (number == Cc::Volume || number == Cc::Pan || number == Cc::Expression) {
            generator->updateChannelMix(send.channel, number);
        } else if (number == Cc::AllSoundsOff || number == Cc::AllNotesOff) {
            send.line([&] { return cat("MIDI controller ", name); });
            generator->releaseChannel(send.channel);
        }
        return;
    }
    if (number >= 0)
        sendShortLocked(send.device, static_cast<std::uint8_t>(0xB0 | send.channel), byte(number), value);
}

void EventOutput::sendParameter(Send& send, ParamKind kind, int slot, std::uint8_t value, int key)
{
    const MidiModeDefinition& definition = send.definition();
    const bool drum = kind == ParamKind::DrumNrpn;
    const std::string_view kindText = kind == ParamKind::Rpn ? "RPN" : drum ? "DrumNRPN" : "NRPN";
    const std::int32_t kindCode = kind == ParamKind::Rpn ? RpnNrpnKind::Rpn
                                  : drum                 ? RpnNrpnKind::DrumNrpn
                                                         : RpnNrpnKind::Nrpn;
    const bool lockIn =
        (kind == ParamKind::Nrpn && slot == kNrpnLockInSlot) || (kind == ParamKind::Rpn && slot == kRpnLockInSlot);
    const int number = numberOfSlot(definition, kind, slot);
    if (number < 0)
        return; // no standard knows the slot: there is no address to send
    const auto what = [&] {
        std::string text(definition.longName(kind, slot));
        if (drum)
            text += cat(" of drum ", send.drumName(key));
        return text;
    };
    send.line([&] { return cat(kindText, " ", what(), " value ", value); });

    const auto ch = static_cast<std::size_t>(send.channel);
    OutputDevice& device = send.device;
    const bool sameAddress = device.lastRpnNrpnKind[ch] == kindCode && device.lastRpnNrpnSlot[ch] == slot &&
                             (!drum || device.lastDrumNrpnKey[ch] == key);
    if (sameAddress) {
        send.line([&] {
            return cat("Last RPN/NRPN in channel ", send.channel + 1, " was ", kindText, " ", what(), ", so no ",
                       kindText, " MSB and LSB needed");
        });
    } else {
        device.lastRpnNrpnKind[ch] = kindCode;
        device.lastRpnNrpnSlot[ch] = slot;
        device.lastDrumNrpnKey[ch] = drum ? key : -1;
        int msb = 0;
        int lsb = 0;
        if (kind == ParamKind::Nrpn) {
            msb = lockIn ? kNullParameterNumber : kNrpnMsb;
            lsb = lockIn ? kNullParameterNumber : number;
        } else if (kind == ParamKind::Rpn) {
            msb = lockIn ? kNullParameterNumber : kRpnMsb;
            lsb = lockIn ? kNullParameterNumber : number;
        } else {
            msb = number;
            lsb = key;
        }
        const bool rpn = kind == ParamKind::Rpn;
        sendAddressController(send, rpn ? kRpnMsbController : kNrpnMsbController, msb,
                              cat("(", kindText, " MSB) for ", what()));
        sendAddressController(send, rpn ? kRpnLsbController : kNrpnLsbController, lsb,
                              cat("(", kindText, " LSB) for ", what()));
    }
    if (!lockIn)
        sendAddressController(send, kDataEntryMsb, value, "(Data entry)");
}

void EventOutput::sendAddressController(Send& send, int number, int value, std::string_view what)
{
    send.line([&] { return cat("Controller ", number, " value ", value, " ", what); });
    sendShortLocked(send.device, static_cast<std::uint8_t>(0xB0 | send.channel), byte(number), byte(value));
}

// ---------------------------------------------------------------- short messages

void EventOutput::sendShortMessage(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::lock_guard lock(device.sendMutex());
    sendShortLocked(device, status, data1, data2);
}

void EventOutput::sendShortLocked(OutputDevice& device, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    MidiOutPort* port = device.port();
    const std::size_t length = MidiOutFramer::messageLength(status);
    if (!device.isPort() || port == nullptr || length == 0 || status < 0x80)
        return;
    const std::uint8_t whole[3] = {status, data1, data2};
    const std::span<const std::uint8_t> message(whole, length);
    if (status >= 0xF0) {
        // System common messages end running status; real-time messages leave it alone.
        if (status < kTimingClock)
            device.runningStatus = kNoRunningStatus;
        port->sendShort(message);
        return;
    }
    if (device.useRunningStatus && device.runningStatus != kNoRunningStatus && device.runningStatus == status) {
        monitor_.addLineWith(-1, [&] { return cat("Statusbyte ", hexStatus(status), " skipped by running status"); });
        port->sendShort(message.subspan(1));
        return;
    }
    port->sendShort(message);
    device.runningStatus = status;
}

// ---------------------------------------------------------------- system exclusive

void EventOutput::sendSysex(OutputDevice& device, std::span<const std::uint8_t> stored, const SendOptions& options)
{
    const std::lock_guard lock(device.sendMutex());
    sendSysexLocked(device, stored, options);
}

void EventOutput::sendSysexLocked(OutputDevice& device, std::span<const std::uint8_t> stored,
                                  const SendOptions& options)
{
    if (!device.isOpen() || stored.empty())
        return;
    Send send{*this, device, options, kSysexStart, -1, notifier_.load(std::memory_order_acquire)};
    const int deviceIndex = static_cast<int>(device.index);

    if (options.record)
        if (EventRecorder* recorder = recorder_.load(std::memory_order_acquire))
            recorder->recordSysex(deviceIndex, stored);
    monitor_.addLineWith(-1, [] { return std::string(); });
    monitor_.addLineWith(options.tick, [&] { return cat(origin(options), ": ", device.name); });

    if (stored.size() == 1 && stored[0] == kTimingClock) {
        send.line([] { return std::string("F8 timing clock"); });
        if (options.send && device.isPort() && device.port())
            device.port()->sendShort(stored);
        return;
    }

    // Decoded only for what the monitor and the windows show; the interpreter decodes itself.
    std::optional<DecodedSysex> decoded;
    if (monitor_.active() || (send.notifier && mayConcernWindows(stored)))
        decoded = decodeSysex(stored, &device, device.liveState.mode(), device.lastXgVariationType);
    send.line([&] {
        std::string text = cat("SYSEX-message: ", sysexText(stored));
        if (decoded && decoded->wrongValueBytes)
            text += " *** WRONG VALUE-BYTES *** ";
        return text;
    });

    const auto partsBefore = device.liveState.parts();
    const InterpretContext context{&device, true};
    const InterpretResult verdict = interpretSysex(device.liveState, stored, context);
    if (!verdict.valid) {
        if (verdict.skip) {
            send.line([&] { return cat(verdict.text, "\r\nSYSEX-message skipped"); });
            if (send.notifier)
                send.notifier->deviceWindowRefresh(deviceIndex, "");
            return;
        }
        send.line([&] { return cat(verdict.text, ", sending SYSEX-message to device anyhow"); });
    }
    if (!options.send)
        send.line(
            [] { return std::string("MIDI event updated MIDI states, but is finaly not send to device (LocalOn)"); });

    sysexEffects(send, verdict.modeChanged, partsBefore, decoded ? &*decoded : nullptr);
    if (!options.send)
        return;

    if (device.isPort() && device.port()) {
        std::vector<std::uint8_t> message;
        message.reserve(stored.size() + 1);
        message.push_back(kSysexStart);
        message.insert(message.end(), stored.begin(), stored.end());
        device.port()->sendLong(message);
    }
    device.runningStatus = kNoRunningStatus;
}

void EventOutput::sysexEffects(Send& send, bool modeChanged,
                               const std::array<DeviceMidiState::Part, DeviceMidiState::kParts>& partsBefore,
                               const DecodedSysex* decoded)
{
    OutputDevice& device = send.device;
    const SendOptions& options = send.options;
    const int deviceIndex = static_cast<int>(device.index);
    GeneratorSink* generator = options.send ? send.generator() : nullptr;
    bool reload = false;
    if (modeChanged) {
        if (send.notifier) {
            send.notifier->deviceWindowRefresh(deviceIndex, "devicemode");
            send.notifier->deviceWindowRefresh(deviceIndex, "parts");
            send.notifier->keyboardReset(deviceIndex, -1);
            send.notifier->programNamesChanged(deviceIndex);
        }
        if (generator) {
            send.line([] { return std::string("MIDI command 'Mode reset'"); });
            generator->releaseAll();
            reload = true;
        }
        // A mode reset makes the receiver forget its parameter addresses.
        if (options.send)
            device.lastRpnNrpnKind.fill(RpnNrpnKind::None);
    } else {
        const auto& partsAfter = device.liveState.parts();
        for (std::size_t i = 0; i < partsAfter.size(); ++i) {
            const auto& before = partsBefore[i];
            const auto& after = partsAfter[i];
            if (before.midiChannel == after.midiChannel && before.rhythmValue == after.rhythmValue &&
                before.bankMsb == after.bankMsb && before.bankLsb == after.bankLsb && before.program == after.program)
                continue;
            reload = generator != nullptr;
            if (send.notifier) {
                send.notifier->deviceWindowRefresh(deviceIndex, "parts");
                for (const int channel : {before.midiChannel, after.midiChannel})
                    if (channel >= 0)
                        send.notifier->channelTracksChanged(deviceIndex, channel);
            }
        }
    }
    if (reload)
        generator->reloadSamples();
    if (decoded && send.notifier) {
        if (decoded->xgVariationType)
            send.notifier->deviceWindowRefresh(deviceIndex, "lastxgvarigrp");
        if (decoded->keyBasedController && decoded->keyBased.channel >= 0)
            send.notifier->knobsChanged(deviceIndex, decoded->keyBased.channel);
    }
}

void EventOutput::sendModeReset(OutputDevice& device, int mode, const SendOptions& options)
{
    const std::vector<std::uint8_t> message = modeEnterMessage(mode, device);
    if (message.size() < 2)
        return;
    sendSysex(device, std::span<const std::uint8_t>(message).subspan(1), options);
}

// ---------------------------------------------------------------- note-offs

void EventOutput::clearNoteOffs(OutputDevice& device)
{
    const std::lock_guard lock(device.sendMutex());
    device.noteOffs.fill(NoteOffEntry{});
}

bool EventOutput::insertNoteOff(OutputDevice& device, std::int32_t tick, std::int32_t length, int channel, int key)
{
    const std::lock_guard lock(device.sendMutex());
    const auto free = std::find_if(device.noteOffs.begin(), device.noteOffs.end(),
                                   [](const NoteOffEntry& entry) { return entry.inUse == NoteOffEntry::kFree; });
    if (free == device.noteOffs.end()) {
        monitor_.addLineWith(tick, [&] {
            return cat("Can't insert NoteOff-entry for ", noteName(key), " MIDI channel ", channel + 1,
                       ": no free entries");
        });
        return false;
    }
    const std::int64_t off = std::clamp<std::int64_t>(std::int64_t{tick} + std::max(length, 0), 0, INT32_MAX);
    free->offTick = static_cast<std::uint32_t>(off);
    free->channel = static_cast<std::uint32_t>(channel & 0x0F);
    free->key = byte(key);
    free->inUse = static_cast<std::int32_t>(free - device.noteOffs.begin());
    return true;
}

void EventOutput::sendDueNoteOffs(OutputDevice& device, std::int32_t tick)
{
    SendOptions options;
    options.tick = tick;
    options.fromPlayThread = true;
    const std::lock_guard lock(device.sendMutex());
    sendNoteOffsLocked(device, tick, false, options);
}

void EventOutput::sendAllNoteOffs(OutputDevice& device, bool fromPlayThread)
{
    SendOptions options;
    options.fromPlayThread = fromPlayThread;
    const std::lock_guard lock(device.sendMutex());
    sendNoteOffsLocked(device, 0, true, options);
}

void EventOutput::sendNoteOffsLocked(OutputDevice& device, std::int32_t dueTick, bool all, const SendOptions& options)
{
    for (NoteOffEntry& entry : device.noteOffs) {
        if (entry.inUse == NoteOffEntry::kFree || (!all && std::int64_t{entry.offTick} > dueTick))
            continue;
        const NoteOffEntry due = entry;
        entry = NoteOffEntry{};
        sendEventLocked(device, static_cast<std::uint8_t>(0x90 | due.channel), due.key, 0, kNoDrumKey, options);
    }
}

// ---------------------------------------------------------------- adjusting

void EventOutput::waitAfterAdjusting()
{
    const int delay = adjustDelay_.load(std::memory_order_relaxed);
    if (delay <= 0)
        return;
    monitor_.addLineWith(-1, [&] { return cat("Waiting ", delay, "ms ..."); });
    sleep_(std::chrono::milliseconds(delay));
}

bool EventOutput::adjustDevice(OutputDevice& device)
{
    {
        const std::lock_guard lock(device.sendMutex());
        if (!device.isOpen())
            return true;
    }
    monitor_.addLineWith(
        -1, [&] { return cat("***Adjusting device ", device.name, " to values at sequence-beginning***"); });
    if (!adjustMode(device))
        return false;
    sendAdjusting(device, planParts(device));
    for (int channel = 0; channel < DeviceMidiState::kChannels; ++channel)
        sendAdjusting(device, planChannel(device, channel));
    // After the programs: in GS a drum kit's program change refills its map.
    sendAdjusting(device, planDrumMaps(device));
    monitor_.addLineWith(-1, [] { return std::string("***Finished adjusting***"); });
    return true;
}

bool EventOutput::adjustMode(OutputDevice& device)
{
    const auto modes = [&] {
        const std::lock_guard lock(device.sendMutex());
        return std::pair(device.liveState.mode(), device.targetState.mode());
    };
    const int target = modes().second;
    if (modes().first == target)
        return true;
    SendOptions options;
    options.fromPlayThread = true;
    sendModeReset(device, target, options);
    monitor_.addLineWith(-1, [] { return std::string("waiting 50 ms..."); });
    sleep_(kModeResetWait);
    if (modes().first == target)
        return true;
    monitor_.addLineWith(-1,
                         [&] { return cat("***INTERNAL ERROR: CAN'T SET MIDIMODE FOR DEVICE ", device.name, "***"); });
    monitor_.addLineWith(-1, [&] { return cat("***Adjusting aborted for device ", device.name, "***"); });
    return false;
}

namespace {

using AdjustingSysex = std::vector<std::uint8_t>;

// A GS part parameter (40 1x aa) with its checksum, in stored form (after F0).
AdjustingSysex gsPartMessage(const OutputDevice& device, int part, std::uint8_t address, std::uint8_t value)
{
    const auto block = static_cast<std::uint8_t>(MidiModeDefinition::gsPartAddress(part, false));
    const std::uint8_t body[] = {0x40, block, address, value};
    int sum = 0;
    for (const std::uint8_t b : body)
        sum += b;
    const auto checksum = static_cast<std::uint8_t>((128 - sum % 128) % 128);
    return {0x41, gsDeviceByte(device), 0x42, 0x12, body[0], body[1], body[2], body[3], checksum, 0xF7};
}

// An XG multi part parameter (08 pp aa), in stored form.
AdjustingSysex xgPartMessage(const OutputDevice& device, int part, std::uint8_t address, std::uint8_t value)
{
    const auto partByte = static_cast<std::uint8_t>(MidiModeDefinition::xgPartAddress(part));
    return {0x43, xgDeviceByte(device), 0x4C, kXgPartArea, partByte, address, value, 0xF7};
}

} // namespace

std::vector<EventOutput::AdjustingMessage> EventOutput::planParts(const OutputDevice& device) const
{
    std::vector<AdjustingMessage> plan;
    const std::lock_guard lock(device.sendMutex());
    const DeviceMidiState& live = device.liveState;
    const DeviceMidiState& target = device.targetState;
    const bool gs = live.mode() == MidiMode::GS;
    if (!gs && live.mode() != MidiMode::XG)
        return plan;
    for (int part = 1; part <= DeviceMidiState::kParts; ++part) {
        const DeviceMidiState::Part* want = target.part(part);
        const DeviceMidiState::Part* have = live.part(part);
        if (want->midiChannel != have->midiChannel) {
            const bool off = want->midiChannel < 0;
            plan.push_back(
                {0xF0, 0, 0, kNoDrumKey,
                 gs ? gsPartMessage(device, part, kGsReceiveChannel, off ? kGsChannelOff : byte(want->midiChannel))
                    : xgPartMessage(device, part, kXgReceiveChannel, off ? kXgChannelOff : byte(want->midiChannel))});
        }
        if (want->rhythmValue != have->rhythmValue) {
            const std::uint8_t value = byte(want->rhythmValue);
            plan.push_back({0xF0, 0, 0, kNoDrumKey,
                            gs ? gsPartMessage(device, part, kGsUseForRhythm, value)
                               : xgPartMessage(device, part, kXgPartMode, value)});
        }
    }
    return plan;
}

std::vector<EventOutput::AdjustingMessage> EventOutput::planChannel(const OutputDevice& device, int channel) const
{
    std::vector<AdjustingMessage> plan;
    const std::lock_guard lock(device.sendMutex());
    const DeviceMidiState& live = device.liveState;
    const DeviceMidiState& target = device.targetState;
    const MidiModeDefinition& definition = live.definition();
    const int mode = live.mode();
    const auto ch = static_cast<std::uint8_t>(channel);
    const auto event = [&](int kind, int data1, int data2, int data3 = kNoDrumKey) {
        plan.push_back({static_cast<std::uint8_t>(kind | ch), byte(data1), byte(data2), byte(data3), {}});
    };

    // Bank and program of the part that plays the channel.
    const int msbSlot = definition.slotOf(ParamKind::Controller, Cc::BankMsb);
    const int lsbSlot = definition.slotOf(ParamKind::Controller, Cc::BankLsb);
    std::optional<int> msbSent;
    std::optional<int> lsbSent;
    const int partNumber = target.partOfChannel(channel);
    if (partNumber >= 1) {
        const DeviceMidiState::Part& want = *target.part(partNumber);
        const DeviceMidiState::Part& have = *live.part(partNumber);
        if (want.bankMsb != have.bankMsb || want.bankLsb != have.bankLsb || want.program != have.program) {
            if (mode != MidiMode::GM) {
                msbSent = mode == MidiMode::GM2 && target.isRhythmPart(partNumber) ? DeviceMidiState::kGm2DrumBank
                                                                                   : want.bankMsb;
                lsbSent = want.bankLsb;
                if (msbSlot >= 0)
                    event(0xB0, msbSlot, *msbSent);
                if (lsbSlot >= 0)
                    event(0xB0, lsbSlot, *lsbSent);
            }
            event(0xC0, want.program, 0);
        }
    }
    for (int slot = 0; slot < kControllerSlotCount; ++slot) {
        if (!definition.isUsed(ParamKind::Controller, slot) || definition.isCommand(ParamKind::Controller, slot))
            continue;
        // The bank step above has already set the bank controllers it sends.
        int have = live.controllerValue(channel, slot);
        if (slot == msbSlot && msbSent)
            have = *msbSent;
        else if (slot == lsbSlot && lsbSent)
            have = *lsbSent;
        const int value = target.controllerValue(channel, slot);
        if (value != have)
            event(0xB0, slot, value);
    }
    for (int slot = 0; slot < kNrpnSlotCount; ++slot) {
        if (slot == kNrpnLockInSlot || !definition.isUsed(ParamKind::Nrpn, slot))
            continue;
        const int value = target.nrpnValue(channel, slot);
        if (value != live.nrpnValue(channel, slot))
            event(EventKind::Nrpn, slot, value);
    }
    for (int slot = 0; slot < kRpnSlotCount; ++slot) {
        if (slot == kRpnLockInSlot || !definition.isUsed(ParamKind::Rpn, slot))
            continue;
        const int value = target.rpnValue(channel, slot);
        if (value != live.rpnValue(channel, slot))
            event(EventKind::Rpn, slot, value);
    }
    if (target.channelPressure(channel) != live.channelPressure(channel))
        event(0xD0, target.channelPressure(channel), 0);
    if (mode != MidiMode::GM)
        for (int key = 0; key < DeviceMidiState::kKeys; ++key)
            if (target.polyKeyValue(channel, key) != live.polyKeyValue(channel, key))
                event(0xA0, key, target.polyKeyValue(channel, key));
    if (target.pitchBendLsb(channel) != live.pitchBendLsb(channel) ||
        target.pitchBendMsb(channel) != live.pitchBendMsb(channel))
        event(0xE0, target.pitchBendLsb(channel), target.pitchBendMsb(channel));
    return plan;
}

std::vector<EventOutput::AdjustingMessage> EventOutput::planDrumMaps(const OutputDevice& device) const
{
    std::vector<AdjustingMessage> plan;
    const std::lock_guard lock(device.sendMutex());
    const DeviceMidiState& live = device.liveState;
    const DeviceMidiState& target = device.targetState;
    const MidiModeDefinition& definition = live.definition();
    for (int map = 0; map < std::min(live.drumMapCount(), target.drumMapCount()); ++map) {
        if (!definition.isDrumMapEditable(map))
            continue;
        // A drum NRPN reaches a map through a channel whose part plays from it; a map no
        // part plays from is heard nowhere and left alone.
        int channel = -1;
        for (int part = 1; part <= DeviceMidiState::kParts && channel < 0; ++part)
            if (live.drumMapOfPart(part) == map)
                channel = live.part(part)->midiChannel;
        if (channel < 0)
            continue;
        for (int key = 0; key < DeviceMidiState::kKeys; ++key)
            for (int slot = 0; slot < kDrumNrpnSlotCount; ++slot) {
                if (!definition.isUsed(ParamKind::DrumNrpn, slot))
                    continue;
                const int value = target.drumNrpnValue(map, key, slot);
                if (value != live.drumNrpnValue(map, key, slot))
                    plan.push_back({static_cast<std::uint8_t>(EventKind::DrumNrpn | channel),
                                    byte(slot),
                                    byte(value),
                                    byte(key),
                                    {}});
            }
    }
    return plan;
}

void EventOutput::sendAdjusting(OutputDevice& device, const std::vector<AdjustingMessage>& messages)
{
    SendOptions options;
    options.fromPlayThread = true;
    for (const AdjustingMessage& message : messages) {
        if (message.status == kSysexStart)
            sendSysex(device, message.sysex, options);
        else
            sendEvent(device, message.status, message.data1, message.data2, message.data3, options);
        waitAfterAdjusting();
    }
}

// ---------------------------------------------------------------- states

DeviceMidiState EventOutput::copyLiveState(const OutputDevice& device) const
{
    const std::lock_guard lock(device.sendMutex());
    return device.liveState;
}

DeviceMidiState EventOutput::copyTargetState(const OutputDevice& device) const
{
    const std::lock_guard lock(device.sendMutex());
    return device.targetState;
}

ChannelView EventOutput::channelView(const OutputDevice& device, int channel) const
{
    ChannelView view;
    if (channel < 0 || channel >= DeviceMidiState::kChannels)
        return view;
    const std::lock_guard lock(device.sendMutex());
    const DeviceMidiState& state = device.liveState;
    const MidiModeDefinition& definition = state.definition();
    view.mainVolumeSlot = definition.slotOf(ParamKind::Controller, 7);
    view.mainVolume = state.controllerValue(channel, view.mainVolumeSlot);
    view.pitchBend = state.pitchBend(channel) + 8192;
    view.bendSensitivitySlot = definition.slotOf(ParamKind::Rpn, 0);
    view.bendSensitivity = state.rpnValue(channel, view.bendSensitivitySlot);
    if (const DeviceMidiState::Part* part = state.part(state.partOfChannel(channel)))
        view.program = part->program;
    return view;
}

void EventOutput::copyLiveToTarget(OutputDevice& device) const
{
    const std::lock_guard lock(device.sendMutex());
    device.targetState = device.liveState;
}

} // namespace velisto
