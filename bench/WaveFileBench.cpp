// Fast view image throughput: what opening a long wave file without a stored image costs.
// Bytes are the file's sample data.
#include "sampler/WaveFile.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrames = kRate * 60 * 10; // ten minutes
constexpr std::uint32_t kDataBytes = kFrames * 4;  // stereo, 16 bit

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> noise()
{
    std::vector<std::uint8_t> data(kDataBytes);
    std::mt19937 random(3);
    for (auto& byte : data)
        byte = static_cast<std::uint8_t>(random());
    return data;
}

// A ten-minute stereo 16-bit file without a fast view chunk, written once.
const std::string& longFile()
{
    static const std::string path = [] {
        const std::string name =
            (std::filesystem::temp_directory_path() / ("velisto-bench-" + std::to_string(::getpid()) + ".wav"))
                .string();
        std::vector<std::uint8_t> header{'R', 'I', 'F', 'F'};
        put32(header, 36 + kDataBytes);
        for (char c : std::string("WAVEfmt "))
            header.push_back(static_cast<std::uint8_t>(c));
        for (std::uint32_t v : {16u, 0x00020001u, kRate, kRate * 4, 0x00100004u})
            put32(header, v);
        for (char c : std::string("data"))
            header.push_back(static_cast<std::uint8_t>(c));
        put32(header, kDataBytes);
        const auto data = noise();
        std::FILE* file = std::fopen(name.c_str(), "wb");
        std::fwrite(header.data(), 1, header.size(), file);
        std::fwrite(data.data(), 1, data.size(), file);
        std::fclose(file);
        std::atexit([] { std::filesystem::remove(longFile()); });
        return name;
    }();
    return path;
}

// Opening with the image wanted: reading the file block by block and building the image.
void BM_OpenBuildsFastView(benchmark::State& state)
{
    velisto::WaveOpenOptions options;
    options.wantFastView = true;
    for (auto _ : state) {
        velisto::WaveFile wave;
        std::string error;
        if (!wave.open(longFile(), options, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(wave.fastView().left.data());
        wave.close(error);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kDataBytes});
}
BENCHMARK(BM_OpenBuildsFastView)->Unit(benchmark::kMillisecond);

// The image builder alone over samples in memory (the wave editor after an edit).
void BM_BuildFastViewInMemory(benchmark::State& state)
{
    const auto data = noise();
    for (auto _ : state) {
        const auto image = velisto::buildFastView(data, 16, 2);
        benchmark::DoNotOptimize(image.left.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kDataBytes});
}
BENCHMARK(BM_BuildFastViewInMemory)->Unit(benchmark::kMillisecond);

} // namespace
