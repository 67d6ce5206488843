#pragma once
// Which sound device the Internal Sound Generator plays a MIDI channel on, optionally for
// one drum key of that channel only. Stored as one text of four fields, each ended by a
// backslash: channel, drum key (empty: every key), device identifier, device name;
// e.g. "9\38\{...}\USB Audio\" or, for the primary sound driver, "0\\\Primary Sounddriver\".
// Thread contract: plain value type; pure functions, callable from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

struct IsgChannelRouteParse;

struct IsgChannelRoute {
    static constexpr std::string_view kPrimaryDeviceName = "Primary Sounddriver";
    static constexpr int kDefaultCount = 16;

    int channel = 0;            // 0..15
    std::optional<int> drumKey; // 0..127; none routes every key of the channel
    std::string deviceId;       // the sound device's identifier text; empty for the primary driver
    std::string deviceName;     // its description

    bool operator==(const IsgChannelRoute&) const = default;

    // Strict about the four fields and their ranges; leading zeros are read and not written back.
    static IsgChannelRouteParse parse(std::string_view text);
    // The identifier and the name must not contain a backslash.
    std::string format() const;
};

struct IsgChannelRouteParse {
    std::optional<IsgChannelRoute> route;
    // Why the text is not a channel route, naming the field (from 1); empty on success.
    std::string error;
};

// The generator's routes when it has no stored ones: channel i (0..15) on the primary
// sound driver, "i\\\Primary Sounddriver\".
std::vector<std::string> defaultIsgChannelRoutes();

} // namespace velisto
