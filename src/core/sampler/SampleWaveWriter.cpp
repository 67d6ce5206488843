#include "sampler/SampleWaveWriter.h"

#include "app/SafeFileWrite.h"
#include "sampler/RiffBytes.h"

#include <vector>

namespace velisto {

using namespace riff;

namespace {

constexpr std::uint32_t kRate = 44100;

bool validInfo(const SampleWaveInfo& info, std::size_t frames, std::string& error)
{
    if (info.channels != 1 && info.channels != 2)
        error = "channels must be 1 or 2";
    else if (info.originalKey < 1 || info.originalKey > 127)
        error = "original key " + std::to_string(info.originalKey) + " outside 1..127";
    else if (info.lowKey < 0 || info.lowKey > info.highKey || info.highKey > 127)
        error = "bad key range";
    else if (info.velocityLow < 1 || info.velocityLow > info.velocityHigh || info.velocityHigh > 127)
        error = "bad velocity range";
    else if (info.loop && (info.loop->start >= info.loop->end || info.loop->end > frames))
        error = "loop outside the sample";
    return error.empty();
}

} // namespace

bool writeSampleWave(const std::string& path, std::span<const std::int16_t> samples, const SampleWaveInfo& info,
                     std::string& error)
{
    error.clear();
    const std::size_t frames = info.channels > 0 ? samples.size() / static_cast<std::size_t>(info.channels) : 0;
    if (!validInfo(info, frames, error)) {
        error = path + ": " + error;
        return false;
    }
    const auto channels = static_cast<std::uint32_t>(info.channels);
    const auto dataBytes = static_cast<std::uint32_t>(frames * channels * 2);
    const std::uint32_t smplBytes = 36 + (info.loop ? 24 : 0);
    const std::uint32_t instBytes = 7;
    // Every chunk body is padded to an even length; only "inst" needs it.
    const std::uint32_t riffBytes = 4 + (8 + 16) + (8 + dataBytes) + (8 + smplBytes) + (8 + instBytes + 1);

    std::vector<std::uint8_t> out;
    out.reserve(riffBytes + 8);
    appendId(out, "RIFF");
    append32(out, riffBytes);
    appendId(out, "WAVE");

    appendId(out, "fmt ");
    append32(out, 16);
    append16(out, 1);
    append16(out, channels);
    append32(out, kRate);
    append32(out, kRate * channels * 2);
    append16(out, channels * 2);
    append16(out, 16);

    appendId(out, "data");
    append32(out, dataBytes);
    for (std::size_t i = 0; i < frames * channels; ++i)
        append16(out, static_cast<std::uint16_t>(samples[i]));

    appendId(out, "smpl");
    append32(out, smplBytes);
    append32(out, 0);                   // manufacturer
    append32(out, 0);                   // product
    append32(out, 1000000000u / kRate); // sample period in ns
    append32(out, static_cast<std::uint32_t>(info.originalKey));
    append32(out, 0); // pitch fraction
    append32(out, 0); // SMPTE format
    append32(out, 0); // SMPTE offset
    append32(out, info.loop ? 1 : 0);
    append32(out, 0); // sampler data
    if (info.loop) {
        append32(out, 0); // cue point id
        append32(out, 0); // forward
        append32(out, info.loop->start);
        append32(out, info.loop->end); // exclusive, as WaveFile reads it
        append32(out, 0);              // fraction
        append32(out, 0);              // endless
    }

    appendId(out, "inst");
    append32(out, instBytes);
    out.push_back(static_cast<std::uint8_t>(info.originalKey));
    out.push_back(0); // fine tune
    out.push_back(0); // gain dB
    out.push_back(static_cast<std::uint8_t>(info.lowKey));
    out.push_back(static_cast<std::uint8_t>(info.highKey));
    out.push_back(static_cast<std::uint8_t>(info.velocityLow));
    out.push_back(static_cast<std::uint8_t>(info.velocityHigh));
    out.push_back(0); // pad

    const SafeWriteResult result = writeFileSafely(path, out);
    if (result.status == SafeWriteStatus::Written)
        return true;
    error = "Can't write " + path;
    if (!result.reason.empty())
        error += ": " + result.reason;
    return false;
}

} // namespace velisto
