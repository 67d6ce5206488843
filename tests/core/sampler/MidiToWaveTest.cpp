#include "core/sampler/SamplerTestSupport.h"

#include "app/Progress.h"
#include "sampler/MasterStage.h"
#include "sampler/MidiToWave.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velisto {
namespace {

std::uint32_t le32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

// The data of a rendered wave file as floats, interleaved stereo.
std::vector<std::int16_t> pcmOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> pcm(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
    if (!pcm.empty())
        std::memcpy(pcm.data(), bytes.data() + 44, pcm.size() * 2);
    return pcm;
}

template <typename Sample> std::size_t firstSound(const std::vector<Sample>& stereo)
{
    std::size_t i = 0;
    while (i < stereo.size() && stereo[i] == 0)
        ++i;
    return i / 2;
}

TEST(MidiToWaveTest, TwoNotesSoundAtTheirTimesWithTheirPitch)
{
    test::ScratchFolder folder("render");
    folder.write("tone.wav", test::sampleFile({test::sine(4400, 100), 1, 60, std::pair{0u, 4400u}}));
    folder.write("group.igr", test::igrImage({{0, "tone.wav"}}));

    // 120 BPM at 96 ticks a quarter: 192 ticks a second.
    Song song;
    song.ppq = 96;
    song.clear(0);
    song.tracks[0].append(MidiEvent::note(0, 0, 60, 127, 96));
    song.tracks[0].append(MidiEvent::note(192, 0, 72, 127, 96));
    RenderOptions options;
    options.igrPath = folder.file("group.igr");
    const RenderResult result = renderSongToWave(song, options, folder.file("out.wav"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.warnings, "");
    EXPECT_EQ(song.tracks[0].device, 0) << "the render works on a copy of the song";
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.wav") + ".vlxpart"));

    std::ifstream in(folder.file("out.wav"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 44U);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(bytes, 24), 44100U);
    EXPECT_EQ(le32(bytes, 28), 44100U * 4);
    EXPECT_EQ(le32(bytes, 40), bytes.size() - 44);
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size() - 44) / 4, result.frames);
    // The last note ends at 1.5 s and the song 6 quarters (3 s) later; a half ring may follow.
    EXPECT_GT(result.frames, 44100 * 9 / 2);
    EXPECT_LT(result.frames, 44100 * 5);

    std::vector<float> stereo(static_cast<std::size_t>(result.frames) * 2);
    for (std::size_t i = 0; i < stereo.size(); ++i) {
        std::int16_t v;
        std::memcpy(&v, bytes.data() + 44 + 2 * i, 2);
        stereo[i] = v / 32768.0F;
    }
    const auto onsetAfter = [&](std::size_t from) {
        std::size_t i = from;
        while (i < stereo.size() / 2 && std::abs(stereo[2 * i]) < 0.01F)
            ++i;
        return i;
    };
    const std::size_t first = onsetAfter(0);
    // The play timer and the block both quantise the start: within 20 ms.
    EXPECT_LT(first, 44100U / 50);
    // Silence between the notes: the first has faded out by 0.85 s.
    const std::size_t second = onsetAfter(44100 * 85 / 100);
    EXPECT_NEAR(static_cast<double>(second - first), 44100.0, 44100.0 / 100);
    EXPECT_NEAR(test::pitchOf(stereo, first + 2205, 11025), 441.0, 8.0);
    EXPECT_NEAR(test::pitchOf(stereo, second + 2205, 11025), 441.0 * 88236 / 44100, 8.0);
}

