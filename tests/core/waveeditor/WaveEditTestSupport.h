#pragma once
// Wave editor files for the tests: data of a given format with a loop, cue points, a
// true fast view image and a chunk of a kind nobody reads behind it, and an engine
// working on it in a folder of its own.

#include "core/sampler/IgrTestSupport.h"
#include "core/sampler/WaveTestSupport.h"
#include "sampler/WaveFile.h"
#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WaveEditEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace velisto::test {

inline Bytes rampData(std::size_t size, std::uint8_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 13 + i / 7);
    return b;
}

// The file as the editor must leave it: loop and cues in frames, the fast view image
// computed from the data by the reader's own rule.
struct EditorWave {
    int bits = 16;
    int channels = 1;
    Bytes data;
    std::uint32_t loopStart = 100;
    std::uint32_t loopEnd = 300;
    std::vector<std::uint32_t> cues{50, 200};

    Bytes build() const
    {
        WavBuilder b;
        b.bits = bits;
        b.channels = channels;
        b.data = data;
        const FastViewImage image = buildFastView(data, bits, channels);
        Bytes mvlx;
        add32(mvlx, static_cast<std::uint32_t>(image.entries()));
        for (std::size_t i = 0; i < image.left.size(); ++i) {
            add32(mvlx, static_cast<std::uint32_t>(image.left[i]));
            if (channels == 2)
                add32(mvlx, static_cast<std::uint32_t>(image.right[i]));
        }
        b.after = {{"smpl", smplBody(60, {{loopStart, loopEnd}})},
                   {"zzzz", Bytes{7, 8, 9}},
                   {"cue ", cueBody(cues)},
                   {"mvlx", mvlx}};
        return b.build();
    }
    int frameSize() const { return channels * bits / 8; }
};

// The original file with its data replaced: the header lengths follow, every chunk behind
// the data stays byte for byte (the chunk writer runs only on close).
inline Bytes withData(const Bytes& original, std::int64_t dataStart, const Bytes& data)
{
    const auto field = static_cast<std::size_t>(dataStart - 4);
    const std::uint32_t oldLength =
        static_cast<std::uint32_t>(original[field] | (original[field + 1] << 8) | (original[field + 2] << 16)) |
        (static_cast<std::uint32_t>(original[field + 3]) << 24);
    Bytes out(original.begin(), original.begin() + dataStart);
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), original.begin() + dataStart + oldLength, original.end());
    const auto put = [&](std::size_t at, std::uint64_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(field, data.size());
    put(4, out.size() - 8);
    return out;
}

class WaveEditFixture : public ::testing::Test {
protected:
    WaveEditFixture()
        : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name()), buffer_(folder_.path(), 4242)
    {
    }
    std::filesystem::path file(const std::string& name = "a.wav") const { return folder_.path() / name; }
    // Writes wave and opens it in a fresh engine with window digit 3.
    WaveEditEngine& openEngine(const EditorWave& wave, const std::filesystem::path& undoFolder = {})
    {
        writeBytes(file(), wave.build());
        engine_ = std::make_unique<WaveEditEngine>(3, buffer_, undoFolder.empty() ? folder_.path() : undoFolder, 4242);
        std::string error;
        EXPECT_TRUE(engine_->open(file().string(), nullptr, error)) << error;
        return *engine_;
    }
    // Frame offsets to file offsets.
    std::int64_t at(std::int64_t frame) const
    {
        return engine_->wave().dataStart() + frame * engine_->wave().frameSize();
    }

    ScratchFolder folder_;
    WaveCopyBuffer buffer_;
    std::unique_ptr<WaveEditEngine> engine_;
};

} // namespace velisto::test
