// Offline render ("MIDI to .wav") speed: a dense song holding 32 streamed stereo voices
// through the Internal Sound Generator, rendered to a file. The counter "realtime" is song
// seconds per second of wall time.
#include "sampler/IgrFile.h"
#include "sampler/MidiToWave.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void put16(std::string& b, std::uint32_t v)
{
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// Two seconds of a stereo tone at key 60, looped over its second half.
std::string sampleWave()
{
    constexpr std::uint32_t kFrames = 88200;
    std::string data;
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * i / 100.0));
        put16(data, static_cast<std::uint16_t>(v));
        put16(data, static_cast<std::uint16_t>(v));
    }
    std::string smpl;
    for (std::uint32_t v : {0u, 0u, 22675u, 60u, 0u, 0u, 0u, 1u, 0u, 1u, 0u, kFrames / 2, kFrames, 0u, 0u})
        put32(smpl, v);
    std::string fmt;
    put16(fmt, 1);
    put16(fmt, 2);
    put32(fmt, 44100);
    put32(fmt, 44100 * 4);
    put16(fmt, 4);
    put16(fmt, 16);
    std::string body = "WAVE";
    for (const auto& [id, chunk] : {std::pair{"fmt ", fmt}, std::pair{"data", data}, std::pair{"smpl", smpl}}) {
        body += id;
        put32(body, static_cast<std::uint32_t>(chunk.size()));
        body += chunk;
    }
    std::string file = "RIFF";
    put32(file, static_cast<std::uint32_t>(body.size()));
    return file + body;
}

struct Group {
    fs::path dir = fs::temp_directory_path() / ("velisto-samplerbench-" + std::to_string(::getpid()));
    Group()
    {
        fs::create_directories(dir);
        std::ofstream(dir / "tone.wav", std::ios::binary) << sampleWave();
        std::string igr(velisto::kIgrMagic);
        igr += "tone.wav;";
        for (int i = 1; i < 2 * velisto::kIgrListCount; ++i)
            igr += ";";
        std::ofstream(dir / "group.igr", std::ios::binary) << igr + ";";
    }
    ~Group() { fs::remove_all(dir); }
};

void BM_RenderDenseSong(benchmark::State& state)
{
    static Group group;
    const double songSeconds = 60.0;
    double rendered = 0;
    double wall = 0;
    for (auto _ : state) {
        // 120 BPM, 96 ticks a quarter: an eighth note every 48 ticks, each lasting 32 eighths,
        // so that 32 voices sound at once after the first 8 s.
        velisto::Song song;
        song.ppq = 96;
        song.clear(0);
        const int notes = static_cast<int>(songSeconds * 4) - 32;
        for (int i = 0; i < notes; ++i)
            song.tracks[0].append(velisto::MidiEvent::note(i * 48, 0, 48 + (i * 7) % 24, 100, 32 * 48));
        velisto::RenderOptions options;
        options.igrPath = (group.dir / "group.igr").string();
        const auto start = std::chrono::steady_clock::now();
        const auto result = velisto::renderSongToWave(song, options, (group.dir / "out.wav").string());
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!result.ok)
            state.SkipWithError(result.error.c_str());
        rendered += static_cast<double>(result.frames) / 44100.0;
    }
    state.counters["realtime"] = rendered / wall;
}
BENCHMARK(BM_RenderDenseSong)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
