// Event store throughput: inserting, moving and deleting events in tracks of realistic
// and extreme sizes. Items are events.
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

using velisto::MidiEvent;
using velisto::Song;
using velisto::Track;

constexpr int kMillion = 1'000'000;

MidiEvent noteAt(std::int32_t tick) { return MidiEvent::note(tick, 0, 60, 100, 60); }

void fillTrack(Track& track, int count)
{
    for (int i = 0; i < count; ++i)
        track.append(noteAt(i * 10));
}

// 1 million events over 64 tracks in ascending order, reusing the returned position:
// how the reader, paste and recording insert runs.
void BM_InsertAscendingRunMillion(benchmark::State& state)
{
    for (auto _ : state) {
        auto song = std::make_unique<Song>();
        for (int t = 0; t < 64; ++t) {
            std::int32_t at = 0;
            for (int i = 0; i < kMillion / 64; ++i)
                at = song->tracks[static_cast<std::size_t>(t)].insertSorted(noteAt(i * 5), at);
        }
        benchmark::DoNotOptimize(song->tracks[63].lastIndex());
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_InsertAscendingRunMillion)->Unit(benchmark::kMillisecond);

// One insertion at a random tick into a track of range(0) events (the pen tool, a paste
// into a full track). The track is kept at its size by deleting the event again.
void BM_InsertAtRandomTick(benchmark::State& state)
{
    Track track;
    fillTrack(track, static_cast<int>(state.range(0)));
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> tick(0, static_cast<std::int32_t>(state.range(0)) * 10);
    for (auto _ : state) {
        const auto at = track.insertSorted(noteAt(tick(random)), 0);
        track.erase(at);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertAtRandomTick)->Arg(1000)->Arg(100'000)->Arg(kMillion);

// Moving every event of a 1-million-event song by a small random amount (quantize, move).
void BM_MoveMillionEvents(benchmark::State& state)
{
    auto song = std::make_unique<Song>();
    for (int t = 0; t < 64; ++t)
        fillTrack(song->tracks[static_cast<std::size_t>(t)], kMillion / 64);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int32_t> shift(-30, 30);
    for (auto _ : state) {
        for (int t = 0; t < 64; ++t) {
            Track& track = song->tracks[static_cast<std::size_t>(t)];
            for (std::int32_t i = 0; i < track.eventCount(); ++i)
                track.moveToTick(i, std::max(0, track.event(i).tick + shift(random)));
        }
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_MoveMillionEvents)->Unit(benchmark::kMillisecond);

// Deleting 1 million events one by one over 64 tracks, from the back and from the
// middle of each track.
void BM_DeleteMillionEvents(benchmark::State& state)
{
    const bool fromMiddle = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto song = std::make_unique<Song>();
        const int perTrack = fromMiddle ? 10'000 : kMillion / 64;
        const int tracks = fromMiddle ? 100 : 64;
        for (int t = 0; t < tracks; ++t)
            fillTrack(song->tracks[static_cast<std::size_t>(t)], perTrack);
        state.ResumeTiming();
        for (int t = 0; t < tracks; ++t) {
            Track& track = song->tracks[static_cast<std::size_t>(t)];
            while (!track.empty())
                track.erase(fromMiddle ? track.lastIndex() / 2 : track.lastIndex());
        }
        benchmark::DoNotOptimize(song->tracks[0].capacityIndex());
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_DeleteMillionEvents)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
