// velisto-cli wav-info on files built byte by byte.

#include "Commands.h"

#include "core/sampler/WaveTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using namespace test;

class WaveInfoTest : public ::testing::Test {
protected:
    WaveInfoTest() : dir_(fs::temp_directory_path() / ("velisto-wav-info-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir_);
    }
    ~WaveInfoTest() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const WavBuilder& builder)
    {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << asString(builder.build());
        return path;
    }
    int run(const std::vector<std::string>& args)
    {
        out_.str("");
        err_.str("");
        return runCli(args, out_, err_);
    }

    fs::path dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(WaveInfoTest, TellsTheSamplerValuesAsTextAndJson)
{
    WavBuilder stereo;
    stereo.channels = 2;
    stereo.data = Bytes(1000 * 4, 0); // 1000 frames
    stereo.after.push_back({"smpl", smplBody(0, {{100, 900}})});
    stereo.after.push_back({"inst", instBody(62, 0, static_cast<std::uint8_t>(-6), 0, 127, 20, 90)});
    stereo.after.push_back({"cue ", cueBody({10, 500})});
    const std::string path = write("pad.wav", stereo);

    ASSERT_EQ(run({"wav-info", path}), kExitOk) << err_.str();
    const std::string text = out_.str();
    EXPECT_NE(text.find("format: PCM 16 bit, 2 channels, 44100 samples per second\n"), std::string::npos) << text;
    EXPECT_NE(text.find("original key: D5 (62)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("gain: -6 dB"), std::string::npos) << text;
    EXPECT_NE(text.find("velocity: 20-90\n"), std::string::npos) << text;
    EXPECT_NE(text.find("loop: frames 100 to 900"), std::string::npos) << text;
    EXPECT_NE(text.find("cue points: 2 10 500\n"), std::string::npos) << text;
    EXPECT_NE(text.find("fast view: 4 entries"), std::string::npos) << text;

    ASSERT_EQ(run({"wav-info", "--json", path}), kExitOk);
    const std::string json = out_.str();
    EXPECT_NE(json.find("\"frames\":1000,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"originalKey\":62,\"gainDb\":-6,\"velocity\":[20,90],\"loop\":[100,900],"
                        "\"cuePoints\":[10,500],\"fastViewEntries\":4}"),
              std::string::npos)
        << json;
}

TEST_F(WaveInfoTest, ARefusedFileExitsOneWithTheReadersText)
{
    WavBuilder broken;
    broken.riffDelta = 1;
    const std::string path = write("broken.wav", broken);
    EXPECT_EQ(run({"wav-info", path}), kExitRefused);
    EXPECT_EQ(err_.str(), "Error in broken.wav\nHeader corrupt (lFileSize NOT EQUAL real filelength - 8).\n");
    EXPECT_EQ(run({"wav-info", "--json", path}), kExitRefused);
    EXPECT_NE(out_.str().find("\"ok\":false"), std::string::npos);
    EXPECT_EQ(run({"wav-info"}), kExitUsage);
    EXPECT_EQ(run({"wav-info", path, "--frames"}), kExitUsage);
}

} // namespace
} // namespace velisto
