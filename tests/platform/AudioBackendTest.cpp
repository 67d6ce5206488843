#include "audio/AudioBackend.h"
#include "audio/NullAudioSystem.h"
#include "audio/RtAudioSystem.h"
#include "sampler/AudioDeviceList.h"
#include "sampler/SoundMixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace velisto {
namespace {

using namespace std::chrono_literals;

TEST(AudioBackendTest, ChoosesByNameAndFallsBackToSilence)
{
    AudioBackendChoice choice = chooseAudioSystem("NULL");
    ASSERT_NE(choice.system, nullptr);
    EXPECT_EQ(choice.system->apiName(), "null");
    EXPECT_TRUE(choice.message.empty());

    choice = chooseAudioSystem("wasapi");
    EXPECT_EQ(choice.system->apiName(), "null");
    EXPECT_NE(choice.message.find("not one of alsa, pulse, jack, null"), std::string::npos);

    // Whatever this machine has: a system that lists something, or the silent one.
    choice = chooseAudioSystem("");
    ASSERT_NE(choice.system, nullptr);
    EXPECT_TRUE(choice.system->apiName() == "null" || !choice.system->devices().empty());
}

TEST(AudioBackendTest, RtAudioListsOnlyOutputsNamedByApi)
{
    std::string error;
    auto system = RtAudioSystem::create("alsa", error);
    if (!system)
        GTEST_SKIP() << error;
    EXPECT_EQ(system->apiName(), "alsa");
    for (const AudioDeviceInfo& device : system->devices()) {
        EXPECT_EQ(device.id, "alsa:" + device.description);
        EXPECT_EQ(device.driver, "alsa");
        EXPECT_LE(device.minRate, device.maxRate);
    }
    SoundMixer mixer;
    AudioDeviceInfo missing;
    missing.id = "alsa:no such card";
    EXPECT_EQ(system->open(missing, mixer, error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(AudioBackendTest, NullStreamPullsAtRealTimePace)
{
    NullAudioSystem system;
    SilentPrompt prompt;
    AudioDeviceList list(system);
    ASSERT_TRUE(list.enumerate(prompt));
    ASSERT_TRUE(list.open("Primary Sounddriver", true, prompt));
    ASSERT_TRUE(list.open("Null output", true, prompt));
    DirectSoundDevice& device = *list.find("Primary Sounddriver");
    EXPECT_EQ(device.mixer->outputRate(), 44100U);

    // A quarter second of sound, played once, ends after about a quarter second.
    auto buffer = std::make_shared<SoundBuffer>(SoundBufferFormat{}, 44100 / 4 * 2);
    Event ended(Event::Reset::Auto);
    buffer->setNotifications({kStopPosition}, &ended);
    const auto start = std::chrono::steady_clock::now();
    device.mixer->add(buffer);
    buffer->play(false);
    ASSERT_TRUE(ended.waitFor(3s));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(took, 200ms);
    EXPECT_LT(took, 1000ms);

    auto& stream = static_cast<NullAudioStream&>(*device.stream);
    const std::uint64_t before = stream.framesRendered();
    std::this_thread::sleep_for(300ms);
    const double seconds = static_cast<double>(stream.framesRendered() - before) / 44100.0;
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 0.5);
    device.mixer->remove(buffer.get());
}

} // namespace
} // namespace velisto
