#include "sampler/MasterStage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace velisto {
namespace {

// Interleaved stereo, both channels alike unless given apart.
std::vector<float> stereo(const std::vector<float>& left, const std::vector<float>& right = {})
{
    std::vector<float> out(left.size() * 2);
    for (std::size_t i = 0; i < left.size(); ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right.empty() ? left[i] : right[i];
    }
    return out;
}

std::vector<float> processed(MasterStage& stage, std::vector<float> signal, std::size_t blockFrames = 256)
{
    for (std::size_t at = 0; at < signal.size(); at += 2 * blockFrames) {
        const std::size_t n = std::min(2 * blockFrames, signal.size() - at);
        stage.process(std::span<float>(signal.data() + at, n));
    }
    return signal;
}

// quiet frames, then loud ones, then quiet again, on the left channel; the right one stays
// at quiet.
std::vector<float> burst(std::size_t before, std::size_t loudFrames, std::size_t after, float quiet, float loud)
{
    std::vector<float> left(before + loudFrames + after, quiet);
    std::fill(left.begin() + static_cast<std::ptrdiff_t>(before),
              left.begin() + static_cast<std::ptrdiff_t>(before + loudFrames), loud);
    return stereo(left, std::vector<float>(left.size(), quiet));
}

TEST(MasterStageTest, LookAheadIsAFewMillisecondsAtEveryRate)
{
    MasterStage stage(44100);
    EXPECT_EQ(stage.latencyFrames(), 132U);
    stage.prepare(48000);
    EXPECT_EQ(stage.latencyFrames(), 144U);
    EXPECT_NEAR(MasterStage::kCeiling, std::pow(10.0, -0.3 / 20), 1e-6);
}

TEST(MasterStageTest, BelowTheCeilingTheSignalPassesUnchangedAfterTheLookAhead)
{
    MasterStage stage;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> level(-MasterStage::kCeiling, MasterStage::kCeiling);
    std::vector<float> in(2 * 5000);
    for (float& sample : in)
        sample = level(random);
    const std::vector<float> out = processed(stage, in, 100);
    const std::size_t delay = stage.latencyFrames();
    for (std::size_t i = 0; i < 2 * delay; ++i)
        ASSERT_EQ(out[i], 0.0F) << i;
    for (std::size_t i = 2 * delay; i < out.size(); ++i)
        ASSERT_EQ(out[i], in[i - 2 * delay]) << i;
    EXPECT_EQ(stage.processedFrames(), 5000U);
    EXPECT_EQ(stage.limitedFrames(), 0U);
}

TEST(MasterStageTest, AStepAboveTheCeilingNeverPassesItAndRampsDownAhead)
{
    for (const float loud : {1.0F, 2.0F, 8.0F, 100.0F}) {
        MasterStage stage;
        const std::vector<float> out = processed(stage, burst(2000, 3000, 20000, 0.5F, loud), 64);
        const std::size_t delay = stage.latencyFrames();
        float peak = 0;
        for (const float sample : out)
            peak = std::max(peak, std::abs(sample));
        EXPECT_LE(peak, MasterStage::kCeiling) << loud;
        // The loud part sits at the ceiling, no lower than it has to.
        EXPECT_NEAR(out[2 * (2000 + delay + 1500)], MasterStage::kCeiling, 1e-5) << loud;
        // The quiet right channel is turned down with it, and before the step arrives: over
        // the look-ahead, in steps of one look-ahead's share of the reduction.
        const float depth = 0.5F - 0.5F * MasterStage::kCeiling / loud;
        EXPECT_EQ(out[2 * 1999 + 1], 0.5F) << loud;
        EXPECT_NEAR(out[2 * (2000 + delay) + 1], 0.5F * MasterStage::kCeiling / loud, 1e-6) << loud;
        for (std::size_t frame = 1999; frame < 2000 + delay; ++frame) {
            const float drop = out[2 * frame + 1] - out[2 * (frame + 1) + 1];
            ASSERT_GE(drop, 0.0F) << loud << " at " << frame;
            ASSERT_LE(drop, depth / static_cast<float>(delay) * 1.01F + 1e-6F) << loud << " at " << frame;
        }
        EXPECT_GT(stage.limitedFrames(), 3000U);
    }
}

TEST(MasterStageTest, ReleaseIsSmoothAndReturnsToUnity)
{
    MasterStage stage;
    const std::size_t loudEnd = 1000 + 2000;
    const std::vector<float> out = processed(stage, burst(1000, 2000, 50000, 0.5F, 4.0F));
    const std::size_t delay = stage.latencyFrames();
    // The right channel carries 0.5 times the limiter's gain throughout.
    const std::size_t from = loudEnd + delay;
    float previous = out[2 * from + 1];
    float largestRise = 0;
    for (std::size_t frame = from + 1; frame < out.size() / 2; ++frame) {
        const float now = out[2 * frame + 1];
        ASSERT_GE(now, previous) << frame; // never turned down again on the way back
        largestRise = std::max(largestRise, now - previous);
        previous = now;
    }
    // From gain 1/8 back to unity without a click: the first step of an 80 ms release
    // is about 0.5 * (7/8) / 3528 plus the averaging.
    EXPECT_LT(largestRise, 0.0005F);
    // After half the release time, still audibly down; well after it, back at unity.
    EXPECT_LT(out[2 * (from + 1764) + 1], 0.49F);
    EXPECT_EQ(out.back(), 0.5F);
    const std::uint64_t limited = stage.limitedFrames();
    EXPECT_GT(limited, 2000U + 3528U);
    EXPECT_LT(limited, 2000U + 50000U);
}

TEST(MasterStageTest, OutputDoesNotDependOnTheBlockSize)
{
    std::vector<float> in = burst(700, 900, 6000, 0.3F, 3.0F);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] *= static_cast<float>(std::sin(0.01 * static_cast<double>(i)));
    MasterStage whole;
    const std::vector<float> reference = processed(whole, in, in.size());
    for (const std::size_t block : {1U, 7U, 133U, 512U}) {
        MasterStage stage;
        EXPECT_EQ(processed(stage, in, block), reference) << block;
        EXPECT_EQ(stage.limitedFrames(), whole.limitedFrames()) << block;
    }
}

TEST(MasterStageTest, GainScalesBeforeTheLimiterAndChangesWithoutAJump)
{
    MasterStage stage;
    stage.setGainDb(-6.0);
    EXPECT_EQ(stage.gainDb(), -6.0);
    stage.prepare(44100); // a gain set before the stream starts applies from the first frame
    const float half = static_cast<float>(std::pow(10.0, -6.0 / 20));
    std::vector<float> out = processed(stage, stereo(std::vector<float>(1000, 0.8F)));
    EXPECT_FLOAT_EQ(out[2 * 500], 0.8F * half);

    // +12 dB takes 0.8 above the ceiling: the limiter holds it there.
    stage.setGainDb(12.0);
    out = processed(stage, stereo(std::vector<float>(4000, 0.8F)), 1000);
    for (std::size_t i = 1; i < out.size(); ++i)
        ASSERT_LE(std::abs(out[i] - out[i - 1]), 0.01F) << i;
    EXPECT_NEAR(out.back(), MasterStage::kCeiling, 1e-5);
}

} // namespace
} // namespace velisto
