#pragma once
// The machine's audio outputs through RtAudio 5 (ALSA, PulseAudio or JACK, one API per
// system). Devices are identified by API and name ("alsa:hw:PCH,0"), which stays the same
// across runs as long as the hardware does. A stream plays stereo floats at 44100 Hz when
// the device offers that rate, otherwise at its preferred rate; the mixer resamples.
//
// Thread contract: the system on the user-interface thread; a stream's start and stop from
// one thread at a time; its mixer is called on RtAudio's callback thread only.

#include "sampler/AudioSystem.h"

#include <memory>
#include <string>

class RtAudio;

namespace velisto {

class RtAudioSystem final : public AudioSystem {
public:
    // api: "alsa", "pulse" or "jack"; empty takes RtAudio's first API that has devices.
    // Null with error set when RtAudio cannot use it.
    static std::unique_ptr<RtAudioSystem> create(const std::string& api, std::string& error);
    ~RtAudioSystem() override;

    std::string apiName() const override;
    std::vector<AudioDeviceInfo> devices() override;
    std::string enumerationError() const override { return enumerationError_; }
    std::unique_ptr<AudioStream> open(const AudioDeviceInfo& device, SoundMixer& mixer, std::string& error) override;

private:
    explicit RtAudioSystem(std::unique_ptr<RtAudio> audio);

    std::unique_ptr<RtAudio> audio_;
    std::string enumerationError_;
};

} // namespace velisto
