#include "CWavedPlayback.h"

#include "sampler/SoundBuffer.h"
#include "sampler/SoundMixer.h"
#include "sampler/WaveFile.h"

#include <QMetaObject>

namespace velisto {

bool CWavedPlayback::start(const WaveFile& wave, std::int64_t from, std::int64_t to, bool loop, std::int64_t wrapTo,
                           SoundMixer& mixer, std::string& error)
{
    stop();
    SoundBufferFormat format;
    format.channels = wave.channels();
    format.samplesPerSecond = kPlaybackRate;
    format.bitsPerSample = 16;
    auto buffer = std::make_shared<SoundBuffer>(format, kPlaybackBufferBytes);
    if (buffer->size() != static_cast<std::size_t>(kPlaybackBufferBytes)) {
        error = "Unable to get DirectSound buffer !";
        return false;
    }
    SoundBuffer::Region region;
    if (!buffer->lock(0, buffer->size(), region)) {
        error = "Unable to fill DirectSound buffer !";
        return false;
    }
    auto feeder = std::make_unique<WavePlaybackFeeder>(wave, from, to, loop, wrapTo);
    feeder->start(region.first);
    buffer->unlock(region);

    auto worker = std::make_unique<CNotifyThread>();
    CNotifyThread::Callbacks callbacks;
    callbacks.refill = [this] {
        // The worker is joined before the window goes; a call still queued then is dropped
        // with the window, and one that arrives after stop() finds nothing to fill.
        QMetaObject::invokeMethod(
            &window_, [this] { refill(); }, Qt::QueuedConnection);
        return true;
    };
    if (!buffer->setNotifications({0, static_cast<std::size_t>(kPlaybackHalfBytes)}, &worker->notification()) ||
        !worker->start(std::move(callbacks)) || !buffer->setFrequency(kPlaybackRate)) {
        error = "Unable to prepare DirectSound playback !";
        return false;
    }
    buffer->setPosition(0);
    if (!mixer.add(buffer)) {
        worker->requestStop();
        worker->join();
        error = "Unable to prepare DirectSound playback !";
        return false;
    }
    buffer_ = std::move(buffer);
    mixer_ = &mixer;
    feeder_ = std::move(feeder);
    worker_ = std::move(worker);
    lastFilledHalf_ = 1; // both halves hold sound; the notification at the start finds nothing to do
    buffer_->play(true);
    return true;
}

void CWavedPlayback::stop()
{
    if (!buffer_)
        return;
    buffer_->stop();
    worker_->requestStop();
    worker_->join();
    mixer_->remove(buffer_.get());
    buffer_.reset();
    worker_.reset();
    feeder_.reset();
    mixer_ = nullptr;
}

void CWavedPlayback::refill()
{
    if (!buffer_)
        return; // a post that arrived after stop()
    // The half the play cursor is not in is the one that has just finished.
    const int freeHalf = buffer_->position() < static_cast<std::size_t>(kPlaybackHalfBytes) ? 1 : 0;
    if (freeHalf == lastFilledHalf_)
        return;
    SoundBuffer::Region region;
    const auto offset = static_cast<std::size_t>(freeHalf * kPlaybackHalfBytes);
    if (!buffer_->lock(offset, kPlaybackHalfBytes, region)) {
        stop();
        return;
    }
    const bool more = feeder_->refill(region.first);
    buffer_->unlock(region);
    lastFilledHalf_ = freeHalf;
    if (!more)
        stop();
}

} // namespace velisto
