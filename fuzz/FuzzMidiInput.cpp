// libFuzzer target: any bytes arriving at the MIDI input port, through the input filter and
// the router (split, shifts, controller translation, re-addressing) to a receiver and into
// a record buffer. Beyond not crashing, nothing malformed may reach the output port, and
// every recorded note keeps a length of at least one tick.
//
// Input: bytes 0-7 set the routing (split on/off and key, split channel, shifts, thru) and
// byte 8 the track's channel, all taken as they come (out-of-range settings included);
// then messages, each a length byte (1..3, low two bits) and that many bytes.

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/EventRecorder.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/RecordBuffer.h"
#include "song/Song.h"
#include "song/Track.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace velisto;

void require(bool holds)
{
    if (!holds)
        std::abort();
}

class BufferRecorder : public EventRecorder {
public:
    RecordBuffer buffer;
    std::int32_t tick = 0;
    void recordEvent(int, std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint8_t data3) override
    {
        buffer.recordEvent(status, data1, data2, data3, {tick++, 0, false});
    }
    void recordSysex(int, std::span<const std::uint8_t> stored) override
    {
        buffer.recordSysex(stored, {tick, 0, false});
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9)
        return 0;
    LoopbackMidiPortSystem ports({"Synth"}, {"Keys"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    if (!table.open(DeviceTable::kFirstPortIndex).empty())
        std::abort();
    Song song;
    song.clear(DeviceTable::kFirstPortIndex);
    song.tracks[0].channel = data[8] & 0x0F;
    song.tracks[1].channel = (data[8] >> 4) & 0x0F;
    OutputMonitor monitor(&song);
    monitor.open();
    EventOutput output(monitor, [](std::chrono::milliseconds) {});
    BufferRecorder recorder;
    output.setRecorder(&recorder);

    MidiInputRouter router(song, table, output, monitor);
    InputRouting routing;
    routing.routeyn = data[0] & 1;
    routing.shiftfrontyn = data[0] & 2;
    routing.shiftbeyondyn = data[0] & 4;
    routing.midithru = !(data[0] & 8);
    routing.splitkey = data[1];
    routing.splitchannel = static_cast<std::int8_t>(data[2]);
    routing.shiftfrontoct = static_cast<std::int8_t>(data[3]);
    routing.shiftbeyondoct = static_cast<std::int8_t>(data[4]) * 1000; // far out of range too
    router.setRouting(routing);
    const auto record = ports.record(0);
    record->clear();

    std::size_t at = 9;
    while (at < size) {
        const std::size_t length = 1 + (data[at] & 3) % 3;
        ++at;
        if (at + length > size)
            break;
        router.setRecordTrack((data[at - 1] & 4) ? 1 : -1);
        router.setCurrentTrack(0);
        if (const auto message = shortInputMessage(std::span(data + at, length), 0.0))
            router.onMessage(*message);
        at += length;
    }
    require(record->refusedCount() == 0);

    const Recording recording = recorder.buffer.close();
    for (const MidiEvent& event : recording.events) {
        require(event.status >= 0x80 && event.status <= 0xEF);
        if (event.kind() == EventKind::Note)
            require(event.length >= 1);
    }
    Track track;
    require(mergeRecording(track, recording.events) == static_cast<int>(recording.events.size()));
    for (std::int32_t i = 1; i <= track.lastIndex(); ++i)
        require(track.event(i - 1).tick <= track.event(i).tick);
    return 0;
}
