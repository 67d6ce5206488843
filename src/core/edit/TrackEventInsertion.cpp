#include "edit/TrackEventInsertion.h"

#include "app/CommandIds.h"
#include "app/UiNotifier.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/MidiModeDefinition.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <vector>

namespace velisto {

namespace {

std::uint8_t sevenBits(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 127)); }

MidiEvent controllerEvent(std::int32_t tick, int channel, int controllerNumber, int value)
{
    return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(EventKind::Controller | (channel & 0x0F)),
                                   static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, controllerNumber)),
                                   sevenBits(value));
}

std::optional<InsertOutcome> refusal(const TrackEventTarget& target, int track)
{
    if (target.devices.runActive())
        return InsertOutcome::RunExists;
    if (track < 0 || track >= kTrackCount)
        return InsertOutcome::NoTrack;
    return std::nullopt;
}

// The undo step, the events in order at their tick, the send and what follows it.
InsertOutcome insertAndSend(const TrackEventTarget& target, int track, std::string_view undoName,
                            const std::vector<MidiEvent>& events)
{
    target.undo.record(target.song, undoName, target.prompt);
    Track& t = target.song.tracks[static_cast<std::size_t>(track)];
    std::int32_t from = 0;
    for (const MidiEvent& event : events)
        from = t.insertSorted(event, from);

    if (target.devices.validIndex(t.device)) {
        OutputDevice& device = target.devices.device(t.device);
        for (const MidiEvent& event : events)
            if (event.isChannelEvent())
                target.output.sendEvent(device, event.status, event.data1, event.data2, event.data3);
        target.devices.rebuildProgramIndex(t.device, target.song);
    }
    target.notifier.post(kSongModifiedMessage, 0, 0);
    return InsertOutcome::Inserted;
}

} // namespace

InsertOutcome insertProgramSelection(const TrackEventTarget& target, int track, int cursorMeasure, int bankMsb,
                                     int bankLsb, int program)
{
    if (const auto refused = refusal(target, track))
        return *refused;
    const int channel = target.song.tracks[static_cast<std::size_t>(track)].channel;
    const std::int32_t tick = measureStart(target.song, std::max(cursorMeasure, 0));
    const std::vector<MidiEvent> events{
        controllerEvent(tick, channel, Cc::BankMsb, bankMsb),
        controllerEvent(tick, channel, Cc::BankLsb, bankLsb),
        MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(EventKind::ProgramChange | (channel & 0x0F)),
                                sevenBits(program), 0),
    };
    return insertAndSend(target, track, kInsertProgramUndoName, events);
}

InsertOutcome insertMainVolume(const TrackEventTarget& target, int track, int cursorMeasure, int volume)
{
    if (const auto refused = refusal(target, track))
        return *refused;
    const int channel = target.song.tracks[static_cast<std::size_t>(track)].channel;
    const std::int32_t tick = measureStart(target.song, std::max(cursorMeasure, 0));
    return insertAndSend(target, track, kInsertVolumeUndoName, {controllerEvent(tick, channel, Cc::Volume, volume)});
}

InsertOutcome insertDeviceNameEvent(const TrackEventTarget& target, int track)
{
    if (const auto refused = refusal(target, track))
        return *refused;
    Track& t = target.song.tracks[static_cast<std::size_t>(track)];
    const std::string name = target.devices.validIndex(t.device) ? target.devices.device(t.device).name : std::string();
    target.undo.record(target.song, kInsertDeviceNameUndoName, target.prompt);
    // Ahead of everything at the start, so that a reader assigns the track before any of
    // its events is sent.
    t.insertAt(0, MidiEvent::textEvent(0, EventKind::DeviceName, name));
    target.devices.rebuildProgramIndex(t.device, target.song);
    target.notifier.post(kSongModifiedMessage, 0, 0);
    return InsertOutcome::Inserted;
}

} // namespace velisto
