#include "waveeditor/WaveViewModel.h"

#include "sampler/WaveFile.h"
#include "waveeditor/WaveSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velisto {

namespace {
constexpr double kMostZoomedIn = 1.0 / 64; // 64 pixels per frame
} // namespace

void WaveViewModel::setSize(std::int64_t frames, int width)
{
    frames_ = std::max<std::int64_t>(frames, 0);
    width_ = std::max(width, 1);
    scrollTo(firstFrame_);
}

std::int64_t WaveViewModel::frameAt(double x) const
{
    const auto frame = firstFrame_ + static_cast<std::int64_t>(std::floor(x * framesPerPixel_));
    return std::clamp<std::int64_t>(frame, 0, frames_);
}

double WaveViewModel::xOf(std::int64_t frame) const
{
    return static_cast<double>(frame - firstFrame_) / framesPerPixel_;
}

void WaveViewModel::zoomToFit()
{
    // A file with no frames still has a scale.
    framesPerPixel_ = std::max(static_cast<double>(frames_) / width_, kMostZoomedIn);
    firstFrame_ = 0;
}

void WaveViewModel::zoom(double factor, double anchorX)
{
    if (!(factor > 0))
        return;
    const double anchor = static_cast<double>(firstFrame_) + anchorX * framesPerPixel_;
    const double most = std::max(static_cast<double>(frames_) / width_, 1.0);
    framesPerPixel_ = std::clamp(framesPerPixel_ / factor, kMostZoomedIn, most);
    scrollTo(static_cast<std::int64_t>(std::llround(anchor - anchorX * framesPerPixel_)));
}

void WaveViewModel::scrollTo(std::int64_t frame)
{
    const auto visible = static_cast<std::int64_t>(std::ceil(width_ * framesPerPixel_));
    firstFrame_ = std::clamp<std::int64_t>(frame, 0, std::max<std::int64_t>(frames_ - visible, 0));
}

std::vector<std::int32_t> WaveViewModel::fastViewPeaks(const FastViewImage& image, int channel) const
{
    const std::vector<std::int32_t>& values = channel == 1 ? image.right : image.left;
    std::vector<std::int32_t> peaks(static_cast<std::size_t>(width_), 0);
    const auto entries = static_cast<std::int64_t>(values.size());
    for (int x = 0; x < width_; ++x) {
        const std::int64_t first = frameAt(x) / kFastViewFrames;
        const std::int64_t last = std::max(first + 1, (frameAt(x + 1) + kFastViewFrames - 1) / kFastViewFrames);
        for (std::int64_t e = first; e < std::min(last, entries); ++e)
            peaks[static_cast<std::size_t>(x)] =
                std::max(peaks[static_cast<std::size_t>(x)], values[static_cast<std::size_t>(e)]);
    }
    return peaks;
}

std::vector<std::int32_t> WaveViewModel::samplePeaks(std::span<const std::uint8_t> frames, int bitsPerSample,
                                                     int channels, int channel) const
{
    std::vector<std::int32_t> peaks(static_cast<std::size_t>(width_), 0);
    const std::int64_t sampleBytes = bitsPerSample / 8;
    const std::int64_t frameSize = sampleBytes * channels;
    const std::int64_t available = static_cast<std::int64_t>(frames.size()) / frameSize;
    for (int x = 0; x < width_; ++x) {
        const std::int64_t first = frameAt(x) - firstFrame_;
        const std::int64_t last = std::min(std::max(frameAt(x + 1) - firstFrame_, first + 1), available);
        for (std::int64_t f = first; f < last; ++f) {
            const std::uint8_t* p = frames.data() + f * frameSize + channel * sampleBytes;
            peaks[static_cast<std::size_t>(x)] =
                std::max(peaks[static_cast<std::size_t>(x)], std::abs(readSample(p, bitsPerSample)) >> 8);
        }
    }
    return peaks;
}

int WaveViewModel::hitFlag(double x, std::int64_t loopStart, std::int64_t loopEnd, std::span<const std::int64_t> cues,
                           double ratio) const
{
    int best = kNoMark;
    const double reach = kFlagHitPixels * ratio;
    double bestDistance = reach + 1;
    const auto consider = [&](std::int64_t frame, int mark) {
        if (frame < 0)
            return;
        const double distance = std::abs(xOf(frame) - x);
        if (distance <= reach && distance < bestDistance) {
            best = mark;
            bestDistance = distance;
        }
    };
    consider(loopStart, kLoopStartMark);
    consider(loopEnd, kLoopEndMark);
    for (std::size_t i = 0; i < cues.size(); ++i)
        consider(cues[i], kFirstCueMark + static_cast<int>(i));
    return best;
}

} // namespace velisto
