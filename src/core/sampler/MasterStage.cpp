#include "sampler/MasterStage.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// Closer than this (0.001 dB) a released gain counts as arrived: the exponential would
// otherwise never get back to unity.
constexpr double kUnitySnap = 1e-4;

// at + step within a ring of size entries, step <= size (cheaper than %, per frame).
std::size_t wrapped(std::size_t at, std::size_t step, std::size_t size)
{
    at += step;
    return at >= size ? at - size : at;
}

} // namespace

MasterStage::MasterStage(std::uint32_t rate) { prepare(rate); }

void MasterStage::prepare(std::uint32_t rate)
{
    const double frames = std::max(1.0, static_cast<double>(rate));
    window_ = std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(frames * kLookAheadSeconds))) + 1;
    releaseKeep_ = std::exp(-1.0 / (frames * kReleaseSeconds));
    delay_.assign(latencyFrames() * 2, 0.0F);
    delayAt_ = 0;
    frame_ = 0;
    queueFrames_.assign(window_, 0);
    queueGains_.assign(window_, 1.0F);
    queueFront_ = 0;
    queueSize_ = 0;
    released_ = 1.0;
    average_.assign(window_, 1.0F);
    averageAt_ = 0;
    averageSum_ = static_cast<double>(window_);
    belowUnity_ = 0;
    gain_ = static_cast<float>(std::pow(10.0, gainDb() / 20.0));
    processed_.store(0, std::memory_order_relaxed);
    limited_.store(0, std::memory_order_relaxed);
}

void MasterStage::setGainDb(double db) { gainDb_.store(db, std::memory_order_relaxed); }

float MasterStage::holdMinimum(float needed) noexcept
{
    // Drop from the back what the new frame undercuts, from the front what left the window.
    while (queueSize_ > 0) {
        const std::size_t back = wrapped(queueFront_, queueSize_ - 1, window_);
        if (queueGains_[back] < needed)
            break;
        --queueSize_;
    }
    if (queueSize_ > 0 && queueFrames_[queueFront_] + window_ <= frame_) {
        queueFront_ = wrapped(queueFront_, 1, window_);
        --queueSize_;
    }
    const std::size_t at = wrapped(queueFront_, queueSize_, window_);
    queueFrames_[at] = frame_;
    queueGains_[at] = needed;
    ++queueSize_;
    return queueGains_[queueFront_];
}

float MasterStage::smoothedGain(double released) noexcept
{
    const float leaving = average_[averageAt_];
    const auto entering = static_cast<float>(released);
    belowUnity_ -= leaving < 1.0F ? 1 : 0;
    belowUnity_ += entering < 1.0F ? 1 : 0;
    average_[averageAt_] = entering;
    averageAt_ = wrapped(averageAt_, 1, window_);
    if (belowUnity_ == 0) {
        // Exactly unity, and the running sum starts afresh without rounding left over.
        averageSum_ = static_cast<double>(window_);
        return 1.0F;
    }
    averageSum_ += static_cast<double>(entering) - static_cast<double>(leaving);
    return std::min(1.0F, static_cast<float>(averageSum_ / static_cast<double>(window_)));
}

void MasterStage::process(std::span<float> stereo) noexcept
{
    const std::size_t frames = stereo.size() / 2;
    if (frames == 0)
        return;
    const auto target = static_cast<float>(std::pow(10.0, gainDb() / 20.0));
    const float step = (target - gain_) / static_cast<float>(frames);
    std::uint64_t limited = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        gain_ = i + 1 == frames ? target : gain_ + step;
        const float left = stereo[2 * i] * gain_;
        const float right = stereo[2 * i + 1] * gain_;

        const double held = holdMinimum(neededGain(std::max(std::abs(left), std::abs(right))));
        if (held <= released_ || held - released_ < kUnitySnap)
            released_ = held;
        else
            released_ = held - (held - released_) * releaseKeep_;
        const float reduction = smoothedGain(released_);

        // The frame leaving the delay line makes room for the one coming in.
        float* slot = &delay_[2 * delayAt_];
        const float outLeft = slot[0] * reduction;
        const float outRight = slot[1] * reduction;
        slot[0] = left;
        slot[1] = right;
        delayAt_ = wrapped(delayAt_, 1, latencyFrames());
        ++frame_;
        limited += reduction < 1.0F ? 1 : 0;
        // The average meets the ceiling exactly; this only catches the float rounding.
        stereo[2 * i] = std::clamp(outLeft, -kCeiling, kCeiling);
        stereo[2 * i + 1] = std::clamp(outRight, -kCeiling, kCeiling);
    }
    processed_.fetch_add(frames, std::memory_order_relaxed);
    limited_.fetch_add(limited, std::memory_order_relaxed);
}

} // namespace velisto
