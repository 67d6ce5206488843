#pragma once
// The events the track row's dialogs write into a track and send at once: the bank and
// program that select an instrument, the main volume, and the device-name meta event.
// Each writes its undo step, stores the events (channel events at the first tick of the
// cursor measure, the device name at the track's start), sends the channel events to the
// track's device, rebuilds that device's program index and reports the song as modified.
// All refuse while a run exists: the run plays the track and sends to the same device.
//
// Thread contract: user-interface thread only.

#include <cstdint>
#include <string_view>

namespace velisto {

class DeviceTable;
class EventOutput;
class Song;
class UiNotifier;
class UndoStack;
class UserPrompt;

inline constexpr std::string_view kInsertProgramUndoName = "Insert program/bank message";
inline constexpr std::string_view kInsertVolumeUndoName = "Insert Main volume controller";
inline constexpr std::string_view kInsertDeviceNameUndoName = "Insert META event devicename";

enum class InsertOutcome { Inserted, RunExists, NoTrack };

// Everything an insertion touches; all must outlive the call.
struct TrackEventTarget {
    Song& song;
    UndoStack& undo;
    DeviceTable& devices;
    EventOutput& output;
    UserPrompt& prompt;
    UiNotifier& notifier;
};

// Bank select MSB and LSB, then the program change, on the track's channel. Values 0..127.
InsertOutcome insertProgramSelection(const TrackEventTarget& target, int track, int cursorMeasure, int bankMsb,
                                     int bankLsb, int program);
// Controller 7 on the track's channel, value 0..127.
InsertOutcome insertMainVolume(const TrackEventTarget& target, int track, int cursorMeasure, int volume);
// A device-name meta event with the name of the track's device, at tick 0 before the
// track's other events there. Nothing is sent.
InsertOutcome insertDeviceNameEvent(const TrackEventTarget& target, int track);

} // namespace velisto
