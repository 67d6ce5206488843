#pragma once
// An audio system without sound: one output, "Null output", the default, whose stream
// pulls blocks from its mixer on a thread of its own at real-time pace, so that voices
// progress and notify as they would on a sound card. Used where no sound card is found
// and by tests.
//
// Thread contract: the system on the user-interface thread; a stream's start and stop from
// one thread at a time; its mixer is called on the stream's thread only.

#include "sampler/AudioSystem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace velisto {

class NullAudioStream final : public AudioStream {
public:
    static constexpr std::uint32_t kRate = 44100;
    static constexpr std::size_t kBlockFrames = 512;

    explicit NullAudioStream(SoundMixer& mixer);
    ~NullAudioStream() override;
    NullAudioStream(const NullAudioStream&) = delete;
    NullAudioStream& operator=(const NullAudioStream&) = delete;

    bool start() override;
    void stop() override;
    std::uint32_t rate() const override { return kRate; }
    // Frames pulled from the mixer since the stream was made.
    std::uint64_t framesRendered() const { return frames_.load(); }

private:
    void run();

    SoundMixer& mixer_;
    std::vector<float> block_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> frames_{0};
    std::thread thread_;
};

class NullAudioSystem final : public AudioSystem {
public:
    std::string apiName() const override { return "null"; }
    std::vector<AudioDeviceInfo> devices() override;
    std::unique_ptr<AudioStream> open(const AudioDeviceInfo& device, SoundMixer& mixer, std::string& error) override;
};

} // namespace velisto
