// Decoding a mixed stream of one million stored system exclusive messages, the work the
// list editor and the interpreter do for every sysex event of a song: universal, GS and
// XG messages, Global Parameter Control translated through a device's slot paths, and a
// few defective ones. Reports messages per second (items_per_second).

#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace velisto;

constexpr std::size_t kMessages = 1'000'000;

const std::vector<std::vector<std::uint8_t>>& kinds()
{
    static const std::vector<std::vector<std::uint8_t>> messages = {
        {0x7E, 0x7F, 0x09, 0x01, 0xF7},                                                       // GM on
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},                         // GS reset
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x02, 0x09, 0x25, 0xF7},                         // part 10 channel
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x00, 0x08, 0x19, 0x0E, 0xF7},                   // tone number
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7},                         // use for rhythm
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7},                         // reverb macro
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x21, 0x11, 0x7F, 0x0F, 0xF7},                         // controller matrix
        {0x41, 0x10, 0x42, 0x12, 0x41, 0x01, 0x24, 0x30, 0x6A, 0xF7},                         // drum setup
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x42, 0xF7},                         // wrong checksum
        {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},                                     // XG on
        {0x43, 0x10, 0x4C, 0x08, 0x02, 0x04, 0x7F, 0xF7},                                     // XG part channel off
        {0x43, 0x10, 0x4C, 0x08, 0x09, 0x07, 0x02, 0xF7},                                     // XG part mode
        {0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x00, 0xF7},                               // XG reverb type
        {0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x05, 0x00, 0xF7},                               // XG variation type
        {0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x1A, 0x05, 0xF7},                               // XG variation parameter
        {0x7F, 0x7F, 0x04, 0x05, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x04, 0x01, 0x40, 0xF7}, // GPC reverb
        {0x7F, 0x7F, 0x0A, 0x01, 0x09, 0x24, 0x0A, 0x20, 0x5B, 0x00, 0xF7},                   // key-based
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04, 0x64, 0x00, 0x58, 0xF7},                   // one byte long
        {0x44, 0x10, 0x20, 0xF7},                                                             // not matched
    };
    return messages;
}

void decodeMixedStream(benchmark::State& state)
{
    std::vector<const std::vector<std::uint8_t>*> stream;
    stream.reserve(kMessages);
    for (std::size_t i = 0; i < kMessages; ++i)
        stream.push_back(&kinds()[(i * 7) % kinds().size()]);

    OutputDevice device(1, "bench");
    device.gm2Supported = true;
    device.slotPaths = defaultSlotPaths();
    const SysexDecoder decoder(&device);

    for (auto _ : state) {
        std::size_t defects = 0;
        for (const std::vector<std::uint8_t>* message : stream) {
            const DecodedSysex decoded = decoder.decode(*message, MidiMode::GS, 5 * 128);
            defects += decoded.hasDefect() ? 1 : 0;
        }
        benchmark::DoNotOptimize(defects);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kMessages));
}

} // namespace

BENCHMARK(decodeMixedStream)->Unit(benchmark::kMillisecond);
