#include "sampler/SampleWaveWriter.h"

#include "core/sampler/IgrTestSupport.h"
#include "sampler/WaveFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velisto {
namespace {

std::vector<std::int16_t> ramp(int count)
{
    std::vector<std::int16_t> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(static_cast<std::int16_t>(i * 37 - 20000));
    return samples;
}

SampleWaveInfo keyed(int key, int channels = 1)
{
    SampleWaveInfo info;
    info.originalKey = key;
    info.channels = channels;
    return info;
}

std::vector<std::int16_t> readData(const WaveFile& wave)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(wave.dataLength() / 2));
    std::ifstream in(wave.path(), std::ios::binary);
    in.seekg(wave.dataStart());
    in.read(reinterpret_cast<char*>(samples.data()), wave.dataLength());
    return samples;
}

TEST(SampleWaveWriterTest, WaveFileReadsBackWhatWasWritten)
{
    const test::ScratchFolder folder("sample-wave-writer");
    const WaveOpenOptions sampler{.require44100 = true, .require16Bit = true};
    std::string error;

    // Odd frame count: the "inst" pad and chunk walk must still line up.
    const auto mono = ramp(1001);
    SampleWaveInfo info = keyed(67);
    info.lowKey = 60;
    info.highKey = 72;
    info.velocityLow = 40;
    info.velocityHigh = 99;
    info.loop = SampleLoop{100, 1001};
    ASSERT_TRUE(writeSampleWave(folder.file("mono.wav"), mono, info, error)) << error;
    WaveFile wave;
    ASSERT_TRUE(wave.open(folder.file("mono.wav"), sampler, error)) << error;
    EXPECT_EQ(wave.channels(), 1);
    EXPECT_EQ(wave.frames(), 1001);
    EXPECT_EQ(wave.originalKey(), 67);
    EXPECT_EQ(wave.gain(), 0);
    EXPECT_EQ(wave.velocityLow(), 40);
    EXPECT_EQ(wave.velocityHigh(), 99);
    EXPECT_EQ(wave.loopStart(), wave.dataStart() + 100 * 2);
    EXPECT_EQ(wave.loopEnd(), wave.dataStart() + 1001 * 2);
    EXPECT_EQ(readData(wave), mono);
    wave.close(error);

    const auto stereo = ramp(600);
    ASSERT_TRUE(writeSampleWave(folder.file("stereo.wav"), stereo, keyed(1, 2), error)) << error;
    ASSERT_TRUE(wave.open(folder.file("stereo.wav"), sampler, error)) << error;
    EXPECT_EQ(wave.channels(), 2);
    EXPECT_EQ(wave.frames(), 300);
    EXPECT_EQ(wave.originalKey(), 1);
    EXPECT_EQ(wave.velocityLow(), 1);
    EXPECT_EQ(wave.velocityHigh(), 127);
    EXPECT_FALSE(wave.hasLoop());
    EXPECT_EQ(readData(wave), stereo);
    wave.close(error);
}

TEST(SampleWaveWriterTest, RefusesWhatTheFileCannotHoldAndKeepsTheOldFile)
{
    const test::ScratchFolder folder("sample-wave-writer-refuse");
    const std::string path = folder.file("a.wav");
    const auto samples = ramp(100);
    std::string error;
    ASSERT_TRUE(writeSampleWave(path, samples, keyed(60), error)) << error;
    const auto before = std::filesystem::file_size(path);

    const SampleWaveInfo keyZero = keyed(0);
    SampleWaveInfo loopPastEnd = keyed(60);
    loopPastEnd.loop = SampleLoop{10, 101};
    SampleWaveInfo emptyLoop = keyed(60);
    emptyLoop.loop = SampleLoop{50, 50};
    SampleWaveInfo velocityZero = keyed(60);
    velocityZero.velocityLow = 0;
    for (const SampleWaveInfo& bad : {keyZero, loopPastEnd, emptyLoop, velocityZero}) {
        EXPECT_FALSE(writeSampleWave(path, samples, bad, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_EQ(std::filesystem::file_size(path), before);

    EXPECT_FALSE(writeSampleWave(folder.file("missing/b.wav"), samples, keyed(60), error));
    EXPECT_NE(error.find("Can't write"), std::string::npos) << error;
}

} // namespace
} // namespace velisto
