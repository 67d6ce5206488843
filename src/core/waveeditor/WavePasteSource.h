#pragma once
// What a paste puts into a file: the copy buffer's frames through its options (stretch,
// replication, channel exchange and zeroing, volume, stereo to mono), converted to the
// file's format and mixed, saturated, into the bytes already there. A paste as insert
// mixes into silence.
//
// Thread contract: user-interface thread only, like the copy buffer it reads.

#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

class WaveCopyBuffer;

class WavePasteSource {
public:
    // The copy buffer's options must be valid (stretch > 0, replicate >= 1) and, for a
    // stereo buffer into a mono file, say how to convert.
    WavePasteSource(const WaveCopyBuffer& buffer, int bitsPerSample, int channels);

    // Frames the paste produces in all: round(buffer frames * stretch) * replicate.
    std::int64_t frames() const { return perCopy_ * replicate_; }
    // Mixes the next frames into target (whole frames of the file's format). False when
    // the copy buffer could not be read.
    bool mixInto(std::span<std::uint8_t> target);

private:
    bool load(std::int64_t frame);

    const WaveCopyBuffer& buffer_;
    int bits_;
    int channels_;
    std::int64_t perCopy_ = 0;
    std::int64_t replicate_ = 1;
    std::int64_t next_ = 0; // output frames produced so far
    std::vector<std::uint8_t> cache_;
    std::int64_t cacheFirst_ = 0;  // buffer frame of cache_[0]
    std::int64_t cacheFrames_ = 0;
};

} // namespace velisto
