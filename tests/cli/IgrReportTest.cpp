#include "IgrReport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velisto {
namespace {

std::optional<SampleInfo> fakeSample(const std::string& path, std::string& error)
{
    if (path.ends_with("/gone.wav")) {
        error = "Can't open gone.wav";
        return std::nullopt;
    }
    return SampleInfo{128, 10, 20};
}

TEST(IgrReportTest, ListsTheLoadedGroupOrTellsWhyNot)
{
    const auto folder = std::filesystem::temp_directory_path() / ("velisto-igr-report-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "g.igr").string();
    std::string image = "vlx:igr|a.wav;" + std::string(127, ';') + "b\"x.wav;" + std::string(128, ';');
    std::ofstream(path, std::ios::binary) << image;

    bool loaded = false;
    const std::string json = igrInfoJson(path, loaded, fakeSample);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(json, "{\"ok\":true,\"file\":\"" + path +
                        "\",\"programs\":[{\"program\":1,\"samples\":[{\"name\":\"a.wav\",\"key\":128,"
                        "\"keyName\":\"C*\",\"velocityLow\":10,\"velocityHigh\":20}]}],\"drums\":[{\"key\":0,"
                        "\"samples\":[{\"name\":\"b\\\"x.wav\",\"velocityLow\":10,\"velocityHigh\":20}]}]}");
    EXPECT_NE(igrInfoText(path, loaded, fakeSample).find("\nDrum key 0 b\"x.wav Velocity from 10 to 20\n"),
              std::string::npos);

    std::ofstream(path, std::ios::binary) << "vlx:igr|gone.wav;";
    EXPECT_EQ(igrInfoText(path, loaded, fakeSample), "Program 0\nCan't open gone.wav\n");
    EXPECT_FALSE(loaded);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace velisto
