#pragma once
// What the wave editor's playback buffer plays: 16-bit frames at 44100 Hz with the file's
// channel count, filled half by half from the file. A 44100 Hz 16-bit file is copied as
// it is; any other is converted frame by frame and resampled by a step accumulator (each
// file frame written zero or more times, no interpolation). At the play end the feeder
// wraps (loop over the selection or the file's loop) or fills silence; without a loop
// two more refill notifications are let through, then playback stops.
//
// Thread contract: user-interface thread (the refill is posted to the window); the file
// must not change while it plays: every edit stops playback first.

#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

class WaveFile;

inline constexpr int kPlaybackBufferBytes = 65536;
inline constexpr int kPlaybackHalfBytes = 32768;
inline constexpr std::uint32_t kPlaybackRate = 44100;

enum class WaveLoopMode { None, Selection, FileLoop };

class WavePlaybackFeeder {
public:
    // Plays [from, to) of the data (file offsets); with a loop, at `to` it continues at
    // wrapTo. For FileLoop pass the loop end as to and the loop start as wrapTo; for
    // Selection the selection's start and end.
    WavePlaybackFeeder(const WaveFile& wave, std::int64_t from, std::int64_t to, bool loop, std::int64_t wrapTo);

    // Fills the whole buffer before playing starts.
    void start(std::span<std::uint8_t> buffer);
    // A refill notification for the half that just finished playing: fills it and
    // returns true, or returns false when playback is to stop now.
    bool refill(std::span<std::uint8_t> half);

private:
    void fill(std::span<std::uint8_t> out);
    bool loadFrame(); // the next file frame into frame_; false at the play end
    bool readBlock(std::int64_t offset);

    const WaveFile& wave_;
    std::int64_t position_;
    std::int64_t end_;
    bool loop_;
    std::int64_t wrapTo_;
    bool copyAsIs_;
    int outputFrame_; // bytes per 16-bit output frame
    std::int64_t accumulator_ = 0;
    int repeats_ = 0;    // output frames still owed for frame_
    std::int16_t frame_[2] = {0, 0};
    bool ended_ = false;
    int notificationsAfterEnd_ = 0;
    std::vector<std::uint8_t> block_;
    std::int64_t blockStart_ = -1;
    std::int64_t blockLength_ = 0;
};

} // namespace velisto
