#pragma once
// A RIFF/WAVE file of uncompressed PCM as samples and the wave editor use it: opened with
// every check and a precise error text, the sampler chunks after the data chunk read
// (original key, gain, velocity range, first loop, cue points, the fast view image), and,
// for a file opened for writing, what changed written back into the file in place on
// close, keeping every other chunk untouched.
//
// Thread contract: one object on one thread at a time.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace velisto {

class Progress;

struct WaveOpenOptions {
    bool writable = false;
    bool wantFastView = false;
    bool wantCuePoints = false;
    bool require44100 = false;
    bool require16Bit = false;
    Progress* progress = nullptr; // shows " Creating fast view image        " while building it
};

// For every run of kFastViewFrames frames (the last may be shorter), per channel, the mean
// of the absolute sample values scaled to the 16-bit range.
inline constexpr int kFastViewFrames = 300;
struct FastViewImage {
    std::vector<std::int32_t> left;
    std::vector<std::int32_t> right; // empty for mono
    std::int64_t entries() const { return static_cast<std::int64_t>(left.size()); }
    bool operator==(const FastViewImage&) const = default;
};

// Builds a FastViewImage from PCM frames handed over in pieces of whole frames, so that a
// long file can be read block by block. 8-bit samples (unsigned) become (v - 128) * 256,
// 24-bit samples v >> 8 (their upper 16 bits); 16-bit samples are taken as they are.
class FastViewBuilder {
public:
    FastViewBuilder(int bitsPerSample, int channels);
    // bytes must hold whole frames; a trailing partial frame is ignored.
    void add(std::span<const std::uint8_t> bytes);
    // The image so far, the last run closed even when shorter than kFastViewFrames.
    FastViewImage finish();

private:
    void closeRun();

    int bytesPerSample_;
    int channels_;
    int framesInRun_ = 0;
    std::int64_t sum_[2] = {0, 0};
    FastViewImage image_;
};

// The image of a whole data chunk in one call (the wave editor, benchmarks).
FastViewImage buildFastView(std::span<const std::uint8_t> data, int bitsPerSample, int channels);

// Adds the absolute sample values of whole frames to sums[0] (left) and sums[1] (right) by
// the image's rule, for callers that build runs from frames handed over out of order.
void addFastViewSums(std::span<const std::uint8_t> frames, int bitsPerSample, int channels, std::int64_t* sums);

// Original keys: -1 none, 0..127 a MIDI key, 128..139 the joker keys "C*".."B*".
inline constexpr int kNoOriginalKey = -1;
inline constexpr int kFirstJokerKey = 128;
inline constexpr int kLastJokerKey = 139;

class WaveFile {
public:
    WaveFile() = default;
    ~WaveFile(); // closes without writing back
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    // False, with error set to the text to show, when the file cannot be used; a failed
    // open leaves the file as it was.
    bool open(const std::string& path, const WaveOpenOptions& options, std::string& error);
    // Writes back what changed (writable files), then closes. False, with error set, when
    // a write failed; the file is then still a consistent WAVE file.
    bool close(std::string& error);

    bool isOpen() const { return opened_; }
    bool writable() const { return writable_; }
    // The part of the path after the last '/'.
    std::string fileName() const;
    const std::string& path() const { return path_; }

    // ---- format ----
    int channels() const { return channels_; }
    int bitsPerSample() const { return bitsPerSample_; }
    int bytesPerSample() const { return bitsPerSample_ / 8; }
    std::uint32_t samplesPerSecond() const { return samplesPerSecond_; }
    int frameSize() const { return channels_ * bytesPerSample(); }
    std::int64_t dataStart() const { return dataStart_; }
    std::int64_t dataLength() const { return dataLength_; }
    std::int64_t frames() const;
    std::int64_t fileLength() const { return fileLength_; }
    // 131072 bytes rounded down to whole frames.
    std::int64_t blockSize() const { return blockSize_; }

    // ---- what the sampler chunks hold; setters change what close writes back ----
    // The files store key 0 as "no key": it reads back as kNoOriginalKey. A key outside
    // -1..139 is taken as kNoOriginalKey.
    int originalKey() const { return originalKey_; }
    void setOriginalKey(int key);
    int gain() const { return gain_; }               // dB
    void setGain(int gain);                          // clamped to the file's signed byte, -128..127
    double gainFactor() const;                       // 10^(gain/20)
    int velocityLow() const { return velocityLow_; } // -1: unset, else 1..127
    int velocityHigh() const { return velocityHigh_; }
    // Anything but 1 <= low <= high <= 127 clears the range.
    void setVelocityRange(int low, int high);
    void clearVelocityRange();
    bool hasLoop() const { return loopStart_ >= 0; }
    std::int64_t loopStart() const { return loopStart_; } // file offsets, end exclusive; -1: none
    std::int64_t loopEnd() const { return loopEnd_; }
    // False (nothing changed) unless dataStart <= start < end <= dataStart + frames * frameSize;
    // offsets between frames are rounded down to the frame.
    bool setLoop(std::int64_t start, std::int64_t end);
    void clearLoop();
    const std::vector<std::int64_t>& cuePoints() const { return cuePoints_; } // file offsets
    // Offsets outside the data are dropped, the others rounded down to their frame.
    void setCuePoints(std::vector<std::int64_t> offsets);
    const FastViewImage& fastView() const { return fastView_; }
    // False (nothing changed) unless the image has ceil(frames / kFastViewFrames) entries per
    // channel; an empty image removes the stored one.
    bool setFastView(FastViewImage image);

