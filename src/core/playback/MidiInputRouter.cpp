#include "playback/MidiInputRouter.h"

#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/MidiModeDefinition.h"
#include "playback/OutputMonitor.h"
#include "song/MidiEvent.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <string>

namespace velisto {

namespace {

constexpr int kSemitonesPerOctave = 12;
constexpr int kHighestKey = 127;
constexpr int kHighestChannel = 15;

// "B0 03 40": the message as it arrived, incoming channel included.
std::string messageBytes(const MidiInMessage& message)
{
    std::string text = hexByte(message.status) + hexByte(message.data1) + hexByte(message.data2);
    text.pop_back(); // hexByte ends with a blank
    return text;
}

int shifted(int key, bool shift, int octaves)
{
    const long long moved =
        shift ? static_cast<long long>(key) + static_cast<long long>(octaves) * kSemitonesPerOctave : key;
    return static_cast<int>(std::clamp<long long>(moved, 0, kHighestKey));
}

} // namespace

InputRouting InputRouting::of(const GeneralSettings& general)
{
    InputRouting routing;
    routing.midithru = general.midithru;
    routing.routeyn = general.routeyn;
    routing.splitkey = general.splitkey;
    routing.splitchannel = general.splitchannel;
    routing.shiftfrontyn = general.shiftfrontyn;
    routing.shiftfrontoct = general.shiftfrontoct;
    routing.shiftbeyondyn = general.shiftbeyondyn;
    routing.shiftbeyondoct = general.shiftbeyondoct;
    return routing;
}

RoutedNote routeNote(const InputRouting& routing, int trackChannel, int key)
{
    if (!routing.routeyn)
        return {trackChannel, std::clamp(key, 0, kHighestKey)};
    if (key < routing.splitkey)
        return {trackChannel, shifted(key, routing.shiftfrontyn, routing.shiftfrontoct)};
    // A stored setting outside 0..15 must not address another status nibble.
    return {std::clamp(routing.splitchannel, 0, kHighestChannel),
            shifted(key, routing.shiftbeyondyn, routing.shiftbeyondoct)};
}

std::optional<int> inputControllerSlot(int controllerNumber)
{
    if (controllerNumber < 0 || controllerNumber > 0x7F)
        return std::nullopt;
    const int slot = slotForSong(ParamKind::Controller, controllerNumber);
    if (slot < 0)
        return std::nullopt;
    return slot;
}

MidiInputRouter::MidiInputRouter(const Song& song, DeviceTable& devices, EventOutput& output, OutputMonitor& monitor)
    : song_(song), devices_(devices), output_(output), monitor_(monitor)
{
}

void MidiInputRouter::setRouting(const InputRouting& routing)
{
    const std::lock_guard lock(mutex_);
    routing_ = routing;
}

InputRouting MidiInputRouter::routing() const
{
    const std::lock_guard lock(mutex_);
    return routing_;
}

void MidiInputRouter::onMessage(const MidiInMessage& message)
{
    const std::lock_guard lock(mutex_);
    if (message.status >= 0xF0)
        return;
    // A data byte above 7F is no MIDI; the port filters it, but the router must not turn
    // it into a clamped key or a slot index.
    if (message.data1 > 0x7F || message.data2 > 0x7F)
        return;

    const int recordTarget = recordTrack();
    const bool recording = recordTarget >= 0;
    const int target = recording ? recordTarget : currentTrack_.load(std::memory_order_relaxed);
    if (target < 0 || target >= kTrackCount)
        return;
    const Track& track = song_.tracks[static_cast<std::size_t>(target)];
    if (!devices_.validIndex(track.device))
        return;
    OutputDevice& device = devices_.device(track.device);
    int channel = std::clamp(static_cast<int>(track.channel), 0, kHighestChannel);

    auto kind = static_cast<std::uint8_t>(message.status & 0xF0);
    int data1 = message.data1;
    int data2 = message.data2;
    if (kind < 0x80) {
        monitor_.addLineWith(-1, [&] {
            return "Incomming MIDI event: " + messageBytes(message) + " undefined MIDI status-byte, event skipped";
        });
        return;
    }

    switch (kind) {
    case 0xB0: {
        const std::optional<int> slot = inputControllerSlot(data1);
        if (!slot) {
            monitor_.addLineWith(-1, [&] {
                return "Incomming MIDI event: " + messageBytes(message) +
                       " MIDI controller not supported by any MIDI standard, event skipped";
            });
            return;
        }
        data1 = *slot;
        break;
    }
    case 0x80:
        kind = EventKind::Note;
        data2 = 0;
        break;
    default:
        break;
    }

    if (kind == EventKind::Note && routing_.routeyn) {
        const RoutedNote routed = routeNote(routing_, channel, data1);
        channel = routed.channel;
        data1 = routed.key;
    }

    SendOptions options;
    options.record = recording;
    options.send = routing_.midithru;
    options.tick = -1;
    options.fromPlayThread = false;
    options.track = target;
    output_.sendEvent(device, static_cast<std::uint8_t>(kind | channel), static_cast<std::uint8_t>(data1),
                      static_cast<std::uint8_t>(data2), kNoDrumKey, options);
}

void MidiInputRouter::waitForCallback()
{
    // A message being handled holds the mutex until it returns.
    const std::lock_guard lock(mutex_);
}

} // namespace velisto
