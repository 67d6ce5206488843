#pragma once
// The Internal Sound Generator's live sound: the audio system of the run, its sound
// devices, and the sampler that the device table attaches to the generator when it opens
// (its channels routed to the devices its channel routes name, its samples from the
// configured instrument group).
//
// Thread contract: user-interface thread; the sampler it makes follows its own contract.
// Must outlive the device table's use of the generator.

#include "sampler/AudioDeviceList.h"
#include "sampler/AudioSystem.h"

#include <memory>
#include <string>

namespace velisto {

class DeviceTable;
class OutputMonitor;
class Sampler;
class UserPrompt;

class GeneratorAudio {
public:
    explicit GeneratorAudio(std::unique_ptr<AudioSystem> system);
    ~GeneratorAudio();
    GeneratorAudio(const GeneratorAudio&) = delete;
    GeneratorAudio& operator=(const GeneratorAudio&) = delete;

    // Lists the sound devices (a fatal start-up text through prompt and false when there
    // are none) and makes the table give the generator a sampler on them when it opens.
    bool install(DeviceTable& table, OutputMonitor* monitor, std::string igrPath, UserPrompt& prompt);
    // The sampler while the generator is open; null otherwise.
    Sampler* sampler() const { return sampler_; }
    // True when sound goes nowhere (the null audio system).
    bool silent() const;
    AudioDeviceList& devices() { return devices_; }

private:
    std::unique_ptr<AudioSystem> system_;
    AudioDeviceList devices_;
    Sampler* sampler_ = nullptr;
};

} // namespace velisto
