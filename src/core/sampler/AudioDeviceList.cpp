#include "sampler/AudioDeviceList.h"

#include <algorithm>

namespace velisto {

namespace {

std::string clipped(std::string text)
{
    if (text.size() > AudioDeviceList::kMaxTextLength)
        text.resize(AudioDeviceList::kMaxTextLength);
    return text;
}

std::string yesNo(bool value) { return value ? "yes\n" : "no\n"; }

DirectSoundDevice makeRecord(const AudioDeviceInfo& info, bool primary)
{
    DirectSoundDevice record;
    record.primary = primary;
    record.description = primary ? std::string(AudioDeviceList::kPrimaryName) : clipped(info.description);
    record.driver = clipped(info.driver);
    record.capabilities = AudioDeviceList::capabilitiesText(info);
    record.guidText = primary ? std::string() : info.id;
    record.info = info;
    return record;
}

} // namespace

AudioDeviceList::~AudioDeviceList()
{
    for (DirectSoundDevice& device : devices_) {
        if (device.stream)
            device.stream->stop();
    }
}

std::string AudioDeviceList::capabilitiesText(const AudioDeviceInfo& info)
{
    // Every buffer is mixed by Velisto itself; "real driver" tells whether that mix goes
    // straight to the hardware (ALSA) or to a server that owns it (JACK counts as direct,
    // PulseAudio mixes once more). No driver of ours is certified by anyone.
    const bool direct = info.driver == "alsa" || info.driver == "jack";
    return "Real DirectSound driver installed (not emulated): " + yesNo(direct) +
           "Driver certified by Microsoft: " + yesNo(false) +
           "Sec. soundbuffers with 16-bit: " + yesNo(info.supports16Bit) +
           "Sec. soundbuffers hardware sample rate: " + std::to_string(info.minRate) + "-" +
           std::to_string(info.maxRate) + "\n" +
           "Sec. soundbuffers support all rates between min and max: " + yesNo(info.continuousRates);
}

bool AudioDeviceList::enumerate(UserPrompt& prompt)
{
    devices_.clear();
    const std::vector<AudioDeviceInfo> infos = system_.devices();
    if (!system_.enumerationError().empty()) {
        prompt.message("Can't enumerate DirectSound devices", "Fatal error", PromptIcon::Error);
        return false;
    }
    if (infos.empty()) {
        prompt.message("No DirectSound devices found in your System", "Fatal error", PromptIcon::Error);
        return false;
    }
    // The default output stands first under its own name; without one the first listed
    // output serves, so that the default setting always names a device.
    auto primary = std::find_if(infos.begin(), infos.end(), [](const AudioDeviceInfo& i) { return i.isDefault; });
    if (primary == infos.end())
        primary = infos.begin();
    devices_.reserve(infos.size() + 1);
    devices_.push_back(makeRecord(*primary, true));
    for (const AudioDeviceInfo& info : infos)
        devices_.push_back(makeRecord(info, false));
    return true;
}

DirectSoundDevice* AudioDeviceList::find(std::string_view description)
{
    const auto it = std::find_if(devices_.begin(), devices_.end(),
                                 [&](const DirectSoundDevice& d) { return d.description == description; });
    return it == devices_.end() ? nullptr : &*it;
}

bool AudioDeviceList::open(std::string_view description, bool showErrors, UserPrompt& prompt)
{
    const std::string name(description);
    DirectSoundDevice* device = find(description);
    if (device == nullptr) {
        if (showErrors)
            prompt.message("DirectSound device '" + name + "' not found in your system.", "DirectSound device",
                           PromptIcon::Exclamation);
        return false;
    }
    if (device->open)
        return true;
    // The mixer's master stage is sized here, and again by the stream for its rate, before
    // the audio thread starts.
    auto mixer = std::make_unique<SoundMixer>();
    mixer->master().setGainDb(masterGainDb_);
    std::string error;
    std::unique_ptr<AudioStream> stream = system_.open(device->info, *mixer, error);
    if (!stream || !stream->start()) {
        if (showErrors)
            prompt.message("Can't initialize DirectSound device '" + name + "'", "DirectSound device",
                           PromptIcon::Exclamation);
        return false;
    }
    device->mixer = std::move(mixer);
    device->stream = std::move(stream);
    device->open = true;
    return true;
}

void AudioDeviceList::setMasterGainDb(double db)
{
    masterGainDb_ = db;
    for (DirectSoundDevice& device : devices_)
        if (device.mixer)
            device.mixer->master().setGainDb(db);
}

void AudioDeviceList::openRoutedDevices(const std::vector<IsgChannelRoute>& routes, UserPrompt& prompt)
{
    std::vector<std::string> warned;
    for (const IsgChannelRoute& route : routes) {
        if (open(route.deviceName, false, prompt))
            continue;
        // Sixteen routes to one missing device are one problem, told once.
        if (std::find(warned.begin(), warned.end(), route.deviceName) != warned.end())
            continue;
        warned.push_back(route.deviceName);
        prompt.message("DirectSound device '" + route.deviceName +
                           "' was not found or can't be opened.\n\nPlease check DirectSound device parameters and "
                           "Velisto's Internal Sound Generator parameters.",
                       "DirectSound device init", PromptIcon::Exclamation);
    }
}

DirectSoundDevice* AudioDeviceList::findRouted(const std::vector<IsgChannelRoute>& routes, int channel, int key)
{
    auto route = std::find_if(routes.begin(), routes.end(),
                              [&](const IsgChannelRoute& r) { return r.channel == channel && r.drumKey == key; });
    if (route == routes.end())
        route = std::find_if(routes.begin(), routes.end(),
                             [&](const IsgChannelRoute& r) { return r.channel == channel && !r.drumKey; });
    if (route == routes.end())
        return nullptr;
    DirectSoundDevice* device = find(route->deviceName);
    return device != nullptr && device->open ? device : nullptr;
}

DirectSoundDevice* AudioDeviceList::dialogSoundsDevice(const std::string& guidText, const std::string& name,
                                                       UserPrompt& prompt)
{
    auto it = std::find_if(devices_.begin(), devices_.end(),
                           [&](const DirectSoundDevice& d) { return d.guidText == guidText; });
    if (it == devices_.end())
        it = std::find_if(devices_.begin(), devices_.end(),
                          [&](const DirectSoundDevice& d) { return d.description == name; });
    if (it == devices_.end() || !open(it->description, false, prompt))
        return nullptr;
    return &*it;
}

} // namespace velisto
