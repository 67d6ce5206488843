#pragma once
// The Internal Sound Generator's live sound: the audio system of the run, its sound
// devices, and the sampler that the device table attaches to the generator when it opens
// (its channels routed to the devices its channel routes name, its samples from the
// configured instrument group). It keeps the generator's current .igr path across closes
// and opens, and stores it in the settings ("Audio" "igrfilepathandfilename") when the
// generator closes and at exit.
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
class ProfileStore;
class Sampler;
class UserPrompt;

class GeneratorAudio {
public:
    explicit GeneratorAudio(std::unique_ptr<AudioSystem> system);
    ~GeneratorAudio();
    GeneratorAudio(const GeneratorAudio&) = delete;
    GeneratorAudio& operator=(const GeneratorAudio&) = delete;

    // Lists the sound devices (a fatal start-up text through prompt and false when there
    // are none) and makes the table give the generator a sampler on them when it opens,
    // loading igrPath. With pathStore the current path is written there whenever the
    // generator closes; the store must outlive the generator's sampler.
    bool install(DeviceTable& table, OutputMonitor* monitor, std::string igrPath, UserPrompt& prompt,
                 ProfileStore* pathStore = nullptr);
    // The sampler while the generator is open; null otherwise.
    Sampler* sampler() const { return sampler_; }
    // The .igr path the generator loads: the open sampler's, else the one it closed with.
    std::string igrPath() const;
    // Writes igrPath() to the path store (at exit; a close writes by itself).
    void storeIgrPath();
    // True when sound goes nowhere (the null audio system).
    bool silent() const;
    AudioDeviceList& devices() { return devices_; }

private:
    std::unique_ptr<AudioSystem> system_;
    AudioDeviceList devices_;
    Sampler* sampler_ = nullptr;
    std::string igrPath_;
    ProfileStore* pathStore_ = nullptr;
};

} // namespace velisto
