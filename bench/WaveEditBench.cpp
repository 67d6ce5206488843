// Wave editor on a ten-minute stereo 16-bit file: opening with a stored fast view image,
// the column peaks of a zoomed-out repaint, and a cut and a paste at one minute with their
// undo, against one plain block copy of the bytes behind the edit point. Bytes processed
// are the bytes behind the edit.
#include "sampler/WaveFile.h"
#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WaveEditEngine.h"
#include "waveeditor/WaveViewModel.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::int64_t kFrames = kRate * 60 * 10;
constexpr std::int64_t kDataBytes = kFrames * 4;
constexpr std::int64_t kEditAt = kRate * 60 * 4; // one minute in, as a byte offset in the data
constexpr std::int64_t kEditBytes = kRate * 4;   // one second
constexpr std::int64_t kBehind = kDataBytes - kEditAt;

// Never destroyed: the exit handler that removes it runs after the statics are gone.
const std::filesystem::path& folder()
{
    static const auto* path = [] {
        auto* p = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                            ("velisto-wavebench-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*p);
        std::atexit([] { std::filesystem::remove_all(folder()); });
        return p;
    }();
    return *path;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Written once, then given its fast view image by a first writable open and close.
const std::string& longFile()
{
    static const std::string path = [] {
        const std::string name = (folder() / "long.wav").string();
        std::vector<std::uint8_t> file{'R', 'I', 'F', 'F'};
        put32(file, static_cast<std::uint32_t>(36 + kDataBytes));
        for (char c : std::string("WAVEfmt "))
            file.push_back(static_cast<std::uint8_t>(c));
        for (std::uint32_t v : {16u, 0x00020001u, kRate, kRate * 4, 0x00100004u})
            put32(file, v);
        for (char c : std::string("data"))
            file.push_back(static_cast<std::uint8_t>(c));
        put32(file, static_cast<std::uint32_t>(kDataBytes));
        std::mt19937 random(5);
        const std::size_t header = file.size();
        file.resize(header + static_cast<std::size_t>(kDataBytes));
        for (std::size_t i = header; i < file.size(); ++i)
            file[i] = static_cast<std::uint8_t>(random());
        std::FILE* out = std::fopen(name.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
        velisto::WaveFile wave;
        velisto::WaveOpenOptions options;
        options.writable = options.wantFastView = true;
        std::string error;
        wave.open(name, options, error);
        wave.close(error);
        return name;
    }();
    return path;
}

// The bytes this process has read so far (all reads, the page cache's included).
std::int64_t bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

// bytesReadPerOpen shows that the audio (106 MB) is not read.
void BM_OpenWithStoredImage(benchmark::State& state)
{
    velisto::WaveOpenOptions options;
    options.wantFastView = options.wantCuePoints = true;
    const std::string& path = longFile();
    const std::int64_t readBefore = bytesReadSoFar();
    for (auto _ : state) {
        velisto::WaveFile wave;
        std::string error;
        if (!wave.open(path, options, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(wave.fastView().left.data());
        wave.close(error);
    }
    state.counters["bytesReadPerOpen"] =
        benchmark::Counter(static_cast<double>(bytesReadSoFar() - readBefore), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OpenWithStoredImage)->Unit(benchmark::kMillisecond);

// What a repaint of the whole file in a 1920-pixel-wide view computes: both lanes' column
// peaks from the stored image.
void BM_ZoomedOutRepaint(benchmark::State& state)
{
    velisto::WaveOpenOptions options;
    options.wantFastView = true;
    velisto::WaveFile wave;
    std::string error;
    if (!wave.open(longFile(), options, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    velisto::WaveViewModel view;
    view.setSize(wave.frames(), 1920);
    view.zoomToFit();
    for (auto _ : state) {
        benchmark::DoNotOptimize(view.fastViewPeaks(wave.fastView(), 0).data());
        benchmark::DoNotOptimize(view.fastViewPeaks(wave.fastView(), 1).data());
    }
    wave.close(error);
}
BENCHMARK(BM_ZoomedOutRepaint)->Unit(benchmark::kMillisecond);

// The yardstick: the bytes behind the edit point read and written once in 128 KB blocks.
void BM_BlockCopyBehindEdit(benchmark::State& state)
{
    const int fd = ::open(longFile().c_str(), O_RDWR);
    std::vector<std::uint8_t> block(131072);
    for (auto _ : state) {
        for (std::int64_t done = 0; done < kBehind; done += static_cast<std::int64_t>(block.size())) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(131072, kBehind - done));
            if (::pread(fd, block.data(), n, 44 + kEditAt + done) < 0 ||
                ::pwrite(fd, block.data(), n, 44 + kEditAt + done) < 0)
                state.SkipWithError("copy failed");
        }
    }
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * kBehind);
}
BENCHMARK(BM_BlockCopyBehindEdit)->Unit(benchmark::kMillisecond)->UseRealTime();

// state.range(0): 0 cut, 1 undo of the cut, 2 paste, 3 undo of the paste; the others run
// outside the timing. state.range(1): the bytes cut and pasted; one second is a whole
// number of fast view runs, a frame more is not, so every run behind the edit changes.
void BM_EditAtOneMinute(benchmark::State& state)
{
    const std::string& path = longFile();
    velisto::WaveCopyBuffer buffer(folder());
    velisto::WaveEditEngine engine(0, buffer, folder());
    std::string error;
    if (!engine.open(path, nullptr, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::int64_t at = engine.wave().dataStart() + kEditAt;
    const auto step = [&](int which) {
        switch (which) {
        case 0:
            engine.select(at, at + state.range(1));
            return engine.cut(nullptr).done();
        case 2:
            engine.setCaret(at);
            return engine.paste(true, nullptr).done();
        default:
            return engine.undo(nullptr).done();
        }
    };
    const int measured = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int which = 0; which < 4; ++which) {
            if (which != measured)
                state.PauseTiming();
            if (!step(which))
                state.SkipWithError("edit failed");
            if (which != measured)
                state.ResumeTiming();
        }
    }
    engine.close(error);
    state.SetBytesProcessed(state.iterations() * kBehind);
}
BENCHMARK(BM_EditAtOneMinute)
    ->ArgsProduct({{0, 1, 2, 3}, {kEditBytes, kEditBytes + 4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
