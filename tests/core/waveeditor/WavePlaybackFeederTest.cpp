#include "waveeditor/WavePlaybackFeeder.h"

#include "core/sampler/IgrTestSupport.h"
#include "core/sampler/WaveTestSupport.h"
#include "sampler/WaveFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

using namespace test;

// The 16-bit values of an output buffer, all channels interleaved.
std::vector<int> values(const Bytes& out)
{
    std::vector<int> v;
    for (std::size_t i = 0; i + 1 < out.size(); i += 2)
        v.push_back(static_cast<std::int16_t>(out[i] | (out[i + 1] << 8)));
    return v;
}

class FeederTest : public ::testing::Test {
protected:
    FeederTest() : folder_("wave-feeder") {}
    WaveFile& open(std::uint32_t rate, int bits, int channels, const Bytes& data)
    {
        WavBuilder b;
        b.rate = rate;
        b.bits = bits;
        b.channels = channels;
        b.data = data;
        b.after = {{"zzzz", Bytes{1, 2, 3, 4}}}; // never played
        writeBytes(folder_.path() / "p.wav", b.build());
        std::string error;
        EXPECT_TRUE(wave_.open((folder_.path() / "p.wav").string(), {}, error)) << error;
        return wave_;
    }
    std::int64_t frame(std::int64_t n) const { return wave_.dataStart() + n * wave_.frameSize(); }

    ScratchFolder folder_;
    WaveFile wave_;
};

Bytes counting16(int frames, int channels)
{
    Bytes b;
    for (int i = 0; i < frames * channels; ++i)
        add16(b, static_cast<std::uint32_t>(100 + i));
    return b;
}

TEST_F(FeederTest, CdFormatIsCopiedThenSilenceAndTwoNotificationsToTheEnd)
{
    WaveFile& wave = open(44100, 16, 2, counting16(10, 2));
    WavePlaybackFeeder feeder(wave, frame(2), frame(7), false, frame(2));
    Bytes buffer(kPlaybackBufferBytes, 0xAA);
    feeder.start(buffer);
    std::vector<int> expected(kPlaybackBufferBytes / 2, 0);
    for (int i = 0; i < 10; ++i)
        expected[static_cast<std::size_t>(i)] = 104 + i;
    EXPECT_EQ(values(buffer), expected);
    Bytes half(kPlaybackHalfBytes, 0xAA);
    EXPECT_TRUE(feeder.refill(half));
    EXPECT_EQ(half, Bytes(kPlaybackHalfBytes, 0));
    EXPECT_FALSE(feeder.refill(half));
}

TEST_F(FeederTest, OtherFormatsAreConvertedAndResampled)
{
    struct Case {
        const char* name;
        std::uint32_t rate;
        int bits;
        int channels;
        Bytes data;
        std::vector<int> expected; // the first output values
    };
    Bytes fast;
    for (int i = 0; i < 16; ++i)
        add16(fast, static_cast<std::uint32_t>(i + 1));
    const std::vector<Case> cases = {
        {"22050 Hz 8 bit stereo: every frame twice", 22050, 8, 2, Bytes{0x80, 0x81, 0x7F, 0xFF},
         {0, 256, 0, 256, -256, 32512, -256, 32512, 0, 0}},
        {"11025 Hz 24 bit mono: four times, upper 16 bits", 11025, 24, 1, Bytes{0x00, 0x34, 0x12, 0xFF, 0xFF, 0xFF},
         {0x1234, 0x1234, 0x1234, 0x1234, -1, -1, -1, -1, 0}},
        {"96000 Hz: some frames not at all", 96000, 16, 1, fast, {3, 5, 7, 9, 11, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveFile& wave = open(c.rate, c.bits, c.channels, c.data);
        WavePlaybackFeeder feeder(wave, wave.dataStart(), wave.dataStart() + wave.dataLength(), false, 0);
        Bytes buffer(kPlaybackBufferBytes);
        feeder.start(buffer);
        std::vector<int> got = values(buffer);
        got.resize(c.expected.size());
        EXPECT_EQ(got, c.expected);
        std::string error;
        wave.close(error);
    }
}

TEST_F(FeederTest, LoopsWrapAcrossHalves)
{
    struct Case {
        const char* name;
        std::int64_t from, to, wrapTo; // frames
        std::vector<int> cycle;       // values after the lead-in
        std::vector<int> leadIn;
    };
    const std::vector<Case> cases = {
        {"selection", 2, 5, 2, {102, 103, 104}, {}},
        {"file loop from the start", 0, 4, 2, {102, 103}, {100, 101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveFile& wave = open(44100, 16, 1, counting16(8, 1));
        WavePlaybackFeeder feeder(wave, frame(c.from), frame(c.to), true, frame(c.wrapTo));
        Bytes buffer(kPlaybackBufferBytes);
        feeder.start(buffer);
        Bytes half(kPlaybackHalfBytes);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(feeder.refill(half)); // a loop never ends
        const std::vector<int> got = values(buffer);
        const std::vector<int> next = values(half);
        const std::size_t lead = c.leadIn.size();
        for (std::size_t k = 0; k < got.size(); ++k) {
            const int want = k < lead ? c.leadIn[k] : c.cycle[(k - lead) % c.cycle.size()];
            ASSERT_EQ(got[k], want) << k;
        }
        // Five halves later the cycle goes on where it was.
        const std::size_t offset = got.size() + 4 * next.size();
        for (std::size_t k = 0; k < next.size(); ++k)
            ASSERT_EQ(next[k], c.cycle[(offset + k - lead) % c.cycle.size()]) << k;
        std::string error;
        wave.close(error);
    }
}

} // namespace
} // namespace velisto
