#pragma once
// What follows reading a MIDI file once the song is in memory and the devices exist: the
// tracks go to the devices their device-name events name, the song-text track and kind
// are checked against the karaoke settings, open devices that no track with events uses
// are offered for closing, and the devices are checked for the MIDI standards the song
// uses.
// Thread contract: user-interface thread (it changes the song, the devices and the settings).

#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

#include <functional>
#include <optional>
#include <string_view>

namespace velisto {

inline constexpr std::string_view kDeviceNameEventTitle = "META event Devicename";
inline constexpr std::string_view kSongTextTitle = "Song text events";
inline constexpr std::string_view kMidiStandardMismatchTitle = "MIDI Standard mismatch";

// The device name dialog for one track (0..255): the device the user picks, or nullopt to
// leave the track where it is. velisto-cli and tests answer without a dialog.
using ChooseDevice = std::function<std::optional<int>(int track)>;

// Each track whose first device-name event has a text goes to the device of that name, or
// to the device the mapping names; otherwise the user is told and chooses. A device that
// fails to open is reported and the choice offered again.
void assignDevicesByNameEvents(Song& song, DeviceTable& devices, const std::vector<DeviceNameMapEntry>& map,
                               UserPrompt& prompt, const ChooseDevice& choose);

// With the karaoke window on: when one track holds more than 40 text or lyric events,
// offers to make it the song-text track and to match "song text event is text instead of
// lyric" to the kind it uses. Yes changes the settings.
void checkSongTextEvents(const LoadResult& loaded, KaraokeSettings& karaoke, UserPrompt& prompt);

// With more than one device open: offers to close each open device that no track with
// events uses. Cancel stops asking; the last open device is never offered.
void offerClosingUnusedDevices(Song& song, DeviceTable& devices, UserPrompt& prompt);

// Warns for each device that tracks with events use whose track mode (GS, XG or GM2) the
// device's parameters do not support.
void warnMidiStandardMismatch(const Song& song, const DeviceTable& devices, UserPrompt& prompt);

// The steps above in their order, after a load that was not silent (a silent reload
// restores a state the user has already seen, so it asks nothing and moves nothing).
// Unused devices are offered only when the file named a device.
void runPostLoadSteps(Song& song, DeviceTable& devices, Settings& settings, const LoadResult& loaded,
                      UserPrompt& prompt, const ChooseDevice& choose);

} // namespace velisto
