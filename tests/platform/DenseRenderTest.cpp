// The level of rendered songs through the sound library made from the system's General MIDI
// SoundFont: the master gain and the limiter keep dense songs off full scale, near -18 dBFS RMS.
#include "soundlib/SoundFontInstaller.h"

#include "app/UserPrompt.h"
#include "core/sampler/IgrTestSupport.h"
#include "sampler/MidiToWave.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace velisto {
namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct Level {
    double fullScalePercent = 0;
    double rmsDb = 0;
    double limitedPercent = 0;
};

Level levelOf(const std::string& wavPath, const RenderResult& result)
{
    std::ifstream in(wavPath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t count = bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0;
    std::size_t fullScale = 0;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t v;
        std::memcpy(&v, bytes.data() + 44 + 2 * i, 2);
        fullScale += v == 32767 || v <= -32767 ? 1 : 0;
        sum += static_cast<double>(v) * v;
    }
    Level level;
    if (count == 0)
        return level;
    level.fullScalePercent = 100.0 * static_cast<double>(fullScale) / static_cast<double>(count);
    level.rmsDb = 10 * std::log10(sum / static_cast<double>(count) / (32768.0 * 32768.0));
    level.limitedPercent = 100.0 * static_cast<double>(result.limitedFrames) / static_cast<double>(result.frames);
    return level;
}

// Every melodic channel holds a four-note chord of a sustained instrument, forte, beat
// after beat, over a drum kit: denser than General MIDI songs usually get.
std::unique_ptr<Song> denseSong()
{
    auto song = std::make_unique<Song>();
    song->ppq = 96;
    song->clear(0);
    const int programs[16] = {48, 61, 19, 0, 52, 30, 56, 33, 49, 0, 62, 71, 40, 81, 89, 24};
    const int chord[4] = {48, 55, 60, 64};
    for (int channel = 0; channel < 16; ++channel) {
        Track& track = song->tracks[static_cast<std::size_t>(channel)];
        if (channel == 9) {
            for (int beat = 0; beat < 16; ++beat)
                for (const int key : {36, beat % 2 ? 38 : 42, 49})
                    track.append(MidiEvent::note(beat * 96, 9, key, 110, 48));
            continue;
        }
        track.append(MidiEvent::channelEvent(0, static_cast<std::uint8_t>(0xC0 | channel),
                                             static_cast<std::uint8_t>(programs[channel]), 0));
        for (int beat = 0; beat < 16; ++beat)
            for (const int key : chord)
                track.append(MidiEvent::note(beat * 96, channel, key + 12 * (channel % 3 - 1), 100, 90));
    }
    return song;
}

class DenseRenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!std::filesystem::exists(kSoundFont))
            return;
        folder_ = std::make_unique<test::ScratchFolder>("dense-render");
        library_ = installSoundFont({kSoundFont, folder_->dir() + "sounds"}, nullptr);
    }
    static void TearDownTestSuite() { folder_.reset(); }

    void SetUp() override
    {
        if (!std::filesystem::exists(kSoundFont))
            GTEST_SKIP() << kSoundFont << " is not installed";
        ASSERT_TRUE(library_.ok) << library_.error;
    }

    static Level render(const Song& song, const std::string& name)
    {
        RenderOptions options;
        options.igrPath = library_.igrPath;
        const std::string wav = folder_->file(name);
        const RenderResult result = renderSongToWave(song, options, wav);
        EXPECT_TRUE(result.ok) << result.error;
        return levelOf(wav, result);
    }

    static inline std::unique_ptr<test::ScratchFolder> folder_;
    static inline SoundInstallResult library_;
};

TEST_F(DenseRenderTest, DenseSongsStayOffFullScaleNearTheTargetLevel)
{
    const Level dense = render(*denseSong(), "dense.wav");
    EXPECT_EQ(dense.fullScalePercent, 0.0);
    EXPECT_GT(dense.rmsDb, -26.0);
    EXPECT_LT(dense.rmsDb, -10.0);
    EXPECT_GT(dense.limitedPercent, 0.0) << "a song this dense reaches the limiter";

    auto demo = std::make_unique<Song>();
    SilentPrompt prompt;
    ASSERT_TRUE(MidiFileReader::load(VELISTO_RESOURCE_DIR "/demo/demo.mid", *demo, LoadOptions{}, prompt).ok);
    const Level level = render(*demo, "demo.wav");
    EXPECT_EQ(level.fullScalePercent, 0.0);
    EXPECT_GT(level.rmsDb, -26.0);
    EXPECT_LT(level.rmsDb, -10.0);
    EXPECT_LT(level.limitedPercent, 5.0);
    std::cout << "dense: RMS " << dense.rmsDb << " dBFS, limiter " << dense.limitedPercent << "%; demo: RMS "
              << level.rmsDb << " dBFS, limiter " << level.limitedPercent << "%\n";
}

} // namespace
} // namespace velisto
