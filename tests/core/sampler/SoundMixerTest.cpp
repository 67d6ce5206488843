#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velisto {
namespace {

using test::constantBuffer;

TEST(SoundMixerTest, SumsPlayingBuffersAndLimitsTheSumBelowFullScale)
{
    SoundMixer mixer;
    const std::size_t delay = mixer.master().latencyFrames();
    auto a = constantBuffer(4096, 0.3);
    auto b = constantBuffer(4096, 0.25);
    auto idle = constantBuffer(4096, 0.9); // added before it plays: silent until then
    for (auto* buffer : {&a, &b})
        (*buffer)->play(true);
    ASSERT_TRUE(mixer.add(a));
    ASSERT_TRUE(mixer.add(b));
    ASSERT_TRUE(mixer.add(b)); // held once
    ASSERT_TRUE(mixer.add(idle));
    EXPECT_EQ(mixer.count(), 3U);

    std::vector<float> out(1024, 7.0F);
    mixer.render(out);
    EXPECT_EQ(out[0], 0.0F) << "the master stage's look-ahead comes first";
    EXPECT_NEAR(out[2 * delay], 0.55F, 0.001F);
    EXPECT_NEAR(out[2 * delay + 1], 0.55F, 0.001F);

    idle->play(true); // 1.45 in all
    mixer.render(out);
    mixer.render(out);
    EXPECT_NEAR(out[10], MasterStage::kCeiling, 1e-5F);
    EXPECT_GT(mixer.master().limitedFrames(), 0U);

    std::vector<std::int16_t> frames(1024);
    mixer.render(frames);
    EXPECT_EQ(frames[10], static_cast<std::int16_t>(MasterStage::kCeiling * 32767.0F));

    for (SoundBuffer* buffer : {a.get(), b.get(), idle.get()})
        mixer.remove(buffer);
    auto low = constantBuffer(4096, -0.7);
    auto lower = constantBuffer(4096, -0.7);
    low->play(true);
    lower->play(true);
    mixer.add(low);
    mixer.add(lower);
    for (int i = 0; i < 200; ++i) { // the limiter releases from the deeper cut before
        mixer.render(out);
        ASSERT_GE(*std::min_element(out.begin(), out.end()), -MasterStage::kCeiling);
    }
    EXPECT_NEAR(out[10], -MasterStage::kCeiling, 1e-5F);

    // The master gain turns the sum down before the limiter.
    mixer.master().setGainDb(-12.0);
    for (int i = 0; i < 200; ++i) // past the release
        mixer.render(out);
    EXPECT_NEAR(out[10], -1.4F * std::pow(10.0F, -12.0F / 20.0F), 1e-4F);
}

TEST(SoundMixerTest, StoppedBuffersLeaveWithoutBeingFreedOnTheAudioThread)
{
    SoundMixer mixer;
    auto once = constantBuffer(256, 0.5);
    const std::weak_ptr<SoundBuffer> watch = once;
    once->play(false);
    mixer.add(once);
    std::vector<float> out(1024);
    mixer.render(out); // plays to its end
    mixer.render(out); // set aside
    EXPECT_EQ(out[0], 0.0F);
    EXPECT_EQ(mixer.count(), 1U);

    // Played again by its owner: picked up without another add.
    once->play(false);
    mixer.render(out);
    EXPECT_NEAR(out[2 * mixer.master().latencyFrames()], 0.5F, 0.001F);
    mixer.render(out);

    once.reset(); // the mixer holds the last reference, and does not free it in render
    mixer.render(out);
    EXPECT_FALSE(watch.expired());
    mixer.add(constantBuffer(16, 0.0)); // add and remove let go of what only they hold
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(mixer.count(), 1U);
}

TEST(SoundMixerTest, HoldsAtMostMaxBuffers)
{
    SoundMixer mixer;
    std::vector<std::shared_ptr<SoundBuffer>> held;
    for (std::size_t i = 0; i < SoundMixer::kMaxBuffers; ++i) {
        held.push_back(constantBuffer(16, 0.0));
        ASSERT_TRUE(mixer.add(held.back()));
    }
    EXPECT_FALSE(mixer.add(constantBuffer(16, 0.0)));
    mixer.remove(held.front().get());
    EXPECT_TRUE(mixer.add(constantBuffer(16, 0.0)));
}

} // namespace
} // namespace velisto
