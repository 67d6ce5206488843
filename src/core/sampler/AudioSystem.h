#pragma once
// The machine's audio outputs as the sound devices of the program see them: a list of
// named output devices and opening one as a stream that pulls stereo frames from a
// SoundMixer in its own callback. Implemented over RtAudio (ALSA, PulseAudio, JACK) in
// src/platform, by a null system that consumes audio at real-time pace without sound,
// and by an offline system for rendering to a file.
//
// Thread contract: the system on the user-interface thread; a stream calls its mixer on
// the backend's audio thread between start and stop.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velisto {

class SoundMixer;

struct AudioDeviceInfo {
    std::string id;          // the backend's identifier, stable while the system runs
    std::string description; // the name users choose it by
    std::string driver;      // the API: "alsa", "pulse", "jack", "null"
    bool isDefault = false;  // the system's default output: "Primary Sounddriver"
    std::uint32_t minRate = 0;
    std::uint32_t maxRate = 0;
    bool continuousRates = false;
    bool supports16Bit = true;
};

class AudioStream {
public:
    virtual ~AudioStream() = default;
    // The stream pulls from its mixer from now on.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual std::uint32_t rate() const = 0;
};

class AudioSystem {
public:
    virtual ~AudioSystem() = default;
    virtual std::string apiName() const = 0;
    virtual std::vector<AudioDeviceInfo> devices() = 0;
    // Why the last devices() could not list the outputs; empty when it could (an empty
    // list then means the machine has none).
    virtual std::string enumerationError() const { return {}; }
    // Null with error set when the device cannot be opened.
    virtual std::unique_ptr<AudioStream> open(const AudioDeviceInfo& device, SoundMixer& mixer, std::string& error) = 0;
};

} // namespace velisto
