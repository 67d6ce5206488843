#include "audio/RtAudioSystem.h"

#include "sampler/SoundMixer.h"

#include <alsa/error.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace velisto {

namespace {

constexpr std::uint32_t kWantedRate = 44100;
constexpr unsigned int kBufferFrames = 512;

// Problems surface as our own results; RtAudio would print them to stderr otherwise.
void ignoreProblem(RtAudioError::Type, const std::string&) {}

// alsa-lib prints every card it cannot open (a machine without sound has many); what
// matters reaches the user through our own results.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::string deviceId(RtAudio::Api api, const std::string& name) { return RtAudio::getApiName(api) + ":" + name; }

struct Probed {
    unsigned int index = 0;
    RtAudio::DeviceInfo info;
};

// Output devices only; RtAudio reports errors of single devices by throwing.
std::vector<Probed> probeOutputs(RtAudio& audio, std::string& error)
{
    std::vector<Probed> outputs;
    try {
        const unsigned int count = audio.getDeviceCount();
        for (unsigned int i = 0; i < count; ++i) {
            try {
                RtAudio::DeviceInfo info = audio.getDeviceInfo(i);
                if (info.probed && info.outputChannels >= 1)
                    outputs.push_back({i, std::move(info)});
            } catch (const std::exception&) {
                // A device that cannot be asked cannot be played either.
            }
        }
    } catch (const std::exception& e) {
        error = e.what();
    }
    return outputs;
}

class RtAudioStream final : public AudioStream {
public:
    RtAudioStream(std::unique_ptr<RtAudio> audio, SoundMixer& mixer, unsigned int channels)
        : audio_(std::move(audio)), mixer_(mixer), channels_(channels)
    {
        stereo_.resize(kBufferFrames * 8);
    }
    ~RtAudioStream() override
    {
        stop();
        try {
            if (audio_->isStreamOpen())
                audio_->closeStream();
        } catch (const std::exception&) {
        }
    }

    // Opens the stream; false with error set.
    bool openStream(unsigned int device, std::uint32_t rate, std::string& error)
    {
        RtAudio::StreamParameters parameters;
        parameters.deviceId = device;
        parameters.nChannels = channels_;
        RtAudio::StreamOptions options;
        options.flags = RTAUDIO_SCHEDULE_REALTIME;
        options.streamName = "Velisto";
        unsigned int frames = kBufferFrames;
        try {
            audio_->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, rate, &frames, &RtAudioStream::callback, this,
                               &options, &ignoreProblem);
            rate_ = audio_->getStreamSampleRate();
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
        // The callback must not allocate; the device may have chosen larger blocks.
        stereo_.resize(std::max<std::size_t>(stereo_.size(), std::size_t{frames} * 2 * 2));
        mixer_.setOutputRate(rate_);
        return true;
    }

    bool start() override
    {
        try {
            if (!audio_->isStreamRunning())
                audio_->startStream();
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }
    void stop() override
    {
        try {
            if (audio_->isStreamOpen() && audio_->isStreamRunning())
                audio_->stopStream();
        } catch (const std::exception&) {
        }
    }
    std::uint32_t rate() const override { return rate_; }

private:
    static int callback(void* output, void*, unsigned int frames, double, RtAudioStreamStatus, void* user)
    {
        auto* self = static_cast<RtAudioStream*>(user);
        auto* out = static_cast<float*>(output);
        if (self->channels_ == 2) {
            self->mixer_.render(std::span<float>(out, std::size_t{frames} * 2));
            return 0;
        }
        // A mono output gets the middle of the stereo mix.
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t chunk = std::min<std::size_t>(frames - done, self->stereo_.size() / 2);
            self->mixer_.render(std::span<float>(self->stereo_.data(), chunk * 2));
            for (std::size_t i = 0; i < chunk; ++i)
                out[done + i] = 0.5F * (self->stereo_[2 * i] + self->stereo_[2 * i + 1]);
            done += chunk;
        }
        return 0;
    }

    std::unique_ptr<RtAudio> audio_;
    SoundMixer& mixer_;
    unsigned int channels_;
    std::uint32_t rate_ = kWantedRate;
    std::vector<float> stereo_;
};

} // namespace

