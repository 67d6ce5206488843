#include "audio/GeneratorAudio.h"

#include "midi/DeviceTable.h"
#include "midi/IsgChannelRoute.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"

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

bool GeneratorAudio::install(DeviceTable& table, OutputMonitor* monitor, std::string igrPath, UserPrompt& prompt)
{
    if (!devices_.enumerate(prompt))
        return false;
    table.setGeneratorFactory([this, monitor, igrPath = std::move(igrPath),
                               &prompt](OutputDevice& generator) -> std::unique_ptr<GeneratorSink> {
        devices_.openRoutedDevices(routesOf(generator), prompt);
        // Devices only open here, on this thread, before any voice asks for a mixer.
        auto sampler = std::make_unique<Sampler>(
            generator, sampleMap(),
            [this](const IsgChannelRoute& route) -> SoundMixer* {
                DirectSoundDevice* device = devices_.find(route.deviceName);
                return device && device->open ? device->mixer.get() : nullptr;
            },
            monitor);
        sampler->setIgrPath(igrPath);
        // Not waited for: the loader's channel update takes the send lock this runs under.
        sampler->loadGroup(false);
        sampler_ = sampler.get();
        return sampler;
    });
    return true;
}

} // namespace velisto
