#pragma once
// A generator device with a sampler on one mixer, sample groups written as real files, and
// offline rendering: blocks of 256 frames, each followed by the voices' refills, so that a
// run is deterministic and no voice plays past a half ring between refills.

#include "core/sampler/IgrTestSupport.h"
#include "core/sampler/WaveTestSupport.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "playback/OutputMonitor.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"
#include "sampler/SoundMixer.h"

#include <cmath>
#include <memory>
#include <optional>
#include <span>

namespace velisto::test {

struct TestSample {
    std::vector<std::int16_t> samples; // interleaved
    int channels = 1;
    int key = 60;                                                // 128.. for a joker
    std::optional<std::pair<std::uint32_t, std::uint32_t>> loop; // frames, end exclusive
    int velocityLow = 1;
    int velocityHigh = 127;
};

inline std::string sampleFile(const TestSample& s)
{
    WavBuilder b;
    b.channels = s.channels;
    b.data.clear();
    for (const std::int16_t v : s.samples)
        add16(b.data, static_cast<std::uint16_t>(v));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> loops;
    if (s.loop)
        loops.push_back(*s.loop);
    b.after = {{"inst", instBody(s.key, 0, 0, 0, 127, s.velocityLow, s.velocityHigh)},
               {"smpl", smplBody(static_cast<std::uint32_t>(s.key), loops)}};
    return asString(b.build());
}

inline std::vector<std::int16_t> sine(int frames, double periodFrames, double amplitude = 16000)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * i / periodFrames)));
    return out;
}

class SamplerRig {
    ScratchFolder folder_{"sampler"}; // first in, last out: the sampler's files live in it
    bool offline_;

public:
    explicit SamplerRig(bool offline = true) : offline_(offline)
    {
        device.resetSendingState();
        device.generatorEntries = defaultIsgChannelRoutes();
        monitor.open();
        for (int c = 0; c < 16; ++c)
            setController(c, Cc::Volume, 127);
    }

    void addSample(const std::string& name, const TestSample& s) { folder_.write(name, sampleFile(s)); }
    // Writes the group and loads it.
    void load(const std::map<int, std::string>& programs, const std::map<int, std::string>& drums = {})
    {
        folder_.write("group.igr", igrImage(programs, drums));
        sampler = std::make_unique<Sampler>(
            device, map, [this](const IsgChannelRoute&) { return &mixer; }, &monitor);
        sampler->setOfflineRefills(offline_);
        sampler->setIgrPath(folder_.file("group.igr"));
        sampler->loadGroup(true);
    }
    void programChange(int channel, int program)
    {
        {
            const std::lock_guard lock(device.sendMutex());
            device.liveState.programChangeOfPart(channel + 1, program);
        }
        sampler->updateContent(true);
    }
    void setController(int channel, int number, int value)
    {
        const int slot = device.liveState.definition().slotOf(ParamKind::Controller, number);
        device.liveState.setControllerValue(channel, slot, value);
        if (sampler)
            sampler->updateChannelMix(channel, number);
    }
    void noteOn(int channel, int key, int velocity = 127)
    {
        const std::lock_guard lock(device.sendMutex());
        sampler->startVoice(channel, key, velocity);
    }
    void noteOff(int channel, int key)
    {
        const std::lock_guard lock(device.sendMutex());
        sampler->releaseVoices(channel, key);
    }
    // Interleaved stereo floats.
    std::vector<float> render(double seconds)
    {
        std::vector<float> out(static_cast<std::size_t>(seconds * 44100) * 2, 0.0F);
        for (std::size_t at = 0; at < out.size(); at += 512) {
            const std::size_t n = std::min<std::size_t>(512, out.size() - at);
            mixer.render(std::span<float>(out.data() + at, n));
            sampler->serviceRefills();
        }
        return out;
    }

    SampleMap map;
    OutputDevice device{1, std::string(kGeneratorDeviceName)};
    SoundMixer mixer;
    OutputMonitor monitor;
    std::unique_ptr<Sampler> sampler;
};

// Rising zero crossings per second of one channel.
inline double pitchOf(const std::vector<float>& stereo, std::size_t fromFrame, std::size_t frames, int channel = 0)
{
    int rises = 0;
    for (std::size_t i = fromFrame + 1; i < fromFrame + frames; ++i)
        if (stereo[2 * (i - 1) + channel] < 0 && stereo[2 * i + channel] >= 0)
            ++rises;
    return rises * 44100.0 / static_cast<double>(frames);
}

inline float peakOf(const std::vector<float>& stereo, std::size_t fromFrame, std::size_t frames, int channel)
{
    float peak = 0;
    for (std::size_t i = fromFrame; i < fromFrame + frames; ++i)
        peak = std::max(peak, std::abs(stereo[2 * i + static_cast<std::size_t>(channel)]));
    return peak;
}

} // namespace velisto::test
