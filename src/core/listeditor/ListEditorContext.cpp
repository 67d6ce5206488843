#include "listeditor/ListEditorContext.h"

#include "midi/OutputDevice.h"

#include <mutex>

namespace velisto {

ListEditorContext listEditorContext(const Song& song, int track, const OutputDevice* device,
                                    const SysexDecoder& decoder)
{
    ListEditorContext context{song, track, device, decoder};
    if (device) {
        const std::lock_guard lock(device->sendMutex());
        context.receiverMode = device->liveState.mode();
        context.lastXgVariationType = device->lastXgVariationType;
        context.trackMode = device->trackMode;
        context.programs = &device->programIndex;
    }
    return context;
}

} // namespace velisto
