#include "core/sampler/SamplerTestSupport.h"

#include "sampler/MidiToWave.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace velisto
