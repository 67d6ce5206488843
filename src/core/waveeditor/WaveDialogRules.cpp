#include "waveeditor/WaveDialogRules.h"

#include "sampler/WaveFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velisto {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::optional<int> number(std::string_view text)
{
    text = trimmed(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::pair<int, int> velocityRangeFromFields(std::string_view from, std::string_view to)
{
    // An empty or unreadable field means "no range", not the smallest velocity.
    const auto low = number(from);
    const auto high = number(to);
    if (!low || !high)
        return {-1, -1};
    const int l = std::clamp(*low, 1, 127);
    const int h = std::clamp(*high, 1, 127);
    if (h < l)
        return {-1, -1};
    return {l, h};
}

std::string tempoLine(std::int64_t selectionFrames, std::uint32_t rate)
{
    if (selectionFrames <= 0 || rate == 0)
        return {};
    const double seconds = static_cast<double>(selectionFrames) / rate;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f BPM", 40.0 * 60.0 / seconds);
    return text;
}

std::string checkCopyBufferOptions(int replicate, double stretch)
{
    if (replicate < 1)
        return "Replicate copy buffer must be 1 or more.";
    if (!(stretch > 0))
        return "Stretch factor must be greater than 0.";
    return {};
}

std::optional<double> factorFromField(std::string_view text)
{
    text = trimmed(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string checkVolumeFactor(std::optional<double> factor)
{
    if (!factor || !(*factor > 0) || *factor > kVolumeFactorMax)
        return "Please enter a factor greater than 0 and not above 16.";
    return {};
}

std::string checkNewWaveFields(const NewWaveFields& fields)
{
    if (fields.minutes < kNewFileMinMinutes || fields.minutes > kNewFileMaxMinutes)
        return "Please enter a value between " + std::to_string(kNewFileMinMinutes) + " and " +
               std::to_string(kNewFileMaxMinutes);
    const std::string rate = std::to_string(fields.rate);
    if (std::find(std::begin(kNewFileRates), std::end(kNewFileRates), rate) == std::end(kNewFileRates))
        return "Please choose one of 11025, 22050, 44100 or 96000 samples per second.";
    if (fields.bits != 8 && fields.bits != 16 && fields.bits != 24)
        return "Please choose 8, 16 or 24 bits per sample.";
    return {};
}

std::vector<std::string> flagPositionLines(const WaveFile& wave)
{
    std::vector<std::string> lines;
    if (wave.hasLoop()) {
        lines.push_back("Loopstart " + std::to_string(wave.loopStart()));
        lines.push_back("Loopend " + std::to_string(wave.loopEnd()));
    } else {
        lines.push_back("No loop set");
    }
    for (std::size_t i = 0; i < wave.cuePoints().size(); ++i)
        lines.push_back("Cue point #" + std::to_string(i) + " " + std::to_string(wave.cuePoints()[i]));
    lines.push_back("Wave start address is " + std::to_string(wave.dataStart()));
    lines.push_back("Wave end address is " + std::to_string(wave.dataStart() + wave.dataLength()));
    return lines;
}

} // namespace velisto