// A progress that asks to stop ends the render between blocks and leaves the file that
// was there before.
TEST(MidiToWaveTest, ACancelledRenderKeepsTheEarlierFile)
{
    class CancelAfter : public Progress {
    public:
        void begin(std::string_view) override {}
        void advance(long long, long long) override { ++reports; }
        void end() override {}
        bool cancelled() const override { return reports >= 3; }
        int reports = 0;
    };
    test::ScratchFolder folder("render-cancel");
    folder.write("tone.wav", test::sampleFile({test::sine(4400, 100), 1, 60, std::pair{0u, 4400u}}));
    folder.write("group.igr", test::igrImage({{0, "tone.wav"}}));
    folder.write("out.wav", "earlier");
    Song song;
    song.ppq = 96;
    song.clear(0);
    for (int i = 0; i < 40; ++i) // 20 s at 192 ticks a second
        song.tracks[0].append(MidiEvent::note(i * 96, 0, 60, 100, 90));
    CancelAfter progress;
    RenderOptions options;
    options.igrPath = folder.file("group.igr");
    options.progress = &progress;
    const RenderResult result = renderSongToWave(song, options, folder.file("out.wav"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(progress.reports, 3) << "stopped at the first report after the request";
    std::ifstream in(folder.file("out.wav"), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "earlier");
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.wav") + ".vlxpart"));
}

TEST(MidiToWaveTest, ADenseSongNeverReachesFullScale)
{
    test::ScratchFolder folder("render-dense");
    folder.write("loud.wav", test::sampleFile({test::sine(4400, 100, 30000), 1, 60, std::pair{0u, 4400u}}));
    folder.write("group.igr", test::igrImage({{0, "loud.wav"}}));
    Song song;
    song.ppq = 96;
    song.clear(0);
    for (int channel = 0; channel < 16; ++channel)
        if (channel != 9)
            for (const int key : {48, 52, 55, 60, 64, 67})
                song.tracks[static_cast<std::size_t>(channel)].append(MidiEvent::note(0, channel, key, 127, 192));
    RenderOptions options;
    options.igrPath = folder.file("group.igr");
    options.masterGainDb = 6.0; // far above full scale before the limiter
    const RenderResult result = renderSongToWave(song, options, folder.file("out.wav"));
    ASSERT_TRUE(result.ok) << result.error;

    const std::vector<std::int16_t> pcm = pcmOf(folder.file("out.wav"));
    ASSERT_EQ(pcm.size(), static_cast<std::size_t>(result.frames) * 2);
    int peak = 0;
    for (const std::int16_t v : pcm)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LE(peak, static_cast<int>(std::lround(MasterStage::kCeiling * 32767.0F)));
    EXPECT_GT(peak, 30000) << "held at the ceiling, not turned down further";
    EXPECT_GT(result.limitedFrames, 44100) << "a second of it needs the limiter";
    EXPECT_LT(result.limitedFrames, result.frames);
}

TEST(MidiToWaveTest, LiveAndOfflineSoundComeTheLookAheadLateAndWhole)
{
    // 1000 frames of a steady level: the first and the last frame of it can be found.
    const test::TestSample steady{std::vector<std::int16_t>(1000, 8000), 1, 60, std::nullopt};

    test::SamplerRig live;
    live.addSample("steady.wav", steady);
    live.load({{0, "steady.wav"}});
    live.noteOn(0, 60);
    const std::vector<float> heard = live.render(0.2);
    const std::size_t latency = live.mixer.master().latencyFrames();
    EXPECT_EQ(firstSound(heard), latency);

    test::ScratchFolder folder("render-latency");
    folder.write("steady.wav", test::sampleFile(steady));
    folder.write("group.igr", test::igrImage({{0, "steady.wav"}}));
    Song song;
    song.ppq = 96;
    song.clear(0);
    song.tracks[0].append(MidiEvent::note(0, 0, 60, 127, 96));
    RenderOptions options;
    options.igrPath = folder.file("group.igr");
    const RenderResult result = renderSongToWave(song, options, folder.file("out.wav"));
    ASSERT_TRUE(result.ok) << result.error;
    const std::vector<std::int16_t> pcm = pcmOf(folder.file("out.wav"));
    // A note of the render starts on the first frame of a block; the engine's start takes
    // a few blocks.
    EXPECT_EQ(firstSound(pcm) % kRenderBlockFrames, latency);
    // Every frame of the sample is in the file, the last ones out of the look-ahead too.
    std::size_t sounding = 0;
    for (std::size_t frame = 0; frame < pcm.size() / 2; ++frame)
        sounding += pcm[2 * frame] != 0 ? 1 : 0;
    EXPECT_EQ(sounding, 1000U);
}

} // namespace
} // namespace velisto
