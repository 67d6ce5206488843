#pragma once
// Buffers filled with known signals, and an audio system whose devices and failures a test
// chooses, for the sound buffer, mixer and device list tests.

#include "sampler/AudioSystem.h"
#include "sampler/SoundBuffer.h"
#include "sampler/SoundMixer.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace velisto::test {

// A mono 16-bit buffer whose frame n holds 32767 * signal(n).
inline std::shared_ptr<SoundBuffer> monoBuffer(std::size_t frames, const std::function<double(std::size_t)>& signal)
{
    auto buffer = std::make_shared<SoundBuffer>(SoundBufferFormat{}, frames * 2);
    SoundBuffer::Region region;
    if (!buffer->lock(0, buffer->size(), region))
        return buffer;
    for (std::size_t n = 0; n < frames; ++n) {
        const auto value = static_cast<std::int16_t>(std::lround(32767.0 * signal(n)));
        std::memcpy(region.first.data() + 2 * n, &value, 2);
    }
    buffer->unlock(region);
    return buffer;
}

inline std::shared_ptr<SoundBuffer> constantBuffer(std::size_t frames, double value)
{
    return monoBuffer(frames, [value](std::size_t) { return value; });
}

inline double sine(double cyclesPerFrame, std::size_t n)
{
    return std::sin(2.0 * std::numbers::pi * cyclesPerFrame * static_cast<double>(n));
}

// Output frames of one buffer alone, in blocks of 512 frames.
inline std::vector<float> render(SoundBuffer& buffer, std::size_t frames, std::uint32_t rate = 44100,
                                 Interpolation interpolation = Interpolation::Linear)
{
    std::vector<float> out(frames * 2, 0.0F);
    for (std::size_t at = 0; at < frames; at += 512) {
        const std::size_t count = std::min<std::size_t>(512, frames - at);
        buffer.mix(std::span<float>(out.data() + 2 * at, count * 2), rate, interpolation);
    }
    return out;
}

class FakeStream : public AudioStream {
public:
    explicit FakeStream(bool startFails) : startFails_(startFails) {}
    bool start() override { return !startFails_; }
    void stop() override {}
    std::uint32_t rate() const override { return 44100; }

private:
    bool startFails_;
};

class FakeAudioSystem : public AudioSystem {
public:
    std::vector<AudioDeviceInfo> outputs;
    std::string listError;
    std::vector<std::string> unopenable; // ids whose open fails
    std::vector<std::string> opened;     // ids, in order

    std::string apiName() const override { return "fake"; }
    std::vector<AudioDeviceInfo> devices() override
    {
        return listError.empty() ? outputs : std::vector<AudioDeviceInfo>{};
    }
    std::string enumerationError() const override { return listError; }
    std::unique_ptr<AudioStream> open(const AudioDeviceInfo& device, SoundMixer&, std::string& error) override
    {
        for (const std::string& id : unopenable) {
            if (id == device.id) {
                error = "busy";
                return nullptr;
            }
        }
        opened.push_back(device.id);
        return std::make_unique<FakeStream>(false);
    }
};

inline AudioDeviceInfo output(std::string id, std::string description, bool isDefault = false)
{
    AudioDeviceInfo info;
    info.id = std::move(id);
    info.description = std::move(description);
    info.driver = "alsa";
    info.isDefault = isDefault;
    info.minRate = 44100;
    info.maxRate = 96000;
    return info;
}

} // namespace velisto::test
