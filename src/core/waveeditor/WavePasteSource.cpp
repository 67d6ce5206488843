#include "waveeditor/WavePasteSource.h"

#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WaveSamples.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {
constexpr std::int64_t kCacheFrames = 16384;
} // namespace

WavePasteSource::WavePasteSource(const WaveCopyBuffer& buffer, int bitsPerSample, int channels)
    : buffer_(buffer), bits_(bitsPerSample), channels_(channels)
{
    const CopyBufferOptions& o = buffer.options;
    if (buffer.frames() > 0 && o.stretch > 0) {
        perCopy_ = std::max<std::int64_t>(1, std::llround(static_cast<double>(buffer.frames()) * o.stretch));
        replicate_ = std::max(o.replicate, 1);
    }
}

bool WavePasteSource::load(std::int64_t frame)
{
    const std::int64_t size = buffer_.frameSize();
    cacheFirst_ = frame;
    cacheFrames_ = std::min(kCacheFrames, buffer_.frames() - frame);
    cache_.resize(static_cast<std::size_t>(cacheFrames_ * size));
    return buffer_.read(frame * size, cache_.data(), cacheFrames_ * size);
}

bool WavePasteSource::mixInto(std::span<std::uint8_t> target)
{
    const CopyBufferOptions& o = buffer_.options;
    const int targetSample = bits_ / 8;
    const int sourceSample = buffer_.bitsPerSample() / 8;
    const bool stereoSource = buffer_.channels() == 2;
    const std::size_t frameSize = static_cast<std::size_t>(targetSample * channels_);
    for (std::size_t at = 0; at + frameSize <= target.size() && next_ < frames(); at += frameSize, ++next_) {
        const std::int64_t inCopy = next_ % perCopy_;
        const auto frame = std::min(static_cast<std::int64_t>(static_cast<double>(inCopy) / o.stretch),
                                    buffer_.frames() - 1);
        if (frame < cacheFirst_ || frame >= cacheFirst_ + cacheFrames_)
            if (!load(frame))
                return false;
        const std::uint8_t* p = cache_.data() + (frame - cacheFirst_) * buffer_.frameSize();
        double left = readSample(p, buffer_.bitsPerSample());
        double right = stereoSource ? readSample(p + sourceSample, buffer_.bitsPerSample()) : left;
        if (stereoSource) {
            if (o.exchange)
                std::swap(left, right);
            if (o.zeroLeft)
                left = 0;
            if (o.zeroRight)
                right = 0;
        }
        left *= o.volume;
        right *= o.volume;
        std::uint8_t* q = target.data() + at;
        if (channels_ == 1) {
            double mono = left;
            if (stereoSource && o.stereoToMono == StereoToMono::Right)
                mono = right;
            else if (stereoSource && o.stereoToMono == StereoToMono::Mix)
                mono = (left + right) / 2;
            writeSample(q, bits_, readSample(q, bits_) + std::llround(mono));
        } else {
            writeSample(q, bits_, readSample(q, bits_) + std::llround(left));
            writeSample(q + targetSample, bits_, readSample(q + targetSample, bits_) + std::llround(right));
        }
    }
    return true;
}

} // namespace velisto
