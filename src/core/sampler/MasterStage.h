#pragma once
// The end of a device's mix bus: a master gain, then a look-ahead peak limiter, so that a
// dense passage is turned down smoothly instead of being cut at full scale. The gain lets
// dense General MIDI songs sit near -18 dBFS RMS; the limiter keeps every sample within
// kCeiling. The sound comes out latencyFrames() later than it went in, the same for live
// output and for offline rendering.
//
// Limiter: the gain each frame needs (ceiling / peak of both channels) is held at its
// minimum over the look-ahead window, recovers from it with an exponential release, and is
// averaged over the window once more; the average reaches the held minimum exactly when
// the loud frame leaves the delay line, so the attack is a ramp and never overshoots.
//
// Thread contract: prepare on the owner's thread before the audio thread runs process;
// process on the audio thread only (no allocation, no lock); setGainDb and the counters
// from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

class MasterStage {
public:
    static constexpr float kCeiling = 0.96605088F; // -0.3 dBFS
    static constexpr double kLookAheadSeconds = 0.003;
    static constexpr double kReleaseSeconds = 0.080;

    explicit MasterStage(std::uint32_t rate = 44100);

    // Sizes the look-ahead for rate and starts from silence with no reduction.
    void prepare(std::uint32_t rate);
    std::size_t latencyFrames() const { return window_ - 1; }

    // dB; a change is ramped over the next processed block.
    void setGainDb(double db);
    double gainDb() const { return gainDb_.load(std::memory_order_relaxed); }

    // In place, interleaved stereo floats: the gained signal of latencyFrames() before,
    // limited to +-kCeiling.
    void process(std::span<float> stereo) noexcept;

    // Frames processed since prepare, and those of them that the limiter turned down.
    std::uint64_t processedFrames() const { return processed_.load(std::memory_order_relaxed); }
    std::uint64_t limitedFrames() const { return limited_.load(std::memory_order_relaxed); }

private:
    // The gain a frame of this peak needs to stay within the ceiling.
    static float neededGain(float peak) { return peak > kCeiling ? kCeiling / peak : 1.0F; }
    // The smallest needed gain of the last window_ frames, through a monotonic queue.
    float holdMinimum(float needed) noexcept;
    // The released minimum averaged over the window.
    float smoothedGain(double released) noexcept;

    std::size_t window_ = 1; // look-ahead frames + 1
    // Share of the distance to the held gain kept each frame. Double, as the released gain:
    // in float, steps this small round away before the gain is back at unity.
    double releaseKeep_ = 0;
    std::atomic<double> gainDb_{0.0};
    float gain_ = 1.0F; // linear, as applied at the end of the last block

    std::vector<float> delay_; // latencyFrames() stereo frames
    std::size_t delayAt_ = 0;
    std::uint64_t frame_ = 0;

    // Monotonic queue of (frame, needed gain) over the window, values rising front to back.
    std::vector<std::uint64_t> queueFrames_;
    std::vector<float> queueGains_;
    std::size_t queueFront_ = 0;
    std::size_t queueSize_ = 0;

    double released_ = 1.0;
    std::vector<float> average_; // the last window_ released gains
    std::size_t averageAt_ = 0;
    double averageSum_ = 0;
    std::size_t belowUnity_ = 0; // entries of average_ below 1: none means exactly unity

    std::atomic<std::uint64_t> processed_{0};
    std::atomic<std::uint64_t> limited_{0};
};

} // namespace velisto
