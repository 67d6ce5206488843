// libFuzzer target: any bytes as a .wav file, opened read-only and for writing; the values
// set before a writable close must read back after reopening.

#include "sampler/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

const std::string& scratchPath()
{
    static const std::string path = "/tmp/velisto-fuzz-wave-" + std::to_string(::getpid()) + ".wav";
    return path;
}

bool writeScratch(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// A second chunk of the same kind would still hold the values it had: read-back is only
// required when each sampler chunk id occurs at most once.
bool sampleChunksUnique(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* id : {"smpl", "inst", "cue ", "mvlx"}) {
        const auto first = bytes.find(id);
        if (first != std::string_view::npos && bytes.find(id, first + 1) != std::string_view::npos)
            return false;
    }
    return true;
}

void require(bool condition, const char* what, const std::string& error = {})
{
    if (condition)
        return;
    std::fprintf(stderr, "failed: %s %s\n", what, error.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!writeScratch(data, size))
        return 0;
    velisto::WaveOpenOptions options;
    options.wantCuePoints = options.wantFastView = true;
    std::string error;
    {
        velisto::WaveFile wave;
        if (!wave.open(scratchPath(), options, error))
            return 0;
        require(wave.close(error), "close", error);
    }

    // The values to set come from the last bytes of the input.
    std::uint8_t p[8] = {};
    for (std::size_t i = 0; i < 8 && i < size; ++i)
        p[i] = data[size - 1 - i];

    options.writable = true;
    velisto::WaveFile wave;
    require(wave.open(scratchPath(), options, error), "writable open", error);
    const std::int64_t frameSize = wave.frameSize();
    const std::int64_t frames = wave.frames();
    if (p[0] & 1) {
        wave.clearLoop();
    } else if (frames > 0) {
        const std::int64_t start = p[1] % frames;
        wave.setLoop(wave.dataStart() + start * frameSize, wave.dataStart() + (start + 1 + p[2]) * frameSize);
    }
    if (p[0] & 2) {
        std::vector<std::int64_t> cues;
        for (int i = 0; i < (p[3] & 7); ++i)
            cues.push_back(wave.dataStart() + (p[4] + i * 37) % (frames + 1) * frameSize);
        wave.setCuePoints(cues);
    }
    if (p[0] & 4)
        wave.setOriginalKey(p[5] % 150 - 5);
    if (p[0] & 8)
        wave.setGain(static_cast<std::int8_t>(p[6]));
    if (p[0] & 16)
        wave.setVelocityRange(p[7] & 0x7F, (p[7] & 0x7F) + p[1] % 20);
    else if (p[0] & 32)
        wave.clearVelocityRange();

    const int key = wave.originalKey() == 0 ? velisto::kNoOriginalKey : wave.originalKey();
    const int gain = wave.gain();
    const int velocityLow = wave.velocityLow();
    const int velocityHigh = wave.velocityHigh();
    const std::int64_t loopStart = wave.loopStart();
    const std::int64_t loopEnd = wave.loopEnd();
    const std::vector<std::int64_t> cues = wave.cuePoints();
    const velisto::FastViewImage image = wave.fastView();
    require(wave.close(error), "close", error);

    velisto::WaveFile again;
    require(again.open(scratchPath(), options, error), "reopen", error);
    if (sampleChunksUnique(data, size)) {
        require(again.originalKey() == key, "key");
        require(again.gain() == gain, "gain");
        require(again.velocityLow() == velocityLow && again.velocityHigh() == velocityHigh, "velocity");
        require(again.loopStart() == loopStart && again.loopEnd() == loopEnd, "loop");
        require(again.cuePoints() == cues, "cues");
        require(again.fastView() == image, "fast view");
    }
    require(again.close(error), "close again", error);
    return 0;
}
