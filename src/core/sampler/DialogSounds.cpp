#include "sampler/DialogSounds.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace velisto {

namespace {

constexpr std::size_t kHeaderBytes = 44;

std::uint32_t readLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

} // namespace

DialogSoundPlayer::~DialogSoundPlayer()
{
    // In quit mode a woken worker stops and releases its buffer before it ends.
    for (auto& worker : workers_) {
        worker->notification().set();
        worker->join();
    }
}

std::size_t DialogSoundPlayer::reap()
{
    for (auto& worker : workers_) {
        if (worker->finished().isSet())
            worker->join();
    }
    std::erase_if(workers_, [](const std::unique_ptr<CNotifyThread>& w) { return w->finished().isSet(); });
    return workers_.size();
}

bool DialogSoundPlayer::play(int id, AudioDeviceList& devices, const std::string& deviceGuid,
                             const std::string& deviceName, UserPrompt& prompt)
{
    reap();
    DirectSoundDevice* device = devices.dialogSoundsDevice(deviceGuid, deviceName, prompt);
    if (device == nullptr || !device->mixer)
        return false;

    std::ifstream file(resourceDir_ / "sounds" / (std::to_string(id) + ".wav"), std::ios::binary);
    if (!file)
        return false;
    const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (image.size() < kHeaderBytes)
        return false;
    SoundBufferFormat format;
    format.channels = static_cast<int>(readLe(image, 22, 2));
    format.samplesPerSecond = readLe(image, 24, 4);
    format.bitsPerSample = static_cast<int>(readLe(image, 34, 2));
    const std::size_t length = std::min<std::size_t>(readLe(image, 40, 4), image.size() - kHeaderBytes);
    if (format.bitsPerSample != 16 || (format.channels != 1 && format.channels != 2) || length == 0)
        return false;

    auto buffer = std::make_shared<SoundBuffer>(format, length);
    SoundBuffer::Region region;
    if (buffer->size() == 0 || !buffer->lock(0, buffer->size(), region))
        return false;
    std::copy_n(image.begin() + kHeaderBytes, region.first.size(), region.first.begin());
    buffer->unlock(region);
    if (!buffer->setFrequency(format.samplesPerSecond))
        return false;

    auto worker = std::make_unique<CNotifyThread>();
    worker->setQuit();
    buffer->setNotifications({kStopPosition}, &worker->notification());
    SoundMixer* mixer = device->mixer.get();
    CNotifyThread::Callbacks callbacks;
    // The worker holds the buffer's last reference but ours; it lets it go when it ends.
    callbacks.quit = [buffer, mixer]() mutable {
        buffer->stop();
        mixer->remove(buffer.get());
        buffer.reset();
    };
    if (!worker->start(std::move(callbacks)))
        return false;
    buffer->setPosition(0);
    if (!mixer->add(buffer)) {
        worker->notification().set();
        worker->join();
        return false;
    }
    buffer->play(false);
    workers_.push_back(std::move(worker));
    return true;
}

} // namespace velisto
