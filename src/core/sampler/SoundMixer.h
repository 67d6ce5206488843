#pragma once
// One mixer per open sound device: it sums every playing SoundBuffer into the device's
// stereo output, in the audio callback. Buffers are added when they start and leave when
// they are removed (or have stopped); the mixer never owns the last reference, so no
// buffer is freed on the audio thread.
//
// A buffer that stops is moved aside, not released: the owner keeps its reference until it
// calls remove() (a voice when it is freed, a dialog sound's worker when the sound ended).
// Buffers aside that only the mixer still holds are released by the next add or remove,
// on that caller's thread. A stopped buffer that plays again is picked up again by itself.
//
// The sum passes the device's master stage (gain and look-ahead limiter) on its way out.
//
// Thread contract: add and remove from any thread (a short lock); render on the audio
// thread only (it takes the same lock for the length of one block, never allocates).
// setOutputRate and setInterpolation before the device's stream starts; the master gain
// from any thread.

#include "sampler/MasterStage.h"
#include "sampler/SoundBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace velisto {

class SoundMixer {
public:
    static constexpr std::size_t kMaxBuffers = 512;

    explicit SoundMixer(std::uint32_t outputRate = 44100);

    std::uint32_t outputRate() const { return outputRate_; }
    void setOutputRate(std::uint32_t rate)
    {
        outputRate_ = rate;
        master_.prepare(rate);
    }
    Interpolation interpolation() const { return interpolation_; }
    void setInterpolation(Interpolation interpolation) { interpolation_ = interpolation; }

    // False when kMaxBuffers are held already. Adding a buffer held already changes nothing.
    bool add(std::shared_ptr<SoundBuffer> buffer);
    void remove(const SoundBuffer* buffer);
    // The buffers held, playing or set aside.
    std::size_t count() const;

    MasterStage& master() { return master_; }
    const MasterStage& master() const { return master_; }

    // Fills out (interleaved stereo floats) with the sum of the playing buffers through the
    // master stage: within +-MasterStage::kCeiling, master().latencyFrames() late.
    void render(std::span<float> out);
    // The same as 16-bit stereo frames.
    void render(std::span<std::int16_t> out);

private:
    static constexpr std::size_t kScratchSamples = 8192;
    void releaseUnownedLocked();
    // Adds every playing buffer into out, under the lock.
    void sumPlaying(std::span<float> out);

    std::uint32_t outputRate_;
    Interpolation interpolation_ = Interpolation::Cubic;
    MasterStage master_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SoundBuffer>> buffers_;  // reserved kMaxBuffers
    std::vector<std::shared_ptr<SoundBuffer>> finished_; // stopped ones; reserved kMaxBuffers
    std::vector<float> scratch_;                         // for the 16-bit render
};

} // namespace velisto
