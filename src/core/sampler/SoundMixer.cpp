#include "sampler/SoundMixer.h"

#include <algorithm>

namespace velisto {

SoundMixer::SoundMixer(std::uint32_t outputRate) : outputRate_(outputRate), master_(outputRate)
{
    buffers_.reserve(kMaxBuffers);
    finished_.reserve(kMaxBuffers);
    scratch_.resize(kScratchSamples);
}

void SoundMixer::releaseUnownedLocked()
{
    std::erase_if(finished_, [](const std::shared_ptr<SoundBuffer>& buffer) { return buffer.use_count() == 1; });
}

bool SoundMixer::add(std::shared_ptr<SoundBuffer> buffer)
{
    if (!buffer)
        return false;
    const std::lock_guard lock(mutex_);
    releaseUnownedLocked();
    const auto same = [&](const std::shared_ptr<SoundBuffer>& held) { return held == buffer; };
    if (std::any_of(buffers_.begin(), buffers_.end(), same))
        return true;
    if (const auto it = std::find_if(finished_.begin(), finished_.end(), same); it != finished_.end()) {
        buffers_.push_back(std::move(*it));
        finished_.erase(it);
        return true;
    }
    if (buffers_.size() + finished_.size() >= kMaxBuffers)
        return false;
    buffers_.push_back(std::move(buffer));
    return true;
}

void SoundMixer::remove(const SoundBuffer* buffer)
{
    const std::lock_guard lock(mutex_);
    const auto same = [&](const std::shared_ptr<SoundBuffer>& held) { return held.get() == buffer; };
    std::erase_if(buffers_, same);
    std::erase_if(finished_, same);
    releaseUnownedLocked();
}

std::size_t SoundMixer::count() const
{
    const std::lock_guard lock(mutex_);
    return buffers_.size() + finished_.size();
}

void SoundMixer::render(std::span<float> out)
{
    std::fill(out.begin(), out.end(), 0.0F);
    sumPlaying(out);
    master_.process(out);
}

void SoundMixer::sumPlaying(std::span<float> out)
{
    const std::lock_guard lock(mutex_);
    // Moving shared_ptrs between the reserved lists neither allocates nor frees here.
    for (std::size_t i = 0; i < finished_.size();) {
        if (finished_[i]->playing()) {
            buffers_.push_back(std::move(finished_[i]));
            finished_[i] = std::move(finished_.back());
            finished_.pop_back();
        } else {
            ++i;
        }
    }
    for (std::size_t i = 0; i < buffers_.size();) {
        if (buffers_[i]->mix(out, outputRate_, interpolation_)) {
            ++i;
            continue;
        }
        finished_.push_back(std::move(buffers_[i]));
        buffers_[i] = std::move(buffers_.back());
        buffers_.pop_back();
    }
}

void SoundMixer::render(std::span<std::int16_t> out)
{
    while (!out.empty()) {
        const std::size_t chunk = std::min(out.size(), scratch_.size());
        const std::span<float> floats(scratch_.data(), chunk);
        render(floats);
        for (std::size_t i = 0; i < chunk; ++i)
            out[i] = static_cast<std::int16_t>(floats[i] * 32767.0F);
        out = out.subspan(chunk);
    }
}

} // namespace velisto
