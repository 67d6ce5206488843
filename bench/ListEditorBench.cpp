// The list editor's cell texts: what one repaint computes. A 100,000-event track of mixed
// kinds (5% system exclusive) on a GS device with its program index built; each
// iteration computes all columns of 60 rows, decoding the sysex rows as a first paint
// does. "page": 60 consecutive rows from a random place (a scrolled window); "scattered":
// 60 rows each at its own random place. Reports rows per second; the time per iteration
// is the cost of one repaint (budget: well inside a 16 ms frame).

#include "listeditor/ListEditorCells.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"
#include "midi/TrackMode.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace velisto;

constexpr int kEvents = 100'000;
constexpr int kRows = 60;
constexpr int kTrack = 1;
constexpr int kDevice = 2;

const std::vector<std::vector<std::uint8_t>> kSysex = {
    {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},       // GS reset
    {0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x00, 0x08, 0x19, 0x0E, 0xF7}, // tone number
    {0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7},       // reverb macro
    {0x43, 0x10, 0x4C, 0x08, 0x09, 0x07, 0x02, 0xF7},                   // XG part mode
    {0x7E, 0x7F, 0x09, 0x03, 0xF7},                                     // GM2 on
};

MidiEvent eventNumber(int i, std::mt19937& random)
{
    const auto tick = static_cast<std::int32_t>(i * 12);
    const int channel = static_cast<int>(random() % 16);
    if (i % 20 == 7)
        return MidiEvent::sysexEvent(tick, kSysex[static_cast<std::size_t>(i / 20) % kSysex.size()]);
    switch (random() % 8) {
    case 0:
        return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xB0 | channel),
                                       static_cast<std::uint8_t>(random() % kControllerSlotCount),
                                       static_cast<std::uint8_t>(random() % 128));
    case 1:
        return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xE0 | channel),
                                       static_cast<std::uint8_t>(random() % 128),
                                       static_cast<std::uint8_t>(random() % 128));
    case 2:
        return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xC0 | channel),
                                       static_cast<std::uint8_t>(random() % 128), 0);
    case 3:
        return MidiEvent::textEvent(tick, EventKind::Lyric, "la la");
    case 4:
        return MidiEvent::drumNrpn(tick, 9, static_cast<int>(random() % kDrumNrpnSlotCount),
                                   static_cast<int>(35 + random() % 40), static_cast<int>(random() % 128));
    default:
        return MidiEvent::note(tick, channel, static_cast<int>(random() % 128), static_cast<int>(1 + random() % 127),
                               60);
    }
}

struct Fixture {
    Fixture()
    {
        std::mt19937 random(19);
        Track& track = song->tracks[kTrack];
        track.device = kDevice;
        track.reserve(kEvents);
        for (int i = 0; i < kEvents; ++i)
            track.append(eventNumber(i, random));
        song->setKey(kEvents * 6, -3, 0);
        device.gsSupported = true;
        device.powerOnMode = MidiMode::GS;
        device.liveState.setMode(MidiMode::GS);
        rebuildProgramIndex(device, *song, kDevice);
    }

    std::unique_ptr<Song> song = std::make_unique<Song>();
    OutputDevice device{kDevice, "bench synth"};
    SysexDecoder decoder{&device};
};

Fixture& fixture()
{
    static Fixture shared;
    return shared;
}

void paintRows(benchmark::State& state, bool scattered)
{
    Fixture& f = fixture();
    std::mt19937 random(7);
    for (auto _ : state) {
        const ListEditorContext context = listEditorContext(*f.song, kTrack, &f.device, f.decoder);
        const int start = static_cast<int>(random() % (kEvents - kRows));
        std::size_t characters = 0;
        for (int i = 0; i < kRows; ++i) {
            const int row = scattered ? static_cast<int>(random() % kEvents) : start + i;
            const DecodedRow decoded = decodeRow(context, row);
            for (int column = 0; column < kListColumnCount; ++column)
                characters += cellText(context, row, listColumnAt(column), decoded).size();
        }
        benchmark::DoNotOptimize(characters);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRows);
}

void cellTextsOfAPage(benchmark::State& state) { paintRows(state, false); }
void cellTextsOfScatteredRows(benchmark::State& state) { paintRows(state, true); }

} // namespace

BENCHMARK(cellTextsOfAPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(cellTextsOfScatteredRows)->Unit(benchmark::kMicrosecond);
