#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velisto {
namespace {

using test::monoBuffer;
using test::render;

// Rising zero crossings of one side of interleaved stereo.
int risingCrossings(const std::vector<float>& out, std::size_t side)
{
    int count = 0;
    for (std::size_t i = side + 2; i < out.size(); i += 2) {
        if (out[i - 2] < 0.0F && out[i] >= 0.0F)
            ++count;
    }
    return count;
}

float peak(const std::vector<float>& out, std::size_t side)
{
    float best = 0.0F;
    for (std::size_t i = side; i < out.size(); i += 2)
        best = std::max(best, std::abs(out[i]));
    return best;
}

TEST(SoundBufferTest, FrequencyResamplesToTheOutputRate)
{
    // One second of 441 Hz read at twice its rate: 882 Hz for half a second.
    auto buffer = monoBuffer(44100, [](std::size_t n) { return test::sine(441.0 / 44100.0, n); });
    ASSERT_TRUE(buffer->setFrequency(88200));
    buffer->play(false);
    const std::vector<float> out = render(*buffer, 22000);
    EXPECT_NEAR(risingCrossings(out, 0), 882 * 22000 / 44100, 2);
    EXPECT_EQ(risingCrossings(out, 0), risingCrossings(out, 1)); // mono on both sides

    EXPECT_FALSE(buffer->setFrequency(99));
    EXPECT_FALSE(buffer->setFrequency(200001));
    EXPECT_TRUE(buffer->setFrequency(200000));
}

TEST(SoundBufferTest, VolumeAndPanInHundredthsOfADecibel)
{
    auto buffer = monoBuffer(8192, [](std::size_t n) { return test::sine(1.0 / 64.0, n); });
    buffer->play(true);

    buffer->setVolume(-600);
    std::vector<float> out = render(*buffer, 4096);
    EXPECT_NEAR(peak(out, 0), 0.501, 0.01);
    EXPECT_NEAR(peak(out, 1), 0.501, 0.01);

    buffer->setVolume(kVolumeFull);
    buffer->setPan(kPanLeft);
    out = render(*buffer, 4096);
    EXPECT_NEAR(peak(out, 0), 1.0, 0.01);
    EXPECT_EQ(peak(out, 1), 0.0F);

    buffer->setPan(600); // to the right: the left side loses 6 dB
    out = render(*buffer, 4096);
    EXPECT_NEAR(peak(out, 0), 0.501, 0.01);
    EXPECT_NEAR(peak(out, 1), 1.0, 0.01);

    buffer->setVolume(-20000);
    EXPECT_EQ(buffer->volume(), kVolumeSilent);
    out = render(*buffer, 512);
    EXPECT_EQ(peak(out, 0) + peak(out, 1), 0.0F);
}

TEST(SoundBufferTest, StereoKeepsItsSides)
{
    SoundBufferFormat format;
    format.channels = 2;
    SoundBuffer buffer(format, 4096 * 4 + 3); // rounded down to whole frames
    EXPECT_EQ(buffer.size(), 4096U * 4);
    SoundBuffer::Region region;
    ASSERT_TRUE(buffer.lock(4096 * 4 - 4, 8, region)); // wraps: one frame at the end, one at the start
    EXPECT_EQ(region.first.size(), 4U);
    EXPECT_EQ(region.second.size(), 4U);
    buffer.unlock(region);
    EXPECT_FALSE(buffer.lock(4096 * 4, 4, region));

    ASSERT_TRUE(buffer.lock(0, buffer.size(), region));
    for (std::size_t n = 0; n < 4096; ++n) {
        const std::int16_t frame[2] = {8192, -16384};
        std::memcpy(region.first.data() + 4 * n, frame, 4);
    }
    buffer.unlock(region);
    buffer.play(true);
    const std::vector<float> out = render(buffer, 1024);
    EXPECT_FLOAT_EQ(out[100], 0.25F);
    EXPECT_FLOAT_EQ(out[101], -0.5F);
}

TEST(SoundBufferTest, NotificationsFireOncePerCrossingOfALoopingRing)
{
    Event event(Event::Reset::Auto);
    auto buffer = test::constantBuffer(8192, 0.1);
    EXPECT_FALSE(buffer->setNotifications({0, 16384}, &event)); // outside the ring
    ASSERT_TRUE(buffer->setNotifications({0, 8192}, &event));
    buffer->play(true);
    EXPECT_FALSE(buffer->setNotifications({0}, &event)); // not while playing

    std::vector<int> firedAt;
    std::vector<float> block(1024);
    for (int i = 0; i < 48; ++i) { // three rings of 16 blocks
        buffer->mix(block, 44100);
        if (event.waitFor(std::chrono::milliseconds(0)))
            firedAt.push_back(i);
    }
    EXPECT_EQ(firedAt, (std::vector<int>{0, 8, 16, 24, 32, 40}));

    // Fast enough to pass both marks within one block: still a wake-up.
    buffer->stop();
    buffer->setFrequency(200000);
    buffer->setPosition(4000 * 2);
    buffer->play(true);
    std::vector<float> longBlock(2 * 2000);
    buffer->mix(longBlock, 44100); // about 9070 frames: 4096 and 0 (after the wrap)
    EXPECT_TRUE(event.waitFor(std::chrono::milliseconds(0)));
    EXPECT_EQ(buffer->position(), (4000 + 9070) % 8192 * 2);
}

TEST(SoundBufferTest, StopPositionWhenABufferPlayedOnceEndsOrIsStopped)
{
    Event event(Event::Reset::Auto);
    auto buffer = test::constantBuffer(1024, 0.5);
    ASSERT_TRUE(buffer->setNotifications({kStopPosition}, &event));
    std::vector<float> block(2 * 600);
    EXPECT_TRUE(buffer->mix(block, 44100)); // never played: kept, silent
    EXPECT_EQ(block[0], 0.0F);

    buffer->play(false);
    EXPECT_TRUE(buffer->mix(block, 44100));
    EXPECT_FALSE(event.isSet());
    std::fill(block.begin(), block.end(), 0.0F);
    EXPECT_TRUE(buffer->mix(block, 44100)); // the last 424 frames, then silence
    EXPECT_NEAR(block[2 * 423], 0.5F, 0.01F);
    EXPECT_EQ(block[2 * 424], 0.0F);
    EXPECT_TRUE(event.waitFor(std::chrono::milliseconds(0)));
    EXPECT_FALSE(buffer->playing());
    EXPECT_FALSE(buffer->mix(block, 44100));
    EXPECT_EQ(buffer->position(), 0U); // ready to play again from the start

    buffer->play(false);
    buffer->mix(block, 44100);
    buffer->stop();
    EXPECT_TRUE(event.waitFor(std::chrono::milliseconds(0)));
    EXPECT_EQ(buffer->position(), 600U * 2); // stop keeps its place
    buffer->stop();
    EXPECT_FALSE(event.isSet()); // stopping a stopped buffer is no stop
}

TEST(SoundBufferTest, LoopingRingStaysSeamlessOverManyWraps)
{
    // A cosine whose period divides the ring: frame 0 is its peak, so a wrong wrap (reading
    // past the end, or restarting the fraction) shows as an error against the ideal curve.
    constexpr double kPeriod = 128.0;
    auto buffer = monoBuffer(8192, [](std::size_t n) { return std::cos(2.0 * std::numbers::pi * n / kPeriod); });
    buffer->setFrequency(30011);
    for (const Interpolation mode : {Interpolation::Linear, Interpolation::Cubic}) {
        buffer->stop();
        buffer->setPosition(0);
        buffer->play(true);
        const std::size_t frames = std::size_t{12} * 8192 * 44100 / 30011; // a dozen rings
        const std::vector<float> out = render(*buffer, frames, 44100, mode);
        double worst = 0.0;
        for (std::size_t n = 0; n < frames; ++n) {
            const double read = static_cast<double>(n) * 30011.0 / 44100.0;
            const double ideal = 32767.0 / 32768.0 * std::cos(2.0 * std::numbers::pi * read / kPeriod);
            worst = std::max(worst, std::abs(out[2 * n] - ideal));
        }
        // Linear interpolation between samples of a 128-frame period is good to 3e-4.
        EXPECT_LT(worst, mode == Interpolation::Linear ? 5e-4 : 1e-4) << static_cast<int>(mode);
    }
}

} // namespace
} // namespace velisto
