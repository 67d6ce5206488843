#include "listeditor/ListEditorContext.h"

#include "midi/OutputDevice.h"
#include "song/Song.h"

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

const MidiEvent* listEditorEvent(const ListEditorContext& context, int row)
{
    if (context.track < 0 || context.track >= kTrackCount)
        return nullptr;
    const Track& track = context.song.tracks[static_cast<std::size_t>(context.track)];
    return row >= 0 && row <= track.lastIndex() ? &track.event(row) : nullptr;
}

} // namespace velisto