RtAudioSystem::RtAudioSystem(std::unique_ptr<RtAudio> audio) : audio_(std::move(audio)) {}

RtAudioSystem::~RtAudioSystem() = default;

std::unique_ptr<RtAudioSystem> RtAudioSystem::create(const std::string& api, std::string& error)
{
    snd_lib_error_set_handler(&quietAlsa);
    std::vector<RtAudio::Api> candidates;
    if (api.empty()) {
        // RtAudio's own choice does the same, but asks each API before warnings can be
        // turned off.
        RtAudio::getCompiledApi(candidates);
    } else {
        const RtAudio::Api wanted = RtAudio::getCompiledApiByName(api);
        if (wanted == RtAudio::UNSPECIFIED) {
            error = "RtAudio has no API \"" + api + "\"";
            return nullptr;
        }
        candidates.push_back(wanted);
    }
    for (const RtAudio::Api candidate : candidates) {
        if (candidate == RtAudio::RTAUDIO_DUMMY)
            continue;
        try {
            auto audio = std::make_unique<RtAudio>(candidate);
            audio->showWarnings(false);
            if (api.empty() && audio->getDeviceCount() == 0)
                continue;
            return std::unique_ptr<RtAudioSystem>(new RtAudioSystem(std::move(audio)));
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    if (error.empty())
        error = api.empty() ? "no audio API with devices" : "RtAudio cannot use " + api;
    return nullptr;
}

std::string RtAudioSystem::apiName() const { return RtAudio::getApiName(audio_->getCurrentApi()); }

std::vector<AudioDeviceInfo> RtAudioSystem::devices()
{
    enumerationError_.clear();
    std::vector<AudioDeviceInfo> devices;
    const RtAudio::Api api = audio_->getCurrentApi();
    for (const Probed& probed : probeOutputs(*audio_, enumerationError_)) {
        const RtAudio::DeviceInfo& info = probed.info;
        AudioDeviceInfo device;
        device.id = deviceId(api, info.name);
        device.description = info.name;
        device.driver = RtAudio::getApiName(api);
        device.isDefault = info.isDefaultOutput;
        if (!info.sampleRates.empty()) {
            const auto [low, high] = std::minmax_element(info.sampleRates.begin(), info.sampleRates.end());
            device.minRate = *low;
            device.maxRate = *high;
        }
        // RtAudio lists single rates; whether the device takes others between is unknown.
        device.continuousRates = false;
        device.supports16Bit = (info.nativeFormats & RTAUDIO_SINT16) != 0;
        devices.push_back(std::move(device));
    }
    return devices;
}

std::unique_ptr<AudioStream> RtAudioSystem::open(const AudioDeviceInfo& device, SoundMixer& mixer, std::string& error)
{
    // Indexes may change while the program runs; the name finds the device again.
    const RtAudio::Api api = audio_->getCurrentApi();
    std::string listError;
    const std::vector<Probed> outputs = probeOutputs(*audio_, listError);
    const auto found = std::find_if(outputs.begin(), outputs.end(),
                                    [&](const Probed& p) { return deviceId(api, p.info.name) == device.id; });
    if (found == outputs.end()) {
        error = listError.empty() ? "no such output: " + device.description : listError;
        return nullptr;
    }
    const RtAudio::DeviceInfo& info = found->info;
    std::uint32_t rate = kWantedRate;
    if (std::find(info.sampleRates.begin(), info.sampleRates.end(), kWantedRate) == info.sampleRates.end())
        rate = info.preferredSampleRate != 0 ? info.preferredSampleRate
               : info.sampleRates.empty()    ? kWantedRate
                                             : info.sampleRates.back();
    try {
        auto audio = std::make_unique<RtAudio>(api);
        audio->showWarnings(false);
        auto stream = std::make_unique<RtAudioStream>(std::move(audio), mixer, info.outputChannels >= 2 ? 2U : 1U);
        if (!stream->openStream(found->index, rate, error))
            return nullptr;
        return stream;
    } catch (const std::exception& e) {
        error = e.what();
    }
    return nullptr;
}

} // namespace velisto
