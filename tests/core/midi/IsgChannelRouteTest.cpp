#include "midi/IsgChannelRoute.h"

#include <gtest/gtest.h>

#include <string>

namespace velisto {
namespace {

std::string errorOf(std::string_view text)
{
    const IsgChannelRouteParse result = IsgChannelRoute::parse(text);
    EXPECT_FALSE(result.route.has_value()) << text;
    return result.error;
}

TEST(IsgChannelRouteTest, SixteenDefaultsOnThePrimarySoundDriver)
{
    const std::vector<std::string> routes = defaultIsgChannelRoutes();
    ASSERT_EQ(routes.size(), 16u);
    EXPECT_EQ(routes[0], R"(0\\\Primary Sounddriver\)");
    EXPECT_EQ(routes[15], R"(15\\\Primary Sounddriver\)");
    for (std::size_t i = 0; i < routes.size(); ++i) {
        const IsgChannelRouteParse result = IsgChannelRoute::parse(routes[i]);
        ASSERT_TRUE(result.route.has_value()) << result.error;
        EXPECT_EQ(result.route->channel, static_cast<int>(i));
        EXPECT_FALSE(result.route->drumKey.has_value());
        EXPECT_EQ(result.route->deviceId, "");
        EXPECT_EQ(result.route->deviceName, IsgChannelRoute::kPrimaryDeviceName);
        EXPECT_EQ(result.route->format(), routes[i]);
    }
}

TEST(IsgChannelRouteTest, DrumKeyRouteRoundTrips)
{
    const std::string text = R"(9\38\{0D3A1F62-7C4B-4E9A-9F2B-5A1E0C3D4B6F}\USB Audio: Snare out\)";
    const IsgChannelRouteParse result = IsgChannelRoute::parse(text);
    ASSERT_TRUE(result.route.has_value()) << result.error;
    EXPECT_EQ(result.route->channel, 9);
    EXPECT_EQ(result.route->drumKey, 38);
    EXPECT_EQ(result.route->deviceId, "{0D3A1F62-7C4B-4E9A-9F2B-5A1E0C3D4B6F}");
    EXPECT_EQ(result.route->deviceName, "USB Audio: Snare out");
    EXPECT_EQ(result.route->format(), text);

    EXPECT_EQ(IsgChannelRoute::parse(R"(09\038\\x\)").route->format(), R"(9\38\\x\)") << "leading zeros";
    EXPECT_EQ(IsgChannelRoute::parse(R"(0\0\\\)").route->drumKey, 0) << "key 0 is a key, not none";
}

TEST(IsgChannelRouteTest, MalformedRoutesSayWhatIsWrong)
{
    const std::string shape = "is not 4 fields, each ended by a backslash";
    for (const char* text : {"", R"(0\\\Primary Sounddriver)", R"(0\\Primary Sounddriver\)", R"(0\\\a\b\)"})
        EXPECT_NE(errorOf(text).find(shape), std::string::npos) << text;
    EXPECT_EQ(errorOf(R"(16\\\x\)"), "Channel route, field 1: channel '16' is not between 0 and 15");
    EXPECT_EQ(errorOf(R"(\\\x\)"), "Channel route, field 1: channel '' is not between 0 and 15");
    EXPECT_EQ(errorOf(R"(-1\\\x\)"), "Channel route, field 1: channel '-1' is not between 0 and 15");
    EXPECT_EQ(errorOf(R"(0\128\\x\)"), "Channel route, field 2: drum key '128' is neither empty nor between 0 and 127");
    EXPECT_EQ(errorOf(R"(0\C3\\x\)"), "Channel route, field 2: drum key 'C3' is neither empty nor between 0 and 127");
}

} // namespace
} // namespace velisto
