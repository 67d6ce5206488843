#include "audio/GeneratorAudio.h"

#include "app/ProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/IsgChannelRoute.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"
#include "soundlib/SoundFontInstaller.h"

#include <utility>

namespace velisto {

namespace {

std::vector<IsgChannelRoute> routesOf(const OutputDevice& generator)
{
    std::vector<IsgChannelRoute> routes;
    for (const std::string& text : generator.generatorEntries)
        if (const IsgChannelRouteParse parsed = IsgChannelRoute::parse(text); parsed.route)
            routes.push_back(*parsed.route);
    return routes;
}

} // namespace

GeneratorAudio::GeneratorAudio(std::unique_ptr<AudioSystem> system) : system_(std::move(system)), devices_(*system_) {}

GeneratorAudio::~GeneratorAudio() = default;

bool GeneratorAudio::silent() const { return system_->apiName() == "null"; }

bool GeneratorAudio::install(DeviceTable& table, OutputMonitor* monitor, std::string igrPath, UserPrompt& prompt,
                             ProfileStore* pathStore)
{
    if (!devices_.enumerate(prompt))
        return false;
    igrPath_ = std::move(igrPath);
    pathStore_ = pathStore;
    table.setGeneratorFactory([this, monitor, &prompt](OutputDevice& generator) -> std::unique_ptr<GeneratorSink> {
        devices_.openRoutedDevices(routesOf(generator), prompt);
        // Devices only open here, on this thread, before any voice asks for a mixer.
        auto sampler = std::make_unique<Sampler>(
            generator, sampleMap(),
            [this](const IsgChannelRoute& route) -> SoundMixer* {
                DirectSoundDevice* device = devices_.find(route.deviceName);
                return device && device->open ? device->mixer.get() : nullptr;
            },
            monitor);
        // A reopened generator loads the group it was closed with, not the start-up one.
        sampler->setIgrPath(igrPath_);
        sampler->setClosedHandler([this](const std::string& path) {
            sampler_ = nullptr;
            igrPath_ = path;
            storeIgrPath();
        });
        // Not waited for: the loader's channel update takes the send lock this runs under.
        sampler->loadGroup(false);
        sampler_ = sampler.get();
        return sampler;
    });
    return true;
}

std::string GeneratorAudio::igrPath() const { return sampler_ ? sampler_->igrPath() : igrPath_; }

void GeneratorAudio::storeIgrPath()
{
    if (pathStore_)
        pathStore_->writeString(kAudioSection, kIgrPathKey, igrPath());
}

} // namespace velisto
