#include "core/sampler/SamplerTestSupport.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/LoopbackMidiPortSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace velisto {
namespace {

using test::SamplerRig;

SampleEntry entry(int key, int low = 1, int high = 127) { return {"x.wav", key, low, high}; }

TEST(SamplerContentTest, SampleChoiceTakesNearestEarlierAndJokers)
{
    // Ties keep the earlier entry, whichever side it is on.
    EXPECT_EQ(chooseProgramSample({entry(58), entry(62)}, 60, 100).entry, 0);
    EXPECT_EQ(chooseProgramSample({entry(62), entry(58)}, 60, 100).entry, 0);
    // Velocity ranges filter before distance.
    EXPECT_EQ(chooseProgramSample({entry(60, 1, 50), entry(70, 51, 127)}, 60, 100).entry, 1);
    EXPECT_EQ(chooseProgramSample({entry(60, 1, 50)}, 60, 100).entry, -1);
    // Above the played key the ratio is r, below 1/r.
    EXPECT_DOUBLE_EQ(chooseProgramSample({entry(63)}, 60, 100).ratio, 1.0595 * 1.0595 * 1.0595);
    EXPECT_DOUBLE_EQ(chooseProgramSample({entry(57)}, 60, 100).ratio, 1.0 / (1.0595 * 1.0595 * 1.0595));
    // A joker C (128) against pitch classes.
    for (const int key : {0, 36, 120})
        EXPECT_DOUBLE_EQ(chooseProgramSample({entry(50), entry(128)}, key, 100).ratio, 1.0) << key;
    EXPECT_DOUBLE_EQ(chooseProgramSample({entry(128)}, 62, 100).ratio, 1.0 / (1.0595 * 1.0595));
    EXPECT_EQ(chooseDrumSample({entry(36, 100, 127), entry(36, 1, 127)}, 64).entry, 1);

    EXPECT_EQ(releaseMilliseconds(64, 0), 150);
    EXPECT_EQ(releaseMilliseconds(64, 33), 75);
    EXPECT_EQ(releaseMilliseconds(64, 48), 300);
    EXPECT_EQ(releaseMilliseconds(15, 0), 0);
}

TEST(SamplerContentTest, ChannelsLoadShareAndReleaseMastervoices)
{
    SamplerRig rig;
    rig.addSample("a.wav", {test::sine(4400, 100), 1, 60, std::pair{0u, 4400u}});
    rig.addSample("b.wav", {test::sine(4400, 50), 1, 72, std::pair{0u, 4400u}});
    rig.load({{0, "a.wav,b.wav"}, {5, "a.wav"}});
    EXPECT_EQ(rig.sampler->mastervoiceCount(), 2); // program 0 on every melodic channel, shared
    rig.programChange(0, 5);
    EXPECT_EQ(rig.sampler->loadedProgram(0), 5);
    EXPECT_EQ(rig.sampler->mastervoiceCount(), 2);
    rig.noteOn(0, 60);
    rig.render(0.2);
    EXPECT_EQ(rig.sampler->voiceCount(), 1);
    // A program without samples: the voice of the old program stops, nothing new starts.
    rig.programChange(0, 7);
    EXPECT_EQ(rig.sampler->voiceCount(), 0);
    rig.noteOn(0, 60);
    EXPECT_EQ(rig.sampler->voiceCount(), 0);
    EXPECT_NE(rig.monitor.text().find("no (matching) wave file found in .igr"), std::string::npos);

    rig.sampler->releaseEverything(true);
    EXPECT_EQ(rig.sampler->mastervoiceCount(), 0);
    EXPECT_FALSE(rig.map.loaded());
    EXPECT_EQ(rig.sampler->status().text.rfind("no .igr-map in memory", 0), 0U);
}

// Refill threads, a mixer pulled by its own thread, notes on the sending thread and content
// updates all at once: nothing may touch a freed mastervoice or buffer (run under TSan).
TEST(SamplerContentTest, NotesRaceContentUpdatesSafely)
{
    SamplerRig rig(false);
    rig.addSample("a.wav", {test::sine(30000, 100), 1, 60, std::nullopt});
    rig.addSample("b.wav", {test::sine(4400, 100), 1, 60, std::pair{0u, 4400u}});
    rig.load({{0, "a.wav"}, {1, "b.wav"}});
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> block(512);
        while (!done.load()) {
            rig.mixer.render(std::span<float>(block));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    std::thread content([&] {
        for (int i = 0; i < 20; ++i)
            rig.programChange(0, i % 2);
    });
    for (int i = 0; i < 400; ++i) {
        rig.noteOn(0, 48 + i % 24, 100);
        if (i % 3 == 0)
            rig.noteOff(0, 48 + (i + 12) % 24);
        if (i % 50 == 0) {
            const std::lock_guard lock(rig.device.sendMutex());
            rig.sampler->releaseChannel(0);
        }
    }
    content.join();
    rig.sampler->releaseEverything(true);
    done.store(true);
    audio.join();
    EXPECT_EQ(rig.sampler->voiceCount(), 0);
    EXPECT_EQ(rig.sampler->mastervoiceCount(), 0);
    EXPECT_EQ(rig.mixer.count(), 0U);
}

// The content dialog's lines and the path the map really holds, through a good load, a
// load that is still running, a failed load and the sampler's end.
TEST(SamplerContentTest, ContentLinesAndTheLoadedPathFollowTheLoads)
{
    SamplerRig rig;
    rig.addSample("a.wav", {test::sine(4400, 100), 1, 60, std::pair{0u, 4400u}});
    rig.load({{0, "a.wav"}});
    const std::string group = rig.sampler->igrPath();
    EXPECT_EQ(rig.sampler->loadedIgrPath(), group);
    std::vector<std::string> lines = rig.sampler->contentLines();
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines[0], "Sample map:");
    EXPECT_EQ(lines[1], group);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Program 1 a.wav Key C5 - Velocity from 1 to 127"), lines.end());
    // Program 1 is loaded on every melodic channel; channel 10 holds the (empty) drum set.
    EXPECT_EQ(lines.back(), "a.wav ch: 1 2 3 4 5 6 7 8 9 11 12 13 14 15 16");

    // A group whose sample is a pipe nobody writes to: its load waits on the open.
    const std::string pipe = std::filesystem::path(group).replace_filename("slow.wav").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string slowGroup = std::filesystem::path(group).replace_filename("slow.igr").string();
    std::ofstream(slowGroup, std::ios::binary) << test::igrImage({{0, "slow.wav"}});
    rig.sampler->setIgrPath(slowGroup);
    rig.sampler->loadGroup(false);
    for (int i = 0; i < 500 && !rig.sampler->status().busy; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(rig.sampler->contentLines(),
              std::vector<std::string>{"Sample map is currently loading, please wait untill its finished."});
    // An empty pipe reads as a broken file: the load fails and the map is empty.
    { std::ofstream(pipe, std::ios::binary).flush(); }
    rig.sampler->waitForContent();
    EXPECT_EQ(rig.sampler->loadedIgrPath(), "") << "the failed group is not what is loaded";
    EXPECT_EQ(rig.sampler->contentLines()[1], "--- no .igr file loaded ---");

    rig.sampler->setIgrPath(group);
    rig.sampler->loadGroup(true);
    EXPECT_EQ(rig.sampler->loadedIgrPath(), group);
    rig.sampler->releaseEverything(true);
    EXPECT_EQ(rig.sampler->loadedIgrPath(), "");

    std::vector<std::string> closedWith;
    rig.sampler->setIgrPath(slowGroup);
    rig.sampler->setClosedHandler([&](const std::string& path) { closedWith.push_back(path); });
    rig.sampler.reset();
    EXPECT_EQ(closedWith, std::vector<std::string>{slowGroup});
}

TEST(SamplerContentTest, GeneratorGetsItsSamplerWhileOpen)
{
    LoopbackMidiPortSystem ports({});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    SoundMixer mixer;
    SampleMap map;
    int made = 0;
    table.setGeneratorFactory([&](OutputDevice& device) {
        ++made;
        return std::make_unique<Sampler>(
            device, map, [&mixer](const IsgChannelRoute&) { return &mixer; }, nullptr);
    });
    OutputDevice& generator = table.device(DeviceTable::kGeneratorIndex);
    ASSERT_EQ(table.open(DeviceTable::kGeneratorIndex), "");
    EXPECT_NE(dynamic_cast<Sampler*>(generator.generatorSink), nullptr);
    EXPECT_EQ(table.close(DeviceTable::kGeneratorIndex), "");
    EXPECT_EQ(generator.generatorSink, nullptr);
    ASSERT_EQ(table.open(DeviceTable::kGeneratorIndex), "");
    EXPECT_EQ(made, 2);
}

} // namespace
} // namespace velisto
