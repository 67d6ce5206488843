#include "sampler/SampleInfo.h"

namespace velisto {

std::optional<SampleInfo> readSampleInfo(const std::string& path, std::string& error)
{
    WaveOpenOptions options;
    options.require44100 = true;
    options.require16Bit = true;
    WaveFile wave;
    if (!wave.open(path, options, error))
        return std::nullopt;
    SampleInfo info{wave.originalKey(), wave.velocityLow(), wave.velocityHigh()};
    std::string ignored; // read-only: closing writes nothing
    wave.close(ignored);
    return info;
}

} // namespace velisto
