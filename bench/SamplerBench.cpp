// Offline render ("MIDI to .wav") speed through the Internal Sound Generator. The counter
// "realtime" is song seconds per second of wall time.
// - BM_RenderDenseSong: a generated song holding 32 streamed stereo voices.
// - BM_RenderSong/BM_FluidSynthSong: the demo song and the densest song of the test corpus
//   through the installed sound library (velisto-cli install-sounds), and FluidSynth
//   rendering the same song from the SoundFont the library was made from, for comparison.
//   Skipped when the library, the corpus or fluidsynth is missing.
#include "app/UserPrompt.h"
#include "sampler/IgrFile.h"
#include "sampler/MidiToWave.h"
#include "sampler/SampleWaveWriter.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"
#include "soundlib/SoundFontInstaller.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kScratch = fs::temp_directory_path() / ("velisto-samplerbench-" + std::to_string(::getpid()));

// Two seconds of a stereo tone at key 60, looped over its second half.
struct Group {
    fs::path dir = kScratch;
    Group()
    {
        fs::create_directories(dir);
        constexpr std::uint32_t kFrames = 88200;
        std::vector<std::int16_t> samples;
        for (std::uint32_t i = 0; i < kFrames; ++i) {
            const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * i / 100.0));
            samples.insert(samples.end(), {v, v});
        }
        velisto::SampleWaveInfo info;
        info.channels = 2;
        info.loop = velisto::SampleLoop{kFrames / 2, kFrames};
        std::string error;
        if (!velisto::writeSampleWave((dir / "tone.wav").string(), samples, info, error))
            std::abort();
        std::string igr(velisto::kIgrMagic);
        igr += "tone.wav;";
        for (int i = 1; i < 2 * velisto::kIgrListCount; ++i)
            igr += ";";
        std::ofstream(dir / "group.igr", std::ios::binary) << igr + ";";
    }
};

void BM_RenderDenseSong(benchmark::State& state)
{
    static Group group;
    double rendered = 0;
    double wall = 0;
    for (auto _ : state) {
        // 120 BPM, 96 ticks a quarter: an eighth note every 48 ticks, each lasting 32 eighths,
        // so that 32 voices sound at once after the first 8 s of a minute.
        velisto::Song song;
        song.ppq = 96;
        song.clear(0);
        for (int i = 0; i < 60 * 4 - 32; ++i)
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

// 0: the demo song; 1: the corpus song with the most notes.
fs::path songPath(std::int64_t which)
{
    if (which == 0)
        return fs::path(VELISTO_RESOURCE_DIR) / "demo/demo.mid";
    return fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public/debian-planetblupi/music005.mid";
}

std::string configuredGroup()
{
    const velisto::QtProfileStore store;
    return store.getString(velisto::kAudioSection, velisto::kIgrPathKey, "");
}

void BM_RenderSong(benchmark::State& state)
{
    const fs::path path = songPath(state.range(0));
    const std::string group = configuredGroup();
    if (group.empty() || !fs::exists(path)) {
        state.SkipWithError("no sound library installed, or no such song");
        return;
    }
    auto song = std::make_unique<velisto::Song>();
    velisto::SilentPrompt prompt;
    if (!velisto::MidiFileReader::load(path, *song, velisto::LoadOptions{}, prompt).ok) {
        state.SkipWithError("song not readable");
        return;
    }
    fs::create_directories(kScratch);
    double rendered = 0;
    for (auto _ : state) {
        velisto::RenderOptions options;
        options.igrPath = group;
        const auto result = velisto::renderSongToWave(*song, options, (kScratch / "song.wav").string());
        if (!result.ok)
            state.SkipWithError(result.error.c_str());
        rendered += static_cast<double>(result.frames) / 44100.0;
    }
    state.counters["song_s"] = rendered / static_cast<double>(state.iterations());
    state.counters["realtime"] = benchmark::Counter(rendered, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderSong)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_FluidSynthSong(benchmark::State& state)
{
    const fs::path path = songPath(state.range(0));
    const std::string soundFont = velisto::systemSoundFont();
    if (std::system("command -v fluidsynth >/dev/null 2>&1") != 0 || soundFont.empty() || !fs::exists(path)) {
        state.SkipWithError("fluidsynth, a SoundFont or the song is missing");
        return;
    }
    fs::create_directories(kScratch);
    const std::string command = "fluidsynth -ni -q -F '" + (kScratch / "fluid.wav").string() + "' -r 44100 '" +
                                soundFont + "' '" + path.string() + "' >/dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("fluidsynth failed");
}
BENCHMARK(BM_FluidSynthSong)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
