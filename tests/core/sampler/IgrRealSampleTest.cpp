// The loader with the real wave reader on small .wav files built here byte by byte.

#include "sampler/IgrLoader.h"

#include "core/sampler/IgrTestSupport.h"
#include "core/sampler/WaveTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace velisto {
namespace {

using test::igrImage;
using test::ScratchFolder;

struct SampleShape {
    std::uint32_t rate = 44100;
    int bits = 16;
    bool inst = true;
    int key = 60, low = 1, high = 127;
};

// Mono PCM, 4 frames of silence, and an "inst" chunk after the data.
std::string wave(const SampleShape& shape)
{
    test::WavBuilder builder;
    builder.rate = shape.rate;
    builder.bits = shape.bits;
    builder.data = test::Bytes(4u * static_cast<unsigned>(shape.bits / 8), 0);
    if (shape.inst)
        builder.after.push_back({"inst", test::instBody(shape.key, 0, 0, 0, 127, shape.low, shape.high)});
    return test::asString(builder.build());
}

class IgrRealSampleTest : public ::testing::Test {
protected:
    IgrRealSampleTest() : folder_("igr-real")
    {
        folder_.write("Piano.WAV", wave({.key = 72, .low = 10, .high = 100}));
        folder_.write("nokey.wav", wave({.inst = false}));
        folder_.write("slow.wav", wave({.rate = 22050}));
        folder_.write("eight.wav", wave({.bits = 8}));
    }
    bool load(const std::string& image)
    {
        folder_.write("g.igr", image);
        IgrLoadHooks hooks;
        hooks.status = [this](const std::string& text) { last_ = text; };
        return loadSampleMap(map_, folder_.file("g.igr"), readSampleInfo, hooks);
    }

    ScratchFolder folder_;
    SampleMap map_;
    std::string last_;
};

TEST_F(IgrRealSampleTest, ReadsKeyAndVelocityFromTheFiles)
{
    ASSERT_TRUE(load(igrImage({{0, "piano.wav"}}, {{38, "nokey.wav,piano.wav"}}))) << last_;
    EXPECT_EQ(map_.program(0), (SampleList{{"piano.wav", 72, 10, 100}}));
    EXPECT_EQ(map_.drum(38), (SampleList{{"nokey.wav", 38, 1, 127}, {"piano.wav", 38, 10, 100}}));
}

TEST_F(IgrRealSampleTest, RefusesSamplesTheSoundGeneratorCannotPlay)
{
    EXPECT_FALSE(load(igrImage({{4, "nokey.wav"}})));
    EXPECT_EQ(last_.rfind("Program 4 Wave file nokey.wav\nhas either no selected 'original key'", 0), 0u) << last_;
    EXPECT_FALSE(load(igrImage({}, {{1, "slow.wav"}})));
    EXPECT_EQ(last_.rfind("Drum instrument #1\nslow.wav has a frequency of 22050", 0), 0u) << last_;
    EXPECT_FALSE(load(igrImage({{0, "eight.wav"}})));
    EXPECT_EQ(last_.rfind("Program 0\neight.wav has a resolution of 8", 0), 0u) << last_;
    EXPECT_FALSE(map_.loaded());
}

} // namespace
} // namespace velisto
