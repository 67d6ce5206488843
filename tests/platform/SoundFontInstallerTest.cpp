#include "soundlib/SoundFontInstaller.h"

#include "app/MemoryProfileStore.h"
#include "core/sampler/IgrTestSupport.h"
#include "sampler/IgrLoader.h"
#include "sampler/SampleInfo.h"
#include "sampler/SampleMap.h"
#include "sampler/WaveFile.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velisto {
namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// The whole install takes a while: done once for every test that inspects its output.
class SoundFontInstallerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!std::filesystem::exists(kSoundFont))
            return;
        folder_ = std::make_unique<test::ScratchFolder>("soundfont-install");
        const auto start = std::chrono::steady_clock::now();
        result_ = installSoundFont({kSoundFont, folder_->dir() + "sounds"}, nullptr);
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    static void TearDownTestSuite() { folder_.reset(); }

    void SetUp() override
    {
        if (!std::filesystem::exists(kSoundFont))
            GTEST_SKIP() << kSoundFont << " is not installed";
        ASSERT_TRUE(result_.ok) << result_.error;
    }

    static std::string sample(const std::string& name) { return result_.folder + name; }

    static inline std::unique_ptr<test::ScratchFolder> folder_;
    static inline SoundInstallResult result_;
    static inline double seconds_ = 0;
};

TEST_F(SoundFontInstallerTest, GroupLoadsWithEveryProgramAndTheGeneralMidiDrums)
{
    std::cout << "installed " << result_.sampleCount << " samples, " << result_.totalBytes << " bytes in " << seconds_
              << " s\n";
    EXPECT_EQ(result_.igrPath, result_.folder + kInstalledGroupName);
    SampleMap map;
    std::string status;
    ASSERT_TRUE(loadSampleMap(map, result_.igrPath, readSampleInfo, {[&](const std::string& s) { status = s; }, {}}))
        << status;
    for (int program = 0; program < kSampleLists; ++program)
        EXPECT_FALSE(map.program(program).empty()) << "program " << program;
    for (int key = 35; key <= 81; ++key) {
        ASSERT_FALSE(map.drum(key).empty()) << "drum key " << key;
        EXPECT_EQ(map.drum(key).front().key, key);
    }
}

TEST_F(SoundFontInstallerTest, EverySampleHasKeyVelocitiesAndALoopInsideItsData)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(result_.folder)) {
        if (entry.path().extension() != ".wav")
            continue;
        ++files;
        WaveFile wave;
        std::string error;
        ASSERT_TRUE(wave.open(entry.path().string(), {.require44100 = true, .require16Bit = true}, error)) << error;
        EXPECT_EQ(wave.channels(), 1);
        EXPECT_GE(wave.originalKey(), 1) << error;
        EXPECT_LE(wave.originalKey(), 127);
        EXPECT_GE(wave.velocityLow(), 1);
        EXPECT_LE(wave.velocityLow(), wave.velocityHigh());
        EXPECT_LE(wave.velocityHigh(), 127);
        if (wave.hasLoop()) {
            EXPECT_GE(wave.loopStart(), wave.dataStart()) << entry.path();
            EXPECT_LT(wave.loopStart(), wave.loopEnd()) << entry.path();
            EXPECT_LE(wave.loopEnd(), wave.dataStart() + wave.dataLength()) << entry.path();
        }
        wave.close(error);
    }
    EXPECT_EQ(files, result_.sampleCount);
}

// Sign changes per second within the loop of a periodic sample, halved: its frequency.
double loopFrequency(const WaveFile& wave)
{
    std::vector<std::int16_t> loop(static_cast<std::size_t>((wave.loopEnd() - wave.loopStart()) / 2));
    std::ifstream in(wave.path(), std::ios::binary);
    in.seekg(wave.loopStart());
    in.read(reinterpret_cast<char*>(loop.data()), static_cast<std::streamsize>(loop.size() * 2));
    int crossings = 0;
    for (std::size_t i = 1; i < loop.size(); ++i)
        crossings += (loop[i - 1] < 0) != (loop[i] < 0) ? 1 : 0;
    return crossings / 2.0 / (static_cast<double>(loop.size()) / 44100.0);
}

double keyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

