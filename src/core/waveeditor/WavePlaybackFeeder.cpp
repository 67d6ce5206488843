#include "waveeditor/WavePlaybackFeeder.h"

#include "sampler/WaveFile.h"
#include "waveeditor/WaveSamples.h"

#include <algorithm>
#include <cstring>

namespace velisto {

WavePlaybackFeeder::WavePlaybackFeeder(const WaveFile& wave, std::int64_t from, std::int64_t to, bool loop,
                                       std::int64_t wrapTo)
    : wave_(wave), position_(from), end_(to), loop_(loop && wrapTo < to), wrapTo_(wrapTo),
      copyAsIs_(wave.samplesPerSecond() == kPlaybackRate && wave.bitsPerSample() == 16),
      outputFrame_(2 * wave.channels())
{
}

void WavePlaybackFeeder::start(std::span<std::uint8_t> buffer) { fill(buffer); }

bool WavePlaybackFeeder::refill(std::span<std::uint8_t> half)
{
    // The half that held the end is still to be heard when the first notification after
    // the end comes; the second one says it has been played.
    if (ended_ && ++notificationsAfterEnd_ >= 2)
        return false;
    fill(half);
    return true;
}

bool WavePlaybackFeeder::readBlock(std::int64_t offset)
{
    const std::int64_t size = std::min(wave_.blockSize(), end_ - offset);
    block_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    if (size <= 0 || !wave_.readData(offset, block_.data(), size))
        return false;
    blockStart_ = offset;
    blockLength_ = size;
    return true;
}

bool WavePlaybackFeeder::loadFrame()
{
    const int frameSize = wave_.frameSize();
    if (position_ + frameSize > end_) {
        if (!loop_)
            return false;
        position_ = wrapTo_;
    }
    if (position_ < blockStart_ || position_ + frameSize > blockStart_ + blockLength_)
        if (!readBlock(position_))
            return false;
    const std::uint8_t* p = block_.data() + (position_ - blockStart_);
    const int bits = wave_.bitsPerSample();
    for (int c = 0; c < wave_.channels(); ++c)
        frame_[c] = static_cast<std::int16_t>(readSample(p + c * bits / 8, bits) >> 8);
    position_ += frameSize;
    return true;
}

void WavePlaybackFeeder::fill(std::span<std::uint8_t> out)
{
    std::size_t at = 0;
    const auto frameBytes = static_cast<std::size_t>(outputFrame_);
    while (!ended_ && at + frameBytes <= out.size()) {
        if (repeats_ == 0) {
            if (!loadFrame()) {
                ended_ = true;
                break;
            }
            // Each file frame is owed as many output frames as the 44100 Hz clock passes
            // during it; a copied file is owed exactly one.
            if (copyAsIs_) {
                repeats_ = 1;
            } else {
                accumulator_ += kPlaybackRate;
                while (accumulator_ >= static_cast<std::int64_t>(wave_.samplesPerSecond())) {
                    accumulator_ -= wave_.samplesPerSecond();
                    ++repeats_;
                }
                if (repeats_ == 0)
                    continue;
            }
        }
        for (int c = 0; c < wave_.channels(); ++c) {
            out[at++] = static_cast<std::uint8_t>(frame_[c]);
            out[at++] = static_cast<std::uint8_t>(frame_[c] >> 8);
        }
        --repeats_;
    }
    std::memset(out.data() + at, 0, out.size() - at); // 16-bit silence
}

} // namespace velisto
