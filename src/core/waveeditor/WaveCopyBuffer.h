#pragma once
// The copy buffer all wave editor windows share: the copied frames in a temporary file
// ("~vlxcopy" + process id), their format, and the paste options of "Set Wave Info".
//
// Thread contract: user-interface thread only.

#include <cstdint>
#include <filesystem>
#include <string>

namespace velisto {

class Progress;
class WaveFile;

// How a stereo buffer goes into a mono file; Ask until the user has answered once.
enum class StereoToMono { Ask, Left, Mix, Right };

struct CopyBufferOptions {
    int replicate = 1;   // "Replicate copy buffer": times pasted one after the other, >= 1
    double volume = 1.0; // "Volume factor"
    double stretch = 1.0; // "Stretch factor": the pasted length is multiplied by it, > 0
    bool insert = true;  // "Insert when pasting, not mixing"
    bool zeroLeft = false;
    bool zeroRight = false;
    bool exchange = false;
    StereoToMono stereoToMono = StereoToMono::Ask; // the answer, kept for later pastes
};

class WaveCopyBuffer {
public:
    explicit WaveCopyBuffer(std::filesystem::path folder = std::filesystem::temp_directory_path(),
                            std::int64_t processId = -1);
    ~WaveCopyBuffer(); // removes the file
    WaveCopyBuffer(const WaveCopyBuffer&) = delete;
    WaveCopyBuffer& operator=(const WaveCopyBuffer&) = delete;

    // Copies the bytes [start, end) of wave's data (whole frames) in blocks, showing
    // " Filling copy buffer ...            ". Written to a new file first: on failure
    // (error "Can't create " + name, or the system's reason) the previous content stays.
    bool fill(const WaveFile& wave, std::int64_t start, std::int64_t end, Progress* progress, std::string& error);

    bool empty() const { return length_ == 0; }
    std::int64_t length() const { return length_; } // bytes
    std::int64_t frames() const { return frameSize() > 0 ? length_ / frameSize() : 0; }
    int channels() const { return channels_; }
    int bitsPerSample() const { return bits_; }
    int frameSize() const { return channels_ * bits_ / 8; }
    // size bytes at offset from the buffer's start.
    bool read(std::int64_t offset, void* buffer, std::int64_t size) const;
    const std::filesystem::path& file() const { return file_; }

    CopyBufferOptions options;

private:
    std::filesystem::path file_;
    std::int64_t length_ = 0;
    int channels_ = 0;
    int bits_ = 0;
};

} // namespace velisto
