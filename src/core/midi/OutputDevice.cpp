#include "midi/OutputDevice.h"

#include <utility>

namespace velisto {

OutputDevice::OutputDevice(std::uint32_t tableIndex, std::string deviceName, std::uint32_t port)
    : portId(port), index(tableIndex), name(std::move(deviceName))
{
    lastRpnNrpnKind.fill(RpnNrpnKind::None);
    lastRpnNrpnSlot.fill(-1);
    lastDrumNrpnKey.fill(-1);
}

void OutputDevice::resetSendingState()
{
    lastRpnNrpnKind.fill(RpnNrpnKind::None);
    lastRpnNrpnSlot.fill(-1);
    lastDrumNrpnKey.fill(-1);
    runningStatus = kNoRunningStatus;
    trackMode = MidiMode::GM;
    lastXgVariationType = -1;
    // A stored mode outside 0..3 is refused by setMode; the receiver then starts in GM.
    if (!liveState.setMode(powerOnMode))
        liveState.setMode(MidiMode::GM);
    liveState.reset(ResetKind::MidiMode);
}

} // namespace velisto
