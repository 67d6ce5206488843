#pragma once
// Writes a new 16-bit 44100 Hz PCM wave file for the sound generator: the frames, then a
// "smpl" chunk (unity note, at most one forward loop) and an "inst" chunk (original key,
// gain 0, key range, velocity range) after the data chunk, where WaveFile reads them.
// The file is saved through a temporary file, so a failed write keeps any previous file.
// Thread contract: free function without shared state; any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velisto {

struct SampleLoop {
    std::uint32_t start = 0; // frames
    std::uint32_t end = 0;   // frames, exclusive
};

struct SampleWaveInfo {
    int channels = 1;     // 1 or 2; frames are interleaved left, right
    int originalKey = 60; // 1..127: the files cannot store key 0
    int lowKey = 0;
    int highKey = 127;
    int velocityLow = 1; // 1..127
    int velocityHigh = 127;
    std::optional<SampleLoop> loop; // must lie inside the frames with start < end
};

// False with error set when info is out of range or the file could not be written.
bool writeSampleWave(const std::string& path, std::span<const std::int16_t> samples, const SampleWaveInfo& info,
                     std::string& error);

} // namespace velisto
