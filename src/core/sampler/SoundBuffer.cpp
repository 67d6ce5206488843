#include "sampler/SoundBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace velisto {

namespace {

constexpr std::uint32_t kMinFrequency = 100;
constexpr std::uint32_t kMaxFrequency = 200000;
constexpr std::uint64_t kOne = std::uint64_t{1} << 32;
constexpr float kFracScale = 1.0F / static_cast<float>(kOne);
constexpr float kSampleScale = 1.0F / 32768.0F;

float attenuation(int hundredthsDb)
{
    // The bottom of the scale is silence rather than -100 dB.
    if (hundredthsDb <= kVolumeSilent)
        return 0.0F;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

float hermite(float xm1, float x0, float x1, float x2, float t)
{
    const float c1 = 0.5F * (x1 - xm1);
    const float c2 = xm1 - 2.5F * x0 + 2.0F * x1 - 0.5F * x2;
    const float c3 = 0.5F * (x2 - xm1) + 1.5F * (x0 - x1);
    return ((c3 * t + c2) * t + c1) * t + x0;
}

} // namespace

SoundBuffer::SoundBuffer(const SoundBufferFormat& format, std::size_t bytes)
    : format_(format), frequency_(format.samplesPerSecond)
{
    if (format_.channels != 2)
        format_.channels = 1;
    const std::size_t frameBytes = static_cast<std::size_t>(std::max(1, format_.frameBytes()));
    frames_ = bytes / frameBytes;
    memory_.assign(frames_ * frameBytes, 0);
}

bool SoundBuffer::lock(std::size_t offset, std::size_t bytes, Region& region)
{
    if (offset >= memory_.size() || bytes == 0 || bytes > memory_.size())
        return false;
    const std::size_t firstBytes = std::min(bytes, memory_.size() - offset);
    region.first = std::span<std::uint8_t>(memory_.data() + offset, firstBytes);
    region.second = std::span<std::uint8_t>(memory_.data(), bytes - firstBytes);
    return true;
}

void SoundBuffer::unlock(const Region&) { unlocks_.fetch_add(1, std::memory_order_release); }

bool SoundBuffer::setFrequency(std::uint32_t hz)
{
    if (hz < kMinFrequency || hz > kMaxFrequency)
        return false;
    frequency_.store(hz, std::memory_order_relaxed);
    return true;
}

std::uint32_t SoundBuffer::frequency() const { return frequency_.load(std::memory_order_relaxed); }

void SoundBuffer::setVolume(int hundredthsDb)
{
    volume_.store(std::clamp(hundredthsDb, kVolumeSilent, kVolumeFull), std::memory_order_relaxed);
}

int SoundBuffer::volume() const { return volume_.load(std::memory_order_relaxed); }

void SoundBuffer::setPan(int hundredthsDb)
{
    pan_.store(std::clamp(hundredthsDb, kPanLeft, kPanRight), std::memory_order_relaxed);
}

int SoundBuffer::pan() const { return pan_.load(std::memory_order_relaxed); }

bool SoundBuffer::setNotifications(std::vector<std::size_t> positions, Event* event)
{
    if (state_.load() == Playing)
        return false;
    bool stop = false;
    std::vector<std::size_t> frames;
    frames.reserve(positions.size());
    for (const std::size_t offset : positions) {
        if (offset == kStopPosition) {
            stop = true;
            continue;
        }
        if (offset >= memory_.size())
            return false;
        frames.push_back(offset / static_cast<std::size_t>(format_.frameBytes()));
    }
    // A block that has just reached the end may still be reading the old marks.
    while (mixing_.load())
        std::this_thread::yield();
    notifyFrames_ = std::move(frames);
    notifyStop_ = stop;
    event_ = event;
    return true;
}

void SoundBuffer::play(bool looping)
{
    looping_.store(looping);
    state_.store(Playing);
}

void SoundBuffer::stop()
{
    int expected = Playing;
    if (!state_.compare_exchange_strong(expected, Stopped))
        return;
    // A block being mixed right now may still signal; wait it out so that the caller may
    // let the event go once we return.
    while (mixing_.load())
        std::this_thread::yield();
    signalStop();
}

bool SoundBuffer::playing() const { return state_.load() == Playing; }

bool SoundBuffer::stopped() const { return state_.load() == Stopped; }

std::size_t SoundBuffer::position() const
{
    return static_cast<std::size_t>(position_.load() >> 32) * static_cast<std::size_t>(format_.frameBytes());
}

void SoundBuffer::setPosition(std::size_t offset)
{
    const std::uint64_t frame = std::min(offset, memory_.size()) / static_cast<std::size_t>(format_.frameBytes());
    position_.store(frame >= frames_ ? 0 : frame << 32);
}

void SoundBuffer::signalStop()
{
    if (notifyStop_ && event_ != nullptr)
        event_->set();
}

void SoundBuffer::signalPassed(std::uint64_t fromFrame, std::uint64_t toFrame, bool looping)
{
    if (event_ == nullptr || fromFrame >= toFrame)
        return;
    for (const std::uint64_t p : notifyFrames_) {
        std::uint64_t next = p;
        if (looping && p < fromFrame)
            next = p + (fromFrame - p + frames_ - 1) / frames_ * frames_;
        if (next >= fromFrame && next < toFrame) {
            event_->set();
            return; // one set wakes the auto-reset waiter once, however many offsets passed
        }
    }
}

void SoundBuffer::updateGains()
{
    const int volume = volume_.load(std::memory_order_relaxed);
    const int pan = pan_.load(std::memory_order_relaxed);
    if (volume == gainVolume_ && pan == gainPan_)
        return;
    const float gain = attenuation(volume);
    leftGain_ = gain * (pan > 0 ? attenuation(-pan) : 1.0F);
    rightGain_ = gain * (pan < 0 ? attenuation(pan) : 1.0F);
    gainVolume_ = volume;
    gainPan_ = pan;
}

bool SoundBuffer::mix(std::span<float> out, std::uint32_t outputRate)
{
    return mix(out, outputRate, Interpolation::Cubic);
}

template <Interpolation Mode, std::size_t Channels>
void SoundBuffer::mixFrames(std::span<float> out, std::uint64_t& pos, std::uint64_t step, bool looping, float leftGain,
                            float rightGain)
{
    const auto* samples = reinterpret_cast<const std::int16_t*>(memory_.data());
    constexpr std::size_t channels = Channels;
    const std::uint64_t frames = frames_;
    const std::uint64_t ringEnd = frames << 32;
    // Frame index i of channel c, with the ring's wrap for a looping buffer and silence
    // around a buffer played once.
    const auto at = [&](std::int64_t i, std::size_t c) -> float {
        if (i < 0 || static_cast<std::uint64_t>(i) >= frames) {
            if (!looping)
                return 0.0F;
            i = (i % static_cast<std::int64_t>(frames) + static_cast<std::int64_t>(frames)) %
                static_cast<std::int64_t>(frames);
        }
        return static_cast<float>(samples[static_cast<std::size_t>(i) * channels + c]);
    };
    const std::size_t count = out.size() / 2;
    float* dst = out.data();
    for (std::size_t o = 0; o < count; ++o) {
        if (pos >= ringEnd)
            pos %= ringEnd; // only reached when looping: the caller ends a single pass in time
        const std::uint64_t i = pos >> 32;
        const float t = static_cast<float>(pos & (kOne - 1)) * kFracScale;
        const auto idx = static_cast<std::int64_t>(i);
        float value[2] = {0.0F, 0.0F};
        for (std::size_t c = 0; c < channels; ++c) {
            if constexpr (Mode == Interpolation::Linear) {
                float x0;
                float x1;
                if (i + 1 < frames) {
                    x0 = samples[i * channels + c];
                    x1 = samples[(i + 1) * channels + c];
                } else {
                    x0 = at(idx, c);
                    x1 = at(idx + 1, c);
                }
                value[c] = x0 + (x1 - x0) * t;
            } else {
                float xm1;
                float x0;
                float x1;
                float x2;
                if (i >= 1 && i + 2 < frames) {
                    const std::int16_t* s = samples + (i - 1) * channels + c;
                    xm1 = s[0];
                    x0 = s[channels];
                    x1 = s[2 * channels];
                    x2 = s[3 * channels];
                } else {
                    xm1 = at(idx - 1, c);
                    x0 = at(idx, c);
                    x1 = at(idx + 1, c);
                    x2 = at(idx + 2, c);
                }
                value[c] = hermite(xm1, x0, x1, x2, t);
            }
        }
        const float left = value[0];
        const float right = value[channels - 1];
        dst[2 * o] += left * leftGain;
        dst[2 * o + 1] += right * rightGain;
        pos += step;
    }
}

bool SoundBuffer::mix(std::span<float> out, std::uint32_t outputRate, Interpolation interpolation)
{
    mixing_.store(true);
    const int state = state_.load();
    if (state != Playing || frames_ == 0 || outputRate == 0) {
        mixing_.store(false);
        return state != Stopped;
    }
    unlocks_.load(std::memory_order_acquire);
    updateGains();
    const bool looping = looping_.load();
    const std::uint64_t start = position_.load();
    const std::uint64_t step = (std::uint64_t{frequency_.load(std::memory_order_relaxed)} << 32) / outputRate;
    const std::uint64_t ringEnd = std::uint64_t{frames_} << 32;

    std::size_t count = out.size() / 2;
    bool reachedEnd = false;
    if (!looping && step > 0) {
        const std::uint64_t remaining = (ringEnd - std::min(start, ringEnd) + step - 1) / step;
        if (remaining <= count) {
            count = static_cast<std::size_t>(remaining);
            reachedEnd = true;
        }
    }
    const float left = leftGain_ * kSampleScale;
    const float right = rightGain_ * kSampleScale;
    std::uint64_t pos = start;
    if (left != 0.0F || right != 0.0F) {
        const std::span<float> part = out.first(count * 2);
        const bool stereo = format_.channels == 2;
        if (interpolation == Interpolation::Cubic && stereo)
            mixFrames<Interpolation::Cubic, 2>(part, pos, step, looping, left, right);
        else if (interpolation == Interpolation::Cubic)
            mixFrames<Interpolation::Cubic, 1>(part, pos, step, looping, left, right);
        else if (stereo)
            mixFrames<Interpolation::Linear, 2>(part, pos, step, looping, left, right);
        else
            mixFrames<Interpolation::Linear, 1>(part, pos, step, looping, left, right);
    }
    // Silent buffers still move on; notifications and the end depend on it.
    const std::uint64_t end = start + step * count;
    signalPassed(start >> 32, reachedEnd ? frames_ : end >> 32, looping);

    std::uint64_t expected = start;
    if (reachedEnd) {
        // Rewound, so that playing again starts from the beginning.
        position_.compare_exchange_strong(expected, 0);
        int playing = Playing;
        if (state_.compare_exchange_strong(playing, Stopped))
            signalStop();
    } else {
        position_.compare_exchange_strong(expected, looping ? end % ringEnd : end);
    }
    mixing_.store(false);
    return true;
}

} // namespace velisto
