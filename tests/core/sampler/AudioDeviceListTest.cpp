#include "AudioTestSupport.h"
#include "core/midi/DeviceTestSupport.h"

#include "sampler/AudioDeviceList.h"
#include "sampler/DialogSounds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velisto {
namespace {

using test::output;

const std::string kWarningTail =
    "' was not found or can't be opened.\n\nPlease check DirectSound device parameters and Velisto's Internal "
    "Sound Generator parameters.";

struct DeviceListFixture : ::testing::Test {
    test::FakeAudioSystem system;
    test::ScriptedPrompt prompt;
    AudioDeviceList list{system};

    void SetUp() override
    {
        system.outputs = {output("alsa:hw:0", "HDA Intel"), output("alsa:default", "Default", true),
                          output("alsa:usb", std::string(90, 'u'))};
        system.outputs[2].driver = "pulse";
        system.outputs[2].continuousRates = true;
        system.outputs[2].supports16Bit = false;
        ASSERT_TRUE(list.enumerate(prompt));
    }
};

TEST_F(DeviceListFixture, PrimaryFirstThenEveryOutputByDescription)
{
    const auto& devices = list.devices();
    ASSERT_EQ(devices.size(), 4U);
    EXPECT_TRUE(devices[0].primary);
    EXPECT_EQ(devices[0].description, "Primary Sounddriver");
    EXPECT_EQ(devices[0].guidText, "");
    EXPECT_EQ(devices[0].info.id, "alsa:default");
    EXPECT_EQ(devices[1].description, "HDA Intel");
    EXPECT_EQ(devices[1].guidText, "alsa:hw:0");
    EXPECT_FALSE(devices[1].primary);
    EXPECT_EQ(devices[2].description, "Default");
    EXPECT_EQ(devices[3].description, std::string(80, 'u'));
    EXPECT_EQ(devices[1].capabilities, "Real DirectSound driver installed (not emulated): yes\n"
                                       "Driver certified by Microsoft: no\n"
                                       "Sec. soundbuffers with 16-bit: yes\n"
                                       "Sec. soundbuffers hardware sample rate: 44100-96000\n"
                                       "Sec. soundbuffers support all rates between min and max: no\n");
    EXPECT_EQ(devices[3].capabilities, "Real DirectSound driver installed (not emulated): no\n"
                                       "Driver certified by Microsoft: no\n"
                                       "Sec. soundbuffers with 16-bit: no\n"
                                       "Sec. soundbuffers hardware sample rate: 44100-96000\n"
                                       "Sec. soundbuffers support all rates between min and max: yes\n");
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(AudioDeviceListTest, NoOutputsOrNoListingIsFatal)
{
    test::FakeAudioSystem system;
    test::ScriptedPrompt prompt;
    AudioDeviceList list(system);
    EXPECT_FALSE(list.enumerate(prompt));
    system.outputs = {output("a", "A")};
    system.listError = "no permission";
    EXPECT_FALSE(list.enumerate(prompt));
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[0].text, "No DirectSound devices found in your System");
    EXPECT_EQ(prompt.messages[1].text, "Can't enumerate DirectSound devices");
    for (const auto& shown : prompt.messages) {
        EXPECT_EQ(shown.title, "Fatal error");
        EXPECT_EQ(shown.icon, PromptIcon::Error);
    }

    system.listError.clear(); // no default output: the first one is the primary driver
    ASSERT_TRUE(list.enumerate(prompt));
    EXPECT_EQ(list.devices()[0].info.id, "a");
}

TEST_F(DeviceListFixture, OpensByDescriptionOnceAndTellsWhy)
{
    EXPECT_TRUE(list.open("HDA Intel", true, prompt));
    EXPECT_TRUE(list.open("HDA Intel", true, prompt));
    EXPECT_EQ(system.opened, std::vector<std::string>{"alsa:hw:0"});
    EXPECT_TRUE(list.find("HDA Intel")->open);
    ASSERT_NE(list.find("HDA Intel")->mixer, nullptr);

    EXPECT_FALSE(list.open("Nowhere", false, prompt));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(list.open("Nowhere", true, prompt));
    system.unopenable = {"alsa:default"};
    EXPECT_FALSE(list.open("Primary Sounddriver", true, prompt));
    EXPECT_FALSE(list.find("Primary Sounddriver")->open);
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[0].text, "DirectSound device 'Nowhere' not found in your system.");
    EXPECT_EQ(prompt.messages[1].text, "Can't initialize DirectSound device 'Primary Sounddriver'");
    EXPECT_EQ(prompt.messages[1].title, "DirectSound device");
}

