#include "edit/ValueChange.h"

#include "edit/EventFilter.h"
#include "midi/SysexDecoder.h"
#include "song/Song.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>
#include <utility>

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
        const int index = curvePointOfTick(ticks, tick);
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

// ---- the curve as the dialog draws it ----

namespace {

// value scaled from 0..from to 0..to, to the nearest whole number.
int scaled(std::int64_t value, int from, int to)
{
    if (from <= 0)
        return 0;
    return static_cast<int>((value * to + from / 2) / from);
}

} // namespace

int curvePointAt(int x, int width)
{
    return std::clamp(scaled(std::max(x, 0), width - 1, kCurvePoints - 1), 0, kCurvePoints - 1);
}

int curveLevelAt(int y, int height)
{
    return std::clamp(scaled(std::max(height - 1 - y, 0), height - 1, kCurveTop), 0, kCurveTop);
}

int curvePointOfTick(const SelectionTicks& ticks, std::int32_t tick)
{
    // In whole numbers: a tick exactly on a point must not fall to the one before by rounding.
    const std::int64_t span = std::int64_t{ticks.end} - ticks.start;
    if (span <= 0)
        return 0;
    const std::int64_t offset = std::clamp<std::int64_t>(std::int64_t{tick} - ticks.start, 0, span);
    return static_cast<int>(offset * (kCurvePoints - 1) / span);
}

void drawCurveLine(CurveLevels& curve, int fromPoint, int fromLevel, int toPoint, int toLevel)
{
    fromPoint = std::clamp(fromPoint, 0, kCurvePoints - 1);
    toPoint = std::clamp(toPoint, 0, kCurvePoints - 1);
    fromLevel = std::clamp(fromLevel, 0, kCurveTop);
    toLevel = std::clamp(toLevel, 0, kCurveTop);
    if (fromPoint > toPoint) {
        std::swap(fromPoint, toPoint);
        std::swap(fromLevel, toLevel);
    }
    const int steps = toPoint - fromPoint;
    if (steps == 0) {
        curve[static_cast<std::size_t>(toPoint)] = toLevel; // where the mouse is now
        return;
    }
    for (int p = fromPoint; p <= toPoint; ++p) {
        const int rise = (toLevel - fromLevel) * (p - fromPoint);
        // Rounded to the nearest level in either direction.
        const int offset = rise >= 0 ? (rise + steps / 2) / steps : -((-rise + steps / 2) / steps);
        curve[static_cast<std::size_t>(p)] = fromLevel + offset;
    }
}

void setCurveHorizontal(CurveLevels& curve, int level) { curve.fill(std::clamp(level, 0, kCurveTop)); }

CurveLevels curvePreset(CurvePreset preset)
{
    constexpr int kLast = kCurvePoints - 1;
    constexpr int kMiddlePoint = kCurvePoints / 2;
    CurveLevels curve{};
    switch (preset) {
    case CurvePreset::Rising:
        drawCurveLine(curve, 0, 0, kLast, kCurveTop);
        break;
    case CurvePreset::Falling:
        drawCurveLine(curve, 0, kCurveTop, kLast, 0);
        break;
    case CurvePreset::Middle:
        // 50 of 99 gives 64 on the absolute scale.
        setCurveHorizontal(curve, (kCurveTop + 1) / 2);
        break;
    case CurvePreset::Peak:
        drawCurveLine(curve, 0, 0, kMiddlePoint, kCurveTop);
        drawCurveLine(curve, kMiddlePoint, kCurveTop, kLast, 0);
        break;
    case CurvePreset::Valley:
        drawCurveLine(curve, 0, kCurveTop, kMiddlePoint, 0);
        drawCurveLine(curve, kMiddlePoint, 0, kLast, kCurveTop);
        break;
    }
    return curve;
}

std::int32_t curvePreviewStep(const SelectionTicks& ticks)
{
    const std::int64_t span = static_cast<std::int64_t>(ticks.end) - ticks.start;
    return static_cast<std::int32_t>(std::max<std::int64_t>(1, span / (kCurvePoints - 1)));
}

std::string curveLevelsText(const CurveLevels& curve)
{
    std::string text;
    for (int level : curve)
        text += std::to_string(level) + '\\';
    return text;
}

std::optional<CurveLevels> curveLevelsFromText(std::string_view text)
{
    CurveLevels curve{};
    std::size_t point = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\\');
        if (end == std::string_view::npos || point == curve.size())
            return std::nullopt;
        int level = -1;
        const auto [last, error] = std::from_chars(text.data(), text.data() + end, level);
        if (error != std::errc() || last != text.data() + end || level < 0 || level > kCurveTop)
            return std::nullopt;
        curve[point++] = level;
        text.remove_prefix(end + 1);
    }
    if (point != curve.size())
        return std::nullopt;
    return curve;
}

} // namespace velisto
