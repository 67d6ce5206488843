#pragma once
// A secondary sound buffer: ring memory of 16-bit PCM that a voice or the wave editor fills
// and a mixer plays, looping over the ring or once to its end, at its own frequency,
// volume and pan. Positions in the ring can be marked so that an event is signalled when
// playback crosses them (the refill heartbeat of a streamed voice), or when it stops.
//
// Thread contract: the filling thread locks, writes and unlocks regions the mixer is not
// playing (as with any double buffering, the caller keeps to the half that is not
// playing); frequency, volume, pan, play, stop and position from any thread (atomics);
// mix() runs on the audio thread only and never allocates or blocks for long. Once stop()
// has returned, mix() no longer touches the notification event.

#include "app/Event.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

struct SoundBufferFormat {
    int channels = 1; // 1 or 2
    std::uint32_t samplesPerSecond = 44100;
    int bitsPerSample = 16; // only 16 is played
    int frameBytes() const { return channels * bitsPerSample / 8; }
};

// Volume and pan in hundredths of a decibel, as the generator computes them.
inline constexpr int kVolumeSilent = -10000;
inline constexpr int kVolumeFull = 0;
inline constexpr int kPanLeft = -10000;
inline constexpr int kPanRight = 10000;
// A notification position meaning "playback stopped" rather than a ring offset.
inline constexpr std::size_t kStopPosition = static_cast<std::size_t>(-1);

// How mix() reads between two frames of the buffer.
enum class Interpolation { Linear, Cubic };

class SoundBuffer {
public:
    // bytes is rounded down to whole frames; the memory is zeroed.
    SoundBuffer(const SoundBufferFormat& format, std::size_t bytes);
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    const SoundBufferFormat& format() const { return format_; }
    std::size_t size() const { return memory_.size(); }

    // The region [offset, offset + bytes) of the ring, in at most two parts when it wraps.
    struct Region {
        std::span<std::uint8_t> first;
        std::span<std::uint8_t> second;
    };
    // False when offset or bytes do not fit the ring.
    bool lock(std::size_t offset, std::size_t bytes, Region& region);
    void unlock(const Region& region);

    // Samples per second to read the buffer at (100..200000); the mixer resamples.
    bool setFrequency(std::uint32_t hz);
    std::uint32_t frequency() const;
    // kVolumeSilent..kVolumeFull, clamped.
    void setVolume(int hundredthsDb);
    int volume() const;
    // kPanLeft..kPanRight, clamped; negative attenuates the right side.
    void setPan(int hundredthsDb);
    int pan() const;

    // Ring offsets (or kStopPosition) at which event is set as playback passes; replaces
    // earlier positions. Set before play: false (nothing changed) while playing, or for an
    // offset outside the ring. The event must outlive the buffer's playing. An offset is
    // passed when playback reads the frame there, so an offset equal to the start position
    // is signalled as soon as playback starts, and offset 0 again at every wrap.
    bool setNotifications(std::vector<std::size_t> positions, Event* event);

    // Starts at the current position; looping wraps at the end of the ring, otherwise the
    // buffer stops there (signals kStopPosition and rewinds to 0).
    void play(bool looping);
    // Stops where it is; a playing buffer signals kStopPosition.
    void stop();
    bool playing() const;
    // The byte offset playback reads next (whole frames).
    std::size_t position() const;
    void setPosition(std::size_t offset);

    // ---- the mixer's side ----
    // Adds frames of this buffer, resampled to outputRate, with volume and pan applied, to
    // out (interleaved stereo floats, full scale 1.0). Returns false once the buffer has
    // stopped. Cubic (4-point Hermite) unless told otherwise: it costs about twice linear
    // and still mixes thousands of voices per core.
    bool mix(std::span<float> out, std::uint32_t outputRate);
    bool mix(std::span<float> out, std::uint32_t outputRate, Interpolation interpolation);
    // A buffer that was never played is kept by its mixer; one that stopped is let go.
    bool stopped() const;

private:
    enum State : int { Idle, Playing, Stopped };
    template <Interpolation Mode, std::size_t Channels>
    void mixFrames(std::span<float> out, std::uint64_t& pos, std::uint64_t step, bool looping, float leftGain,
                   float rightGain);
    void signalPassed(std::uint64_t fromFrame, std::uint64_t toFrame, bool looping);
    void signalStop();
    void updateGains();

    SoundBufferFormat format_;
    std::vector<std::uint8_t> memory_;
    std::size_t frames_ = 0;

    std::atomic<std::uint32_t> frequency_;
    std::atomic<int> volume_{kVolumeFull};
    std::atomic<int> pan_{0};
    std::atomic<int> state_{Idle};
    std::atomic<bool> looping_{false};
    std::atomic<bool> mixing_{false};
    // Frames in 32.32 fixed point: the integer part is the frame read next.
    std::atomic<std::uint64_t> position_{0};
    // Released by unlock, acquired by mix, so that written halves are seen complete.
    std::atomic<std::uint32_t> unlocks_{0};

    // Written only while not playing; read by mix.
    std::vector<std::size_t> notifyFrames_;
    bool notifyStop_ = false;
    Event* event_ = nullptr;

    // The audio thread's cache of the gains for the last volume and pan seen.
    int gainVolume_ = 1;
    int gainPan_ = 1;
    float leftGain_ = 1.0F;
    float rightGain_ = 1.0F;
};

} // namespace velisto