TEST_F(DeviceListFixture, RoutesOpenTheirDevicesAndChooseByDrumKeyFirst)
{
    const std::vector<IsgChannelRoute> routes = {{9, std::nullopt, "", "Primary Sounddriver"},
                                                 {9, 38, "alsa:hw:0", "HDA Intel"},
                                                 {0, std::nullopt, "", "Gone"},
                                                 {1, std::nullopt, "", "Gone"},
                                                 {2, 40, "", "Default"}};
    system.unopenable = {"alsa:default"};
    list.openRoutedDevices(routes, prompt);
    ASSERT_EQ(prompt.messages.size(), 3U); // each missing name once
    EXPECT_EQ(prompt.messages[0].text, "DirectSound device 'Primary Sounddriver" + kWarningTail);
    EXPECT_EQ(prompt.messages[0].title, "DirectSound device init");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompt.messages[1].text, "DirectSound device 'Gone" + kWarningTail);
    EXPECT_EQ(prompt.messages[2].text, "DirectSound device 'Default" + kWarningTail); // the same output

    EXPECT_EQ(list.findRouted(routes, 9, 38), list.find("HDA Intel"));
    EXPECT_EQ(list.findRouted(routes, 9, 36), nullptr); // the channel's route names a closed device
    EXPECT_EQ(list.findRouted(routes, 0, 60), nullptr);
    EXPECT_EQ(list.findRouted(routes, 2, 41), nullptr); // only key 40 is routed on channel 2
    system.unopenable.clear();
    ASSERT_TRUE(list.open("Primary Sounddriver", false, prompt));
    EXPECT_EQ(list.findRouted(routes, 9, 36), list.find("Primary Sounddriver"));
}

// Plays the sound by rendering the device's mixer here, as its stream would.
std::size_t playToEnd(SoundMixer& mixer, DialogSoundPlayer& player, float& loudest)
{
    std::vector<float> block(1024);
    for (int i = 0; i < 2000 && player.reap() > 0; ++i) {
        mixer.render(block);
        for (float sample : block)
            loudest = std::max(loudest, std::abs(sample));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return player.reap();
}

TEST_F(DeviceListFixture, DialogSoundPlaysToItsEndAndLetsItsBufferGo)
{
    DialogSoundPlayer player(VELISTO_RESOURCE_DIR);
    for (int id : {kDialogSoundClick, kDialogSoundRising, kDialogSoundNoChange, kDialogSoundConfirm}) {
        // The stored id is from another run; the name still finds the device.
        ASSERT_TRUE(player.play(id, list, "alsa:hw:9", "HDA Intel", prompt)) << id;
        SoundMixer& mixer = *list.find("HDA Intel")->mixer;
        EXPECT_EQ(mixer.count(), 1U);
        float loudest = 0.0F;
        EXPECT_EQ(playToEnd(mixer, player, loudest), 0U) << id;
        EXPECT_GT(loudest, 0.05F) << id;
        EXPECT_EQ(mixer.count(), 0U) << id;
    }
    EXPECT_FALSE(player.play(541, list, "", "Primary Sounddriver", prompt));
    EXPECT_FALSE(player.play(kDialogSoundClick, list, "alsa:hw:9", "Nowhere", prompt));
    // An empty id is the primary driver's.
    EXPECT_TRUE(player.play(kDialogSoundClick, list, "", "Nowhere", prompt));
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(DeviceListFixture, DialogSoundOtherThanSixteenBitIsNotPlayed)
{
    const auto dir = std::filesystem::temp_directory_path() / "velisto-dialog-sounds-test";
    std::filesystem::create_directories(dir / "sounds");
    std::vector<std::uint8_t> image = {'R', 'I', 'F', 'F', 44, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                                       ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x44, 0xAC, 0,   0,   0x44, 0xAC,
                                       0,   0,   1,   0,   8,  0, 'd', 'a', 't', 'a',  8,    0,   0,   0};
    image.resize(52, 200);
    std::ofstream(dir / "sounds" / "540.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    DialogSoundPlayer player(dir);
    EXPECT_FALSE(player.play(kDialogSoundClick, list, "", "Primary Sounddriver", prompt));
    image[34] = 16; // the same bytes as 16 bit play
    std::ofstream(dir / "sounds" / "540.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    EXPECT_TRUE(player.play(kDialogSoundClick, list, "", "Primary Sounddriver", prompt));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace velisto
