// How many voices one core mixes in real time: N looping mono rings of 16384 bytes at
// frequencies between 30000 and 60000, random volume and pan, into 512-frame stereo
// blocks at 44100. voices_rt = N x (audio seconds mixed per second): the sustained voice
// count of one core with nothing else to do.

#include "sampler/SoundMixer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace velisto;

constexpr std::size_t kBlockFrames = 512;
constexpr std::size_t kRingBytes = 16384;

std::vector<std::shared_ptr<SoundBuffer>> makeVoices(int count)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::uint32_t> frequency(30000, 60000);
    std::uniform_int_distribution<int> volume(-3000, 0);
    std::uniform_int_distribution<int> pan(-5000, 5000);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<std::shared_ptr<SoundBuffer>> voices;
    for (int v = 0; v < count; ++v) {
        auto buffer = std::make_shared<SoundBuffer>(SoundBufferFormat{}, kRingBytes);
        SoundBuffer::Region region;
        buffer->lock(0, kRingBytes, region);
        for (std::size_t i = 0; i < kRingBytes; i += 2) {
            const auto value = static_cast<std::int16_t>(sample(random));
            std::memcpy(region.first.data() + i, &value, 2);
        }
        buffer->unlock(region);
        buffer->setFrequency(frequency(random));
        buffer->setVolume(volume(random));
        buffer->setPan(pan(random));
        buffer->play(true);
        voices.push_back(std::move(buffer));
    }
    return voices;
}

void mixVoices(benchmark::State& state, Interpolation interpolation)
{
    const int count = static_cast<int>(state.range(0));
    const auto voices = makeVoices(count);
    SoundMixer mixer(44100);
    mixer.setInterpolation(interpolation);
    for (const auto& voice : voices)
        mixer.add(voice);
    std::vector<float> block(kBlockFrames * 2);
    for (auto _ : state) {
        mixer.render(block);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    const double blockSeconds = static_cast<double>(kBlockFrames) / 44100.0;
    state.counters["rt_factor"] = benchmark::Counter(blockSeconds, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["voices_rt"] =
        benchmark::Counter(blockSeconds * count, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MixLinear(benchmark::State& state) { mixVoices(state, Interpolation::Linear); }
void BM_MixCubic(benchmark::State& state) { mixVoices(state, Interpolation::Cubic); }

BENCHMARK(BM_MixLinear)->Arg(32)->Arg(300);
BENCHMARK(BM_MixCubic)->Arg(32)->Arg(300);

} // namespace
