#include "waveeditor/WaveSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velisto {

std::int32_t readSample(const std::uint8_t* p, int bitsPerSample)
{
    switch (bitsPerSample) {
    case 8:
        return (static_cast<std::int32_t>(p[0]) - 128) * 65536;
    case 16:
        return static_cast<std::int16_t>(p[0] | (p[1] << 8)) * 256;
    default: {
        const std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
        return v >= 0x800000 ? v - 0x1000000 : v;
    }
    }
}

void writeSample(std::uint8_t* p, int bitsPerSample, std::int64_t value)
{
    const auto v = static_cast<std::int32_t>(std::clamp<std::int64_t>(value, kSampleMin, kSampleMax));
    switch (bitsPerSample) {
    case 8:
        p[0] = static_cast<std::uint8_t>((v >> 16) + 128);
        return;
    case 16: {
        const std::int32_t s = v >> 8;
        p[0] = static_cast<std::uint8_t>(s);
        p[1] = static_cast<std::uint8_t>(s >> 8);
        return;
    }
    default:
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
    }
}

void fillSilence(std::span<std::uint8_t> bytes, int bitsPerSample)
{
    std::memset(bytes.data(), bitsPerSample == 8 ? 0x80 : 0, bytes.size());
}

void scaleSamples(std::span<std::uint8_t> bytes, int bitsPerSample, double factor)
{
    const std::size_t size = static_cast<std::size_t>(bitsPerSample / 8);
    for (std::size_t i = 0; i + size <= bytes.size(); i += size) {
        std::uint8_t* p = bytes.data() + i;
        writeSample(p, bitsPerSample, std::llround(readSample(p, bitsPerSample) * factor));
    }
}

} // namespace velisto
