#pragma once
// What the instrument group code needs to know of a sample .wav file: its original key
// and velocity range, as the wave reader finds them in the sampler chunks. Loader and
// editor take the reader as a function so that they can be used without files.
// Thread contract: readSampleInfo may run on any thread; it only opens the file read-only.

#include "sampler/WaveFile.h"

#include <functional>
#include <optional>
#include <string>

namespace velisto {

struct SampleInfo {
    int originalKey = kNoOriginalKey; // -1 none, 0..127, 128..139 joker
    int velocityLow = -1;             // -1: no velocity range
    int velocityHigh = -1;
};

// std::nullopt, with error set to the text to show, when the file is no usable sample.
using SampleInfoReader = std::function<std::optional<SampleInfo>(const std::string& path, std::string& error)>;

// Opens the file with the wave reader, read-only, requiring 44100 samples per second and
// 16 bits, without cue points or fast view image.
std::optional<SampleInfo> readSampleInfo(const std::string& path, std::string& error);

} // namespace velisto
