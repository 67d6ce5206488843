#include "audio/NullAudioSystem.h"

#include "sampler/SoundMixer.h"

#include <chrono>

namespace velisto {

NullAudioStream::NullAudioStream(SoundMixer& mixer) : mixer_(mixer), block_(kBlockFrames * 2)
{
    mixer_.setOutputRate(kRate);
}

NullAudioStream::~NullAudioStream() { stop(); }

bool NullAudioStream::start()
{
    if (thread_.joinable())
        return true;
    running_.store(true);
    thread_ = std::thread([this] { run(); });
    return true;
}

void NullAudioStream::stop()
{
    running_.store(false);
    if (thread_.joinable())
        thread_.join();
}

void NullAudioStream::run()
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kBlockFrames) / static_cast<double>(kRate)));
    // Deadlines add up from the start, so late wake-ups do not make the stream drift slow.
    auto deadline = Clock::now();
    while (running_.load()) {
        mixer_.render(std::span<float>(block_));
        frames_.fetch_add(kBlockFrames);
        deadline += period;
        std::this_thread::sleep_until(deadline);
    }
}

std::vector<AudioDeviceInfo> NullAudioSystem::devices()
{
    AudioDeviceInfo info;
    info.id = "null";
    info.description = "Null output";
    info.driver = "null";
    info.isDefault = true;
    info.minRate = NullAudioStream::kRate;
    info.maxRate = NullAudioStream::kRate;
    return {info};
}

std::unique_ptr<AudioStream> NullAudioSystem::open(const AudioDeviceInfo& device, SoundMixer& mixer, std::string& error)
{
    if (device.id != "null") {
        error = "no such output: " + device.description;
        return nullptr;
    }
    return std::make_unique<NullAudioStream>(mixer);
}

} // namespace velisto
