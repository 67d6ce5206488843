// Reading, writing and resizing the data of an open wave file, checked byte for byte
// against files built independently.
#include "sampler/WaveFile.h"

#include "core/sampler/IgrTestSupport.h"
#include "core/sampler/WaveTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace velisto {
namespace {

using namespace test;

Bytes pattern(std::size_t size, std::uint8_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

// Loop 100..300 and cues at 50, 200 and 400 (frames), a fast view image and a chunk of
// odd length we do not know, all behind the data.
WavBuilder markedWave(int bits, int channels, std::size_t dataBytes)
{
    WavBuilder b;
    b.bits = bits;
    b.channels = channels;
    b.data = pattern(dataBytes, 3);
    b.after = {{"smpl", smplBody(60, {{100, 300}})},
               {"zzzz", Bytes{1, 2, 3}},
               {"cue ", cueBody({50, 200, 400})},
               {"mvlx", mvlxBody(static_cast<std::uint32_t>((dataBytes / (bits / 8 * channels) + 299) / 300), 5,
                                 channels)}};
    return b;
}

WaveOpenOptions editorOptions()
{
    WaveOpenOptions o;
    o.writable = o.wantCuePoints = o.wantFastView = true;
    return o;
}

struct ResizeCase {
    const char* name;
    int bits;
    int channels;
    std::size_t dataBytes;
    std::int64_t at;    // from the data start
    std::int64_t delta; // bytes
    std::int64_t loopStart, loopEnd; // frames afterwards, -1: none
    std::vector<std::int64_t> cues;  // frames afterwards
};

TEST(WaveFileData, ResizeKeepsEveryByteAndTheMarksInStep)
{
    const std::vector<ResizeCase> cases = {
        {"insert inside the loop, onto a cue", 16, 1, 1200, 400, 100, 100, 350, {50, 250, 450}},
        {"remove inside, a cue in the cut", 16, 1, 1200, 300, -200, 100, 200, {50, 150, 300}},
        {"remove the whole loop", 16, 1, 1200, 180, -440, -1, -1, {50, 90, 180}},
        {"append to odd data", 8, 1, 601, 601, 10, 100, 300, {50, 200, 400}},
        {"remove at the start, 24-bit stereo", 24, 2, 3600, 0, -60, 90, 290, {40, 190, 390}},
        {"insert at the start, 8-bit stereo", 8, 2, 1200, 0, 8, 104, 304, {54, 204, 404}},
        {"insert at loop end", 16, 2, 2400, 1200, 40, 100, 300, {50, 200, 410}},
    };
    ScratchFolder folder("wave-data");
    const auto path = folder.path() / "a.wav";
    for (const ResizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const WavBuilder before = markedWave(c.bits, c.channels, c.dataBytes);
        writeBytes(path, before.build());
        WaveFile wave;
        std::string error;
        ASSERT_TRUE(wave.open(path.string(), editorOptions(), error)) << error;
        const std::int64_t at = wave.dataStart() + c.at;

        WavBuilder after = before;
        const Bytes gap = pattern(static_cast<std::size_t>(std::max<std::int64_t>(c.delta, 0)), 90);
        if (c.delta > 0)
            after.data.insert(after.data.begin() + c.at, gap.begin(), gap.end());
        else
            after.data.erase(after.data.begin() + c.at, after.data.begin() + c.at - c.delta);

        ASSERT_TRUE(wave.resizeData(at, c.delta, error)) << error;
        if (c.delta > 0) {
            ASSERT_TRUE(wave.writeData(at, gap.data(), c.delta));
        }
        EXPECT_EQ(readBytes(path), after.build());
        EXPECT_EQ(wave.dataLength(), static_cast<std::int64_t>(after.data.size()));

        const std::int64_t frame = wave.frameSize();
        EXPECT_EQ(wave.loopStart(), c.loopStart < 0 ? -1 : wave.dataStart() + c.loopStart * frame);
        EXPECT_EQ(wave.loopEnd(), c.loopEnd < 0 ? -1 : wave.dataStart() + c.loopEnd * frame);
        std::vector<std::int64_t> cues;
        for (const std::int64_t offset : wave.cuePoints())
            cues.push_back((offset - wave.dataStart()) / frame);
        EXPECT_EQ(cues, c.cues);

        Bytes back(after.data.size());
        ASSERT_TRUE(wave.readData(wave.dataStart(), back.data(), static_cast<std::int64_t>(back.size())));
        EXPECT_EQ(back, after.data);
        EXPECT_TRUE(wave.setFastView(buildFastView(after.data, c.bits, c.channels)));
        ASSERT_TRUE(wave.close(error)) << error;

        // The chunk writer then finds every chunk where the resize put it.
        ASSERT_TRUE(wave.open(path.string(), editorOptions(), error)) << error;
        EXPECT_EQ(wave.loopStart(), c.loopStart < 0 ? -1 : wave.dataStart() + c.loopStart * frame);
        EXPECT_EQ(wave.cuePoints().size(), 3u);
        EXPECT_EQ(wave.fastView(), buildFastView(after.data, c.bits, c.channels));
        EXPECT_EQ(wave.originalKey(), 60);
        EXPECT_NE(asString(readBytes(path)).find(std::string("zzzz\x03\0\0\0\x01\x02\x03\0", 12)), std::string::npos);
        ASSERT_TRUE(wave.close(error)) << error;
    }
}

TEST(WaveFileData, RefusedAccessAndResizesChangeNothing)
{
    ScratchFolder folder("wave-data-refused");
    const auto path = folder.path() / "a.wav";
    const Bytes original = markedWave(8, 1, 601).build();
    writeBytes(path, original);
    WaveFile wave;
    std::string error;
    ASSERT_TRUE(wave.open(path.string(), editorOptions(), error)) << error;
    const std::int64_t start = wave.dataStart();
    std::uint8_t byte = 0;
    EXPECT_FALSE(wave.readData(start - 1, &byte, 1));
    EXPECT_FALSE(wave.readData(start + 601, &byte, 1));
    EXPECT_FALSE(wave.writeData(start + 600, "ab", 2)); // would hit the pad byte
    EXPECT_FALSE(wave.resizeData(start + 10, 3, error)); // an odd count loses the pad
    EXPECT_FALSE(wave.resizeData(start + 600, -2, error));
    EXPECT_FALSE(wave.resizeData(start - 2, 2, error));
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(wave.dataLength(), 601);
    ASSERT_TRUE(wave.close(error));

    WaveFile readOnly;
    ASSERT_TRUE(readOnly.open(path.string(), {}, error));
    EXPECT_FALSE(readOnly.writeData(readOnly.dataStart(), "ab", 2));
    EXPECT_FALSE(readOnly.resizeData(readOnly.dataStart(), 2, error));
}

TEST(WaveFileData, GrowthPastTheRiffLimitIsRefusedBeforeAnyChange)
{
    ScratchFolder folder("wave-data-4g");
    const auto path = folder.path() / "big.wav";
    // A sparse file 101 bytes below the 4 GiB a RIFF length describes, its data even.
    WavBuilder b;
    b.data.clear();
    Bytes header = b.build();
    const std::uint64_t dataLength = 0xFFFFFFFFull + 8 - header.size() - 101;
    for (int i = 0; i < 4; ++i) {
        header[header.size() - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(dataLength >> (8 * i));
        header[static_cast<std::size_t>(4 + i)] =
            static_cast<std::uint8_t>((header.size() + dataLength - 8) >> (8 * i));
    }
    writeBytes(path, header);
    std::filesystem::resize_file(path, header.size() + dataLength);
    WaveFile wave;
    std::string error;
    WaveOpenOptions options;
    options.writable = true;
    ASSERT_TRUE(wave.open(path.string(), options, error)) << error;
    EXPECT_FALSE(wave.resizeData(wave.dataStart(), 102, error));
    EXPECT_NE(error.find("big.wav"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path), header.size() + dataLength);
    EXPECT_TRUE(wave.resizeData(wave.dataStart() + wave.dataLength(), 100, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(path), 0xFFFFFFFFull + 8 - 1);
}

// Full-scale samples in every format, more of them than one 32-bit partial sum holds.
TEST(WaveFileData, FastViewSumsOfLongFullScaleRuns)
{
    constexpr std::int64_t kFrames = 200000;
    struct Case {
        int bits;
        Bytes frame; // left, right
    };
    const std::vector<Case> cases = {
        {8, {0x00, 0xFF}},
        {16, {0x00, 0x80, 0xFF, 0x7F}},
        {24, {0xFF, 0x00, 0x80, 0x00, 0xFF, 0x7F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        Bytes frames;
        for (std::int64_t i = 0; i < kFrames; ++i)
            frames.insert(frames.end(), c.frame.begin(), c.frame.end());
        std::int64_t sums[2] = {5, 0};
        addFastViewSums(frames, c.bits, 2, sums);
        EXPECT_EQ(sums[0], 5 + kFrames * 32768);
        EXPECT_EQ(sums[1], kFrames * (c.bits == 8 ? 32512 : 32767));
    }
}

// What a resize hands over as moved is every data byte behind the edit, at its new place.
TEST(WaveFileData, ResizeHandsOverTheMovedDataWithItsOffsets)
{
    for (const std::int64_t delta : {std::int64_t{-2000}, std::int64_t{2000}, std::int64_t{-300000}}) {
        SCOPED_TRACE(delta);
        ScratchFolder folder("moved");
        WavBuilder b;
        b.bits = 24;
        b.channels = 2;
        b.data = Bytes(6 * 100001);
        for (std::size_t i = 0; i < b.data.size(); ++i)
            b.data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        b.after = {{"zzzz", Bytes{1, 2, 3}}};
        const auto path = folder.path() / "m.wav";
        writeBytes(path, b.build());
        WaveFile wave;
        WaveOpenOptions options;
        options.writable = true;
        std::string error;
        ASSERT_TRUE(wave.open(path.string(), options, error)) << error;
        const std::int64_t at = wave.dataStart() + 6 * 1001;
        Bytes seen(b.data.size() + static_cast<std::size_t>(delta), 0);
        std::vector<bool> filled(seen.size(), false);
        bool outside = false;
        const auto moved = [&](std::int64_t offset, std::span<const std::uint8_t> bytes) {
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const std::int64_t k = offset - wave.dataStart() + static_cast<std::int64_t>(i);
                if (k < 0 || k >= static_cast<std::int64_t>(seen.size()) || filled[static_cast<std::size_t>(k)]) {
                    outside = true;
                    continue;
                }
                seen[static_cast<std::size_t>(k)] = bytes[i];
                filled[static_cast<std::size_t>(k)] = true;
            }
        };
        ASSERT_TRUE(wave.resizeData(at, delta, error, nullptr, moved)) << error;
        EXPECT_FALSE(outside);
        const std::int64_t from = at - wave.dataStart() + std::max<std::int64_t>(delta, 0);
        const Bytes file = readBytes(path);
        for (std::int64_t k = 0; k < static_cast<std::int64_t>(seen.size()); ++k) {
            const auto i = static_cast<std::size_t>(k);
            ASSERT_EQ(filled[i], k >= from) << k;
            if (filled[i]) {
                ASSERT_EQ(seen[i], file[static_cast<std::size_t>(wave.dataStart() + k)]) << k;
            }
        }
        ASSERT_TRUE(wave.close(error)) << error;
    }
}

} // namespace
} // namespace velisto
