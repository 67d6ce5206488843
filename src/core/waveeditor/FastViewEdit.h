#pragma once
// The fast view image after an edit that replaced removedFrames frames at frame `at` by
// insertedFrames frames (a cut, an insert, or an overwrite when both are equal). The runs
// before the edit stay; the runs behind it keep their values and shift when the frame
// count changed by a whole number of runs; only the runs in between are built again, from
// the bytes handed over (as the move passes them, or read) in any order and in pieces
// that need not hold whole frames. An image that was not whole is built again entirely.
//
// Thread contract: one thread at a time.

#include "sampler/WaveFile.h"

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace velisto {

class FastViewEdit {
public:
    FastViewEdit(const FastViewImage& before, int bitsPerSample, int channels, std::int64_t framesAfter,
                 std::int64_t at, std::int64_t removedFrames, std::int64_t insertedFrames);

    // The bytes [neededFrom, neededTo) of the data after the edit (offsets from the data
    // start) that the runs to build cover; every one must be handed to add exactly once.
    std::int64_t neededFrom() const { return firstRun_ * kFastViewFrames * frameSize_; }
    std::int64_t neededTo() const;
    // Bytes lying at offset from the data start after the edit; those outside the needed
    // range are ignored.
    void add(std::int64_t offset, std::span<const std::uint8_t> bytes);
    FastViewImage finish() const;

private:
    void addFrames(std::int64_t frame, const std::uint8_t* p, std::int64_t frames);
    void addPiece(std::int64_t offset, std::span<const std::uint8_t> bytes);

    const FastViewImage& before_;
    int bits_;
    int channels_;
    std::int64_t frameSize_;
    std::int64_t frames_;
    std::int64_t entries_;
    std::int64_t firstRun_ = 0;
    std::int64_t endRun_ = 0;    // runs [firstRun_, endRun_) are built again
    std::int64_t shiftRuns_ = 0; // run r behind endRun_ was run r - shiftRuns_ before
    std::vector<std::array<std::int64_t, 2>> sums_;
    // Frames a block boundary split, collected until whole.
    struct PartFrame {
        std::array<std::uint8_t, 6> bytes{};
        std::int64_t filled = 0;
    };
    std::map<std::int64_t, PartFrame> parts_;
};

} // namespace velisto
