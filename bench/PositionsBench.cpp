// Position and time conversions under long master lists: 100 meter changes and 100 tempo
// changes, queried at ticks spread over the whole song.

#include "song/Positions.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using velisto::Song;

constexpr int kQueries = 4096;
// Tempo and meter changes of a busy song.
constexpr int kMasterEntries = 100;

const Song& busySong()
{
    static const Song song = [] {
        Song s;
        s.ppq = 480;
        s.meterList.clear();
        s.tempoList.clear();
        for (int i = 0; i < kMasterEntries; ++i) {
            s.meterList.push_back(velisto::MeterEntry{2 + i % 6, 1 << (1 + i % 5), 4 * i});
            s.tempoList.push_back(velisto::TempoEntry{60.531 + (i * 37) % 140, 960 * i});
        }
        return s;
    }();
    return song;
}

// Ticks from before the start to beyond the last change, in an order the caches cannot
// predict.
const std::vector<std::int32_t>& queryTicks()
{
    static const std::vector<std::int32_t> ticks = [] {
        const std::int32_t span = velisto::measureStart(busySong(), 420);
        std::vector<std::int32_t> v;
        std::uint32_t state = 12345;
        for (int i = 0; i < kQueries; ++i) {
            state = state * 1664525U + 1013904223U;
            v.push_back(static_cast<std::int32_t>(state % static_cast<std::uint32_t>(span)) - 100);
        }
        return v;
    }();
    return ticks;
}

void BM_TickToPosition(benchmark::State& state)
{
    const Song& song = busySong();
    const auto& ticks = queryTicks();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velisto::tickToPosition(song, ticks[i]));
        i = (i + 1) % ticks.size();
    }
}
BENCHMARK(BM_TickToPosition);

void BM_PositionText(benchmark::State& state)
{
    const Song& song = busySong();
    const auto& ticks = queryTicks();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velisto::positionText(song, ticks[i]));
        i = (i + 1) % ticks.size();
    }
}
BENCHMARK(BM_PositionText);

void BM_PositionToTick(benchmark::State& state)
{
    const Song& song = busySong();
    std::vector<velisto::Position> positions;
    for (const std::int32_t tick : queryTicks())
        positions.push_back(velisto::tickToPosition(song, tick < 0 ? 0 : tick));
    std::size_t i = 0;
    for (auto _ : state) {
        const velisto::Position& p = positions[i];
        benchmark::DoNotOptimize(velisto::positionToTick(song, p.measure, p.beat, p.tick));
        i = (i + 1) % positions.size();
    }
}
BENCHMARK(BM_PositionToTick);

void BM_TickToMilliseconds(benchmark::State& state)
{
    const Song& song = busySong();
    const auto& ticks = queryTicks();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velisto::tickToMilliseconds(song, ticks[i]));
        i = (i + 1) % ticks.size();
    }
}
BENCHMARK(BM_TickToMilliseconds);

void BM_MillisecondsToTick(benchmark::State& state)
{
    const Song& song = busySong();
    std::vector<double> times;
    for (const std::int32_t tick : queryTicks())
        times.push_back(velisto::tickToMilliseconds(song, tick) + 0.25);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velisto::millisecondsToTick(song, times[i]));
        i = (i + 1) % times.size();
    }
}
BENCHMARK(BM_MillisecondsToTick);

} // namespace
