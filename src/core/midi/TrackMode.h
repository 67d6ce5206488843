#pragma once
// Which MIDI standard a device's tracks are written for (the device's track mode), and the
// rebuild of the device's program index that finds it on the way.
//
// Counting: sysex messages count for the standard they belong to (GS, XG, GM2's System On
// and key-based controllers); controllers, NRPNs and drum NRPNs count for every standard
// that tracks their slot, except bank selects that name another standard's banks. The mode
// with the highest count wins, earlier modes (GM, GS, XG, GM2) winning ties.
//
// Thread contract: user-interface thread, while no run plays the device (the rebuild uses
// the device's target state as scratch); the play thread's stop sequence after recording.

#include "midi/MidiModeDefinition.h"
#include "song/MidiEvent.h"

#include <array>

namespace velisto {

class OutputDevice;
class Song;
struct DecodedSysex;

class TrackModeCounter {
public:
    // Any stored event; system exclusive messages are decoded here.
    void count(const MidiEvent& event);
    void countSysex(const DecodedSysex& decoded);
    void countController(int slot, int value);
    void countNrpn(int slot);
    void countDrumNrpn(int slot);

    const std::array<int, MidiMode::Count>& counts() const { return counts_; }
    // The winning mode. When GS and XG tie above 0, a device that supports XG but not GS
    // gets XG: such files usually set both up and the device can only follow one.
    int trackMode(bool gsSupported, bool xgSupported) const;

private:
    void countSlot(ParamKind kind, int slot);

    std::array<int, MidiMode::Count> counts_{};
};

// Rebuilds device's program index and track mode from the song's tracks on deviceIndex:
// the target state goes to the power-on mode and is fully reset, then every event of
// those tracks is interpreted into it in playback order (effective tick, then track, then
// event index) with program recording on. The device's supported standards are respected
// except for the placeholder, which stands for no receiver at all. Takes the device's
// sendMutex(); the caller must not hold it.
void rebuildProgramIndex(OutputDevice& device, const Song& song, int deviceIndex);

} // namespace velisto
