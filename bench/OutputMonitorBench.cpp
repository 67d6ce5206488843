// What the output monitor costs while sending: 100,000 events (notes, controllers and RPNs
// of a playing song) through a port with running status, with the monitor closed and open.
// Closed, sending must cost no more than the interpreter and the port.

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/OutputMonitor.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>

namespace {

using namespace velisto;

constexpr int kEvents = 100000;

void sendSong(benchmark::State& state, bool monitorOpen)
{
    LoopbackMidiPortSystem ports({"Synth"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    const auto song = std::make_unique<Song>();
    OutputMonitor monitor(song.get());
    EventOutput output(monitor, [](std::chrono::milliseconds) {});
    table.open(2);
    OutputDevice& device = table.device(2);
    device.useRunningStatus = true;
    const auto record = ports.record(0);
    const auto volume = static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 7));
    const auto bendRange = static_cast<std::uint8_t>(slotForSong(ParamKind::Rpn, 0));

    for (auto _ : state) {
        if (monitorOpen)
            monitor.open();
        for (int i = 0; i < kEvents; ++i) {
            SendOptions options;
            options.tick = i;
            options.fromPlayThread = true;
            const auto channel = static_cast<std::uint8_t>(i % 16);
            const auto value = static_cast<std::uint8_t>(i % 128);
            switch (i % 4) {
            case 0:
            case 1:
                output.sendEvent(device, 0x90 | channel, static_cast<std::uint8_t>(36 + i % 60), value, kNoDrumKey,
                                 options);
                break;
            case 2:
                output.sendEvent(device, 0xB0 | channel, volume, value, kNoDrumKey, options);
                break;
            default:
                output.sendEvent(device, 0x60 | channel, bendRange, static_cast<std::uint8_t>(i % 24), kNoDrumKey,
                                 options);
                break;
            }
        }
        state.PauseTiming();
        monitor.close();
        record->clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_SendEventsMonitorClosed(benchmark::State& state) { sendSong(state, false); }
void BM_SendEventsMonitorOpen(benchmark::State& state) { sendSong(state, true); }

BENCHMARK(BM_SendEventsMonitorClosed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendEventsMonitorOpen)->Unit(benchmark::kMillisecond);

} // namespace
