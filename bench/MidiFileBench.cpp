// Saving and loading a large song: one million events in 64 tracks, built in memory.
// Items are song events (a note counts once, though it writes a note on and a note off).
// Loading corpus songs as the undo reload does (silent) and as opening does (with the
// report), against a bare walk over the same file's events; items are the file's events.

#include "midi/MidiModeDefinition.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"

#include "core/song/SmfScanTestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace velisto {
namespace {

constexpr int kTracks = 64;
constexpr int kEvents = 1'000'000;

std::unique_ptr<Song> largeSong()
{
    auto song = std::make_unique<Song>();
    song->ppq = 480;
    std::mt19937 rng(2024);
    const auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const int volume = slotForSong(ParamKind::Controller, 7);
    const int vibrato = slotForSong(ParamKind::Nrpn, 0x08);
    for (int i = 1; i < 60; ++i)
        song->setTempo(i * 7680, 90.0 + i);
    for (int t = 0; t < kTracks; ++t) {
        Track& track = song->tracks[static_cast<std::size_t>(t)];
        track.name = std::string("Track ").append(std::to_string(t + 1));
        const int channel = t % 16;
        std::int32_t tick = 0;
        for (int i = 0; i < kEvents / kTracks; ++i) {
            tick += uniform(0, 3) == 0 ? 0 : uniform(1, 60);
            const int kind = uniform(0, 19);
            if (kind < 14)
                track.append(MidiEvent::note(tick, channel, uniform(30, 90), uniform(1, 127), uniform(10, 480)));
            else if (kind < 16)
                track.append(MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xB0 | channel),
                                                     static_cast<std::uint8_t>(volume),
                                                     static_cast<std::uint8_t>(uniform(0, 127))));
            else if (kind < 18)
                track.append(MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xE0 | channel),
                                                     static_cast<std::uint8_t>(uniform(0, 127)),
                                                     static_cast<std::uint8_t>(uniform(0, 127))));
            else if (kind < 19)
                track.append(MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0x50 | channel),
                                                     static_cast<std::uint8_t>(vibrato),
                                                     static_cast<std::uint8_t>(uniform(0, 127))));
            else
                track.append(MidiEvent::textEvent(tick, EventKind::Lyric, "la"));
        }
    }
    return song;
}

const Song& sharedSong()
{
    static const std::unique_ptr<Song> song = largeSong();
    return *song;
}

void BM_EncodeMillionEvents(benchmark::State& state)
{
    const Song& song = sharedSong();
    std::size_t bytes = 0;
    for (auto _ : state) {
        EncodeResult result = MidiFileWriter::encode(song, false);
        bytes = result.bytes.size();
        benchmark::DoNotOptimize(result.bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeMillionEvents)->Unit(benchmark::kMillisecond);

void BM_ReadMillionEvents(benchmark::State& state)
{
    const EncodeResult file = MidiFileWriter::encode(sharedSong(), false);
    if (!file.error.empty()) {
        state.SkipWithError(file.error.c_str());
        return;
    }
    auto song = std::make_unique<Song>();
    for (auto _ : state) {
        LoadResult result = MidiFileReader::read(file.bytes, *song, LoadOptions{.silent = true});
        benchmark::DoNotOptimize(result.ok);
    }
    int loaded = 0;
    for (const Track& track : song->tracks)
        loaded += track.eventCount();
    if (loaded != kEvents)
        state.SkipWithError("the file did not load every event");
    state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_ReadMillionEvents)->Unit(benchmark::kMillisecond);

// 0: the Bartok, whose breath controllers the reader skips (one report entry each);
// 1: planetblupi's music005, where nothing is skipped.
std::vector<std::uint8_t> corpusSong(std::int64_t which)
{
    const std::filesystem::path path =
        std::filesystem::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public" /
        (which == 0 ? "tonejs/bartok__concerto_for_orchestra_1.mid" : "debian-planetblupi/music005.mid");
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int64_t eventCount(const std::vector<std::uint8_t>& file)
{
    std::int64_t events = 0;
    test::scanSmfEvents(file, [&](const test::SmfEvent&) { ++events; }, [](int, std::int64_t) {});
    return events;
}

void BM_ScanCorpusSong(benchmark::State& state)
{
    const auto file = corpusSong(state.range(0));
    std::int64_t events = 0;
    for (auto _ : state) {
        events = 0;
        const bool ok = test::scanSmfEvents(
            file, [&](const test::SmfEvent& event) { events += event.status; }, [](int, std::int64_t) {});
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(events);
    }
    state.SetItemsProcessed(state.iterations() * eventCount(file));
}
BENCHMARK(BM_ScanCorpusSong)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Second argument: 1 silent, 0 with the report.
void BM_LoadCorpusSong(benchmark::State& state)
{
    const auto file = corpusSong(state.range(0));
    const LoadOptions options{.silent = state.range(1) != 0};
    auto song = std::make_unique<Song>();
    std::size_t reportBytes = 0;
    for (auto _ : state) {
        const LoadResult result = MidiFileReader::read(file, *song, options);
        if (!result.ok) {
            state.SkipWithError(result.error.c_str());
            return;
        }
        reportBytes = result.report.size();
    }
    state.SetItemsProcessed(state.iterations() * eventCount(file));
    state.counters["report_bytes"] = static_cast<double>(reportBytes);
}
BENCHMARK(BM_LoadCorpusSong)->Args({0, 1})->Args({0, 0})->Args({1, 1})->Args({1, 0})->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velisto
