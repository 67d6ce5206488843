#include "midi/IsgChannelRoute.h"

#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {
namespace {

constexpr char kFieldEnd = '\\';
constexpr int kFieldCount = 4;
constexpr int kMaxChannel = 15;
constexpr int kMaxKey = 127;

// Plain decimal digits, leading zeros allowed, 0..max.
std::optional<int> numberInRange(std::string_view text, int max)
{
    const std::optional<int> value = text.starts_with('-') ? std::nullopt : parseDecimal(text);
    return value && *value <= max ? value : std::nullopt;
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    if (text.size() > kShown)
        return "'" + std::string(text.substr(0, kShown)) + "...'";
    return "'" + std::string(text) + "'";
}

} // namespace

IsgChannelRouteParse IsgChannelRoute::parse(std::string_view text)
{
    // Four terminated fields are four separators and an empty tail.
    if (text.empty() || text.back() != kFieldEnd || fieldCount(text, kFieldEnd) != kFieldCount + 1)
        return {std::nullopt, "Channel route " + quoted(text) + " is not 4 fields, each ended by a backslash"};

    IsgChannelRoute route;
    const std::string channel = field(text, kFieldEnd, 1);
    const std::optional<int> channelNumber = numberInRange(channel, kMaxChannel);
    if (!channelNumber)
        return {std::nullopt, "Channel route, field 1: channel " + quoted(channel) + " is not between 0 and 15"};
    route.channel = *channelNumber;

    const std::string key = field(text, kFieldEnd, 2);
    if (!key.empty()) {
        route.drumKey = numberInRange(key, kMaxKey);
        if (!route.drumKey)
            return {std::nullopt,
                    "Channel route, field 2: drum key " + quoted(key) + " is neither empty nor between 0 and 127"};
    }
    route.deviceId = field(text, kFieldEnd, 3);
    route.deviceName = field(text, kFieldEnd, 4);
    return {std::move(route), {}};
}

std::string IsgChannelRoute::format() const
{
    std::string text = std::to_string(channel) + kFieldEnd;
    if (drumKey)
        text += std::to_string(*drumKey);
    text += kFieldEnd;
    text += deviceId + kFieldEnd + deviceName + kFieldEnd;
    return text;
}

std::vector<std::string> defaultIsgChannelRoutes()
{
    std::vector<std::string> routes;
    routes.reserve(IsgChannelRoute::kDefaultCount);
    for (int channel = 0; channel < IsgChannelRoute::kDefaultCount; ++channel)
        routes.push_back(std::to_string(channel) + "\\\\\\" + std::string(IsgChannelRoute::kPrimaryDeviceName) + "\\");
    return routes;
}

} // namespace velisto