    // Grows (delta > 0) or shrinks the file by delta bytes. False, with error set, on failure.
    bool changeLength(std::int64_t delta, std::string& error);

    // ---- the data itself (wave editor; writable files) ----
    // size bytes at a file offset; false unless the range lies inside the data.
    bool readData(std::int64_t offset, void* buffer, std::int64_t size) const;
    bool writeData(std::int64_t offset, const void* buffer, std::int64_t size);
    // Inserts delta bytes (delta > 0; their content is undefined) or removes -delta bytes
    // (delta < 0) at the file offset at inside the data, moving the rest of the data and
    // every chunk behind it in blocks. The data length, the RIFF length and the chunk
    // offsets follow; so do loop and cue points: behind an insert they move back, inside a
    // removed range they go to its start, and a loop left empty is removed. The fast view
    // image is the caller's to rebuild. delta must be even, so that the chunks behind keep
    // their pad. A result past what the RIFF length holds is refused before any change.
    // progress shows the moves (" Moving data behind data chunk" and "audio data" phases).
    // moved is handed the data bytes that the move puts in place, with the file offset they
    // come to lie at, as they are moved (from the end backwards when growing; blocks need
    // not hold whole frames), so that the caller's fast view image follows without reading
    // them again.
    using MovedData = std::function<void(std::int64_t offset, std::span<const std::uint8_t>)>;
    bool resizeData(std::int64_t at, std::int64_t delta, std::string& error, Progress* progress = nullptr,
                    const MovedData& moved = nullptr);

private:
    bool fail(const std::string& text, std::string& error);
    bool readAt(std::int64_t offset, void* buffer, std::int64_t size) const;
    bool writeAt(std::int64_t offset, const void* buffer, std::int64_t size) const;
    bool moveBytes(std::int64_t from, std::int64_t to, std::int64_t size, Progress* progress = nullptr) const;
    // split (growing only): the move of the bytes behind it is a phase of its own.
    bool resizeAt(std::int64_t at, std::int64_t delta, const std::function<bool()>& fill, std::string& error,
                  Progress* progress = nullptr, std::int64_t split = -1);
    void shiftMarks(std::int64_t at, std::int64_t delta);
    bool writeError(std::string& error) const;
    bool writeCuePoints(std::string& error);
    bool writeFastView(std::string& error);
    bool writeInst(std::string& error);
    bool writeSmpl(std::string& error);
    std::uint32_t frameOf(std::int64_t offset) const;
    bool buildFastViewFromData(Progress* progress);
    void readSmpl(std::int64_t header, std::uint32_t length);
    void readInst(std::int64_t header, std::uint32_t length);
    void readCue(std::int64_t header, std::uint32_t length, bool want);
    bool readMvlx(std::int64_t header, std::uint32_t length);
    void reset();

    bool opened_ = false;
    bool writable_ = false;
    std::string path_;
    std::FILE* file_ = nullptr;
    int channels_ = 0;
    int bitsPerSample_ = 0;
    std::uint32_t samplesPerSecond_ = 0;
    std::int64_t dataStart_ = 0;
    std::int64_t dataLength_ = 0;
    std::int64_t fileLength_ = 0;
    std::int64_t blockSize_ = 0;
    int originalKey_ = kNoOriginalKey;
    int gain_ = 0;
    int velocityLow_ = -1;
    int velocityHigh_ = -1;
    std::int64_t loopStart_ = -1;
    std::int64_t loopEnd_ = -1;
    std::vector<std::int64_t> cuePoints_;
    FastViewImage fastView_;

    int fd_ = -1;
    // Chunk header offsets (-1: absent) and the body lengths the headers declare.
    std::int64_t instOffset_ = -1;
    std::int64_t smplOffset_ = -1;
    std::int64_t cueOffset_ = -1;
    std::int64_t mvlxOffset_ = -1;
    std::uint32_t instLength_ = 0;
    std::uint32_t smplLength_ = 0;
    std::uint32_t cueLength_ = 0;
    std::uint32_t mvlxLength_ = 0;
    std::uint32_t smplLoops_ = 0;  // the loop count the "smpl" chunk declares
    int smplKey_ = kNoOriginalKey; // the unity note the "smpl" chunk holds
    // Where the last whole chunk ends. New chunks go here: a few trailing bytes too short
    // for a chunk header stay behind them, where the reader does not mistake them for one.
    std::int64_t chunksEnd_ = 0;
    // While resizeData runs: told of the moved bytes that land before movedUntil_.
    const MovedData* movedData_ = nullptr;
    std::int64_t movedUntil_ = 0;

    // What the file held when it was read; close writes back what differs.
    std::vector<std::int64_t> readCuePoints_;
    FastViewImage readFastView_;
    std::int64_t readLoopStart_ = -1;
    std::int64_t readLoopEnd_ = -1;
    int readGain_ = 0;
    int readOriginalKey_ = kNoOriginalKey;
    int readVelocityLow_ = -1;
    int readVelocityHigh_ = -1;
};

} // namespace velisto
