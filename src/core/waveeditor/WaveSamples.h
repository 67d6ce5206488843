#pragma once
// PCM samples of the formats the wave editor edits (8-bit unsigned, 16- and 24-bit
// signed, little-endian), read into one signed 24-bit scale so that any two formats mix,
// and written back saturated. 8-bit silence is the byte 0x80, not 0.
//
// Thread contract: pure functions, any thread.

#include <cstdint>
#include <span>

namespace velisto {

inline constexpr std::int32_t kSampleMax = 0x7FFFFF; // the 24-bit scale
inline constexpr std::int32_t kSampleMin = -0x800000;

// The sample at p of a file with bitsPerSample bits, on the 24-bit scale.
std::int32_t readSample(const std::uint8_t* p, int bitsPerSample);
// Writes value (24-bit scale), saturated to the format's range.
void writeSample(std::uint8_t* p, int bitsPerSample, std::int64_t value);
// Fills bytes with silence of the format.
void fillSilence(std::span<std::uint8_t> bytes, int bitsPerSample);
// Multiplies every sample in bytes (whole samples) by factor, saturated.
void scaleSamples(std::span<std::uint8_t> bytes, int bitsPerSample, double factor);

} // namespace velisto