TEST_F(SoundFontInstallerTest, SamplesSoundAtTheirOriginalKey)
{
    WaveFile wave;
    std::string error;
    // The kit plays "TriangleWave Db5" (2068 frames at 44100 Hz, loop 332..2060, root key
    // 93) on key 81: an octave down, so twice as long.
    ASSERT_TRUE(wave.open(sample("d081_00.wav"), {}, error)) << error;
    EXPECT_NEAR(wave.frames(), 2 * 2068, 4);
    ASSERT_TRUE(wave.hasLoop());
    EXPECT_NEAR((wave.loopStart() - wave.dataStart()) / 2, 2 * 332, 1);
    EXPECT_NEAR((wave.loopEnd() - wave.dataStart()) / 2, 2 * 2060, 1);
    wave.close(error);

    // Periodic loops: "Saw Wave C1" (22050 Hz, root 36) plays keys 0..43 of program 63;
    // "Doo B2" (12000 Hz, root 69, +21 cents) keys 0..61 of program 54, so it is moved to
    // key 61 and pitched down. Each must sound at its stored key's frequency.
    SampleMap map;
    ASSERT_TRUE(loadSampleMap(map, result_.igrPath, readSampleInfo, {}));
    for (const auto& [program, key] : {std::pair{62, 36}, std::pair{53, 61}}) {
        const auto& list = map.program(program);
        const auto entry =
            std::find_if(list.begin(), list.end(), [key = key](const SampleEntry& e) { return e.key == key; });
        ASSERT_NE(entry, list.end()) << "program " << program << " key " << key;
        ASSERT_TRUE(wave.open(sample(entry->name), {}, error)) << error;
        ASSERT_TRUE(wave.hasLoop()) << entry->name;
        EXPECT_NEAR(loopFrequency(wave), keyFrequency(key), keyFrequency(key) * 0.007) << entry->name;
        wave.close(error);
    }
}

TEST(SoundFontInstallerStandaloneTest, RefusesWhatIsNoSoundFontAndAnUnwritableFolder)
{
    const test::ScratchFolder folder("soundfont-install-errors");
    folder.write("fake.sf2", std::string("RIFF\x10\0\0\0WAVEfmt ", 16));
    SoundInstallResult result = installSoundFont({folder.file("fake.sf2"), folder.dir() + "out"}, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("fake.sf2"), std::string::npos) << result.error;
    EXPECT_FALSE(std::filesystem::exists(folder.dir() + "out"));

    result = installSoundFont({folder.file("missing.sf2"), folder.dir() + "out"}, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("Can't read SoundFont"), std::string::npos) << result.error;

    if (!std::filesystem::exists(kSoundFont))
        return;
    folder.write("file", "x");
    result = installSoundFont({kSoundFont, folder.file("file")}, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("Can't create folder"), std::string::npos) << result.error;
}

TEST(SoundFontInstallerStandaloneTest, DamagedSoundFontsAreRefusedWithAMessage)
{
    // Each of these once hung or crashed the SoundFont library; they must come back as a text.
    const test::ScratchFolder folder("soundfont-damaged");
    const std::string noChunks("RIFF\xff\0\0\0sfbk", 12); // claims 255 bytes it does not have
    const std::string noTables = std::string("RIFF\x1c\0\0\0sfbk", 12) + std::string("LIST\x04\0\0\0INFO", 12) +
                                 std::string("LIST\x04\0\0\0sdta", 12);
    std::string truncated;
    if (std::filesystem::exists(kSoundFont)) {
        std::ifstream in(kSoundFont, std::ios::binary);
        truncated.resize(4096);
        in.read(truncated.data(), 4096);
    }
    for (const auto& [name, bytes, expected] :
         {std::tuple{"short.sf2", noChunks, "its length field does not match the file"},
          std::tuple{"lists.sf2", noTables, "\"pdta\" list is missing"},
          std::tuple{"cut.sf2", truncated, "is damaged"}}) {
        if (bytes.empty())
            continue;
        folder.write(name, bytes);
        const SoundInstallResult result = installSoundFont({folder.file(name), folder.dir() + "out"}, nullptr);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_NE(result.error.find(expected), std::string::npos) << name << ": " << result.error;
        EXPECT_FALSE(std::filesystem::exists(folder.dir() + "out")) << name;
    }
}

TEST(SoundFontInstallerStandaloneTest, ConfiguresTheGroupInTheAudioSection)
{
    MemoryProfileStore store;
    std::string error;
    ASSERT_TRUE(configureInstrumentGroup(store, "/data/sounds/velisto-gm.igr", error)) << error;
    EXPECT_EQ(store.getString("Audio", "igrfilepathandfilename", ""), "/data/sounds/velisto-gm.igr");
}

} // namespace
} // namespace velisto
