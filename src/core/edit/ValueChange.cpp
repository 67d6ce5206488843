#include "edit/ValueChange.h"

#include "edit/EventFilter.h"
#include "midi/SysexDecoder.h"
#include "song/Song.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace velisto {

namespace {

// Index into the stored bytes of the value of the chosen controller in a key-based
// instrument controller message for the chosen key; std::nullopt when the message is
// something else. Only the controller/value pairs are searched, so a channel or key byte
// that happens to equal the controller number is never taken for it.
std::optional<std::size_t> keyBasedValueIndex(const std::vector<std::uint8_t>& stored, int key, int controller)
{
    const DecodedSysex decoded = decodeSysex(stored, nullptr);
    if (!decoded.keyBasedController || decoded.keyBased.key != key || decoded.keyBased.pairs.empty())
        return std::nullopt;
    // valueOffset is the channel byte; the key follows, then the pairs.
    const std::size_t firstPair = decoded.valueOffset + 2;
    for (std::size_t i = 0; i < decoded.keyBased.pairs.size(); ++i) {
        if (decoded.keyBased.pairs[i].controller != controller)
            continue;
        const std::size_t index = firstPair + 2 * i + 1;
        if (index < stored.size() && stored[index - 1] == controller)
            return index;
    }
    return std::nullopt;
}

} // namespace

std::string checkValueChange(const ValueChangeOptions& options)
{
    if (options.useCurve)
        return {};
    const int v = options.constant;
    if (options.percent)
        return v < -100 || v > 100 ? std::string(ValueChangeMessage::PercentRange) : std::string();
    if (options.signedRange)
        return v < -64 || v > 63 ? std::string(ValueChangeMessage::SignedFixRange) : std::string();
    return v < 0 || v > 127 ? std::string(ValueChangeMessage::FixRange) : std::string();
}

int changedValue(const ValueChangeOptions& options, const SelectionTicks& ticks, std::int32_t tick, int value)
{
    double r = 0.0;
    if (options.useCurve) {
        const double span = ticks.end - ticks.start;
        const double x = span > 0 ? (tick - ticks.start) / span : 0.0;
        const int index = std::clamp(static_cast<int>(x * (kCurvePoints - 1)), 0, kCurvePoints - 1);
        r = std::clamp(options.curve[static_cast<std::size_t>(index)] / double(kCurveTop), 0.0, 1.0);
    }
    int result = 0;
    if (options.percent) {
        const int p = options.useCurve ? static_cast<int>(r * 200 - 100) : options.constant;
        result = value + value * p / 100;
    } else if (options.useCurve) {
        result = static_cast<int>(r * 127);
    } else {
        result = options.constant + (options.signedRange ? 64 : 0);
    }
    return std::clamp(result, 0, 127);
}

bool changeValues(Song& song, const EditScope& scope, const ValueChangeOptions& options)
{
    bool matched = false;
    for (int t = scope.selection.firstTrack; t <= scope.selection.lastTrack; ++t) {
        for (MidiEvent& event : song.tracks[static_cast<std::size_t>(t)].events()) {
            if (event.tick > scope.ticks.end)
                break;
            if (event.tick < scope.ticks.start || !passesFilter(scope.filter, event))
                continue;
            const auto kind = event.kind();
            std::uint8_t* value = nullptr;
            switch (options.target) {
            case ValueTarget::Velocity:
                if (kind == EventKind::Note)
                    value = &event.data2;
                break;
            case ValueTarget::Controller:
                if (kind == EventKind::Controller && event.data1 == options.parameter)
                    value = &event.data2;
                break;
            case ValueTarget::Nrpn:
                if (kind == EventKind::Nrpn && event.data1 == options.parameter)
                    value = &event.data2;
                break;
            case ValueTarget::DrumNrpn:
                if (kind == EventKind::DrumNrpn && event.data1 == options.parameter && event.data3 == options.drumKey)
                    value = &event.data2;
                break;
            case ValueTarget::KeyBasedController:
                if (event.isSysex() && event.sysex) {
                    if (const auto index = keyBasedValueIndex(*event.sysex, options.drumKey, options.parameter))
                        value = &(*event.sysex)[*index];
                }
                break;
            }
            if (!value)
                continue;
            matched = true;
            int next = changedValue(options, scope.ticks, event.tick, *value);
            if (options.target == ValueTarget::Velocity)
                next = std::max(next, 1);
            *value = static_cast<std::uint8_t>(next);
        }
    }
    return matched;
}

} // namespace velisto
