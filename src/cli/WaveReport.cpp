#include "WaveReport.h"

#include "Json.h"
#include "sampler/IgrEditorModel.h"
#include "sampler/WaveFile.h"

#include <cstdint>
#include <sstream>

namespace velisto {

namespace {

std::int64_t frameOf(const WaveFile& wave, std::int64_t offset)
{
    return wave.frameSize() > 0 ? (offset - wave.dataStart()) / wave.frameSize() : 0;
}

double seconds(const WaveFile& wave)
{
    return wave.samplesPerSecond() > 0 ? static_cast<double>(wave.frames()) / wave.samplesPerSecond() : 0.0;
}

} // namespace

std::string originalKeyText(int key)
{
    if (key < 0 || key > kLastJokerKey)
        return "none";
    return editorKeyText(key) + (key < kFirstJokerKey ? " (" + std::to_string(key) + ")" : " (joker)");
}

std::string waveInfoText(const WaveFile& wave)
{
    std::ostringstream out;
    out << wave.path() << '\n';
    out << "format: PCM " << wave.bitsPerSample() << " bit, " << wave.channels()
        << (wave.channels() == 1 ? " channel, " : " channels, ") << wave.samplesPerSecond() << " samples per second\n";
    out << "data: " << wave.dataLength() << " bytes at offset " << wave.dataStart() << ", " << wave.frames()
        << " frames, " << jsonNumber(seconds(wave)) << " s\n";
    out << "original key: " << originalKeyText(wave.originalKey()) << '\n';
    out << "gain: " << wave.gain() << " dB (factor " << jsonNumber(wave.gainFactor()) << ")\n";
    if (wave.velocityLow() >= 0)
        out << "velocity: " << wave.velocityLow() << "-" << wave.velocityHigh() << '\n';
    else
        out << "velocity: not set\n";
    if (wave.hasLoop())
        out << "loop: frames " << frameOf(wave, wave.loopStart()) << " to " << frameOf(wave, wave.loopEnd())
            << " (end exclusive)\n";
    else
        out << "loop: none\n";
    out << "cue points: " << wave.cuePoints().size();
    for (const std::int64_t cue : wave.cuePoints())
        out << ' ' << frameOf(wave, cue);
    out << '\n';
    out << "fast view: " << wave.fastView().entries() << " entries of " << kFastViewFrames << " frames\n";
    return out.str();
}

std::string waveInfoJson(const WaveFile& wave)
{
    std::ostringstream out;
    out << "{\"ok\":true,\"file\":" << jsonString(wave.path()) << ",\"format\":{\"bits\":" << wave.bitsPerSample()
        << ",\"channels\":" << wave.channels() << ",\"samplesPerSecond\":" << wave.samplesPerSecond()
        << "},\"dataStart\":" << wave.dataStart() << ",\"dataLength\":" << wave.dataLength()
        << ",\"frames\":" << wave.frames() << ",\"seconds\":" << jsonNumber(seconds(wave)) << ",\"originalKey\":";
    if (wave.originalKey() >= 0)
        out << wave.originalKey();
    else
        out << "null";
    out << ",\"gainDb\":" << wave.gain() << ",\"velocity\":";
    if (wave.velocityLow() >= 0)
        out << '[' << wave.velocityLow() << ',' << wave.velocityHigh() << ']';
    else
        out << "null";
    out << ",\"loop\":";
    if (wave.hasLoop())
        out << '[' << frameOf(wave, wave.loopStart()) << ',' << frameOf(wave, wave.loopEnd()) << ']';
    else
        out << "null";
    out << ",\"cuePoints\":[";
    for (std::size_t i = 0; i < wave.cuePoints().size(); ++i)
        out << (i ? "," : "") << frameOf(wave, wave.cuePoints()[i]);
    out << "],\"fastViewEntries\":" << wave.fastView().entries() << '}';
    return out.str();
}

} // namespace velisto
