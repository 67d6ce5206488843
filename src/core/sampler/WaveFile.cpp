#include "sampler/WaveFile.h"

#include "app/Progress.h"
#include "sampler/RiffBytes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velisto {

using namespace riff;

namespace {

constexpr std::int64_t kProcessingBlock = 131072;
constexpr std::int64_t kMoveBlock = kProcessingBlock; // moves are the wave editor's long operations
constexpr std::int64_t kMaxFileLength = 0xFFFFFFFFll + 8; // what a u32 RIFF length can describe
constexpr std::int64_t kRiffLengthField = 4;
constexpr std::int64_t kSmplHeader = 36;
constexpr std::int64_t kLoopBytes = 24;
constexpr std::int64_t kCueHeader = 4;
constexpr std::int64_t kCuePointBytes = 24;
constexpr std::int64_t kInstBody = 7;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM as stored in the file.
constexpr std::array<std::uint8_t, 16> kPcmSubFormat{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                     0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
const char* const kFastViewText = " Creating fast view image        ";
const char* const kMoveChunksText = "1. Phase : Moving data behind data chunk";
const char* const kMoveDataText = "2. Phase : Moving audio data";
const char* const kRemoveDataText = " Moving audio data ...            ";

std::int64_t padded(std::uint32_t length) { return static_cast<std::int64_t>(length) + (length & 1u); }

// A key as a file field holds it: 0 and anything past the joker keys mean none.
int keyFromFile(std::uint32_t value)
{
    return value >= 1 && value <= static_cast<std::uint32_t>(kLastJokerKey) ? static_cast<int>(value) : kNoOriginalKey;
}
std::uint8_t keyToFile(int key) { return key > 0 ? static_cast<std::uint8_t>(key) : 0; }

template <int Bytes> int sampleAt(const std::uint8_t* p)
{
    if constexpr (Bytes == 1)
        return (p[0] - 128) * 256;
    else if constexpr (Bytes == 2)
        return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    else // the upper 16 bits of the 24-bit value: v >> 8
        return static_cast<std::int16_t>(p[1] | (p[2] << 8));
}

template <int Bytes, int Channels> void accumulate(const std::uint8_t* p, std::int64_t frames, std::int64_t* sums)
{
    // 32-bit sums vectorise twice as wide; 65535 values of at most 32768 still fit.
    constexpr std::int64_t kPiece = 65535;
    for (std::int64_t first = 0; first < frames; first += kPiece) {
        const std::int64_t end = std::min(frames, first + kPiece);
        std::int32_t a = 0;
        std::int32_t b = 0;
        for (std::int64_t i = first; i < end; ++i, p += Bytes * Channels) {
            a += std::abs(sampleAt<Bytes>(p));
            if constexpr (Channels == 2)
                b += std::abs(sampleAt<Bytes>(p + Bytes));
        }
        sums[0] += a;
        sums[1] += b;
    }
}

void accumulateAny(int bytes, int channels, const std::uint8_t* p, std::int64_t frames, std::int64_t* sums)
{
    switch (bytes * 4 + channels) {
    case 5:
        return accumulate<1, 1>(p, frames, sums);
    case 6:
        return accumulate<1, 2>(p, frames, sums);
    case 9:
        return accumulate<2, 1>(p, frames, sums);
    case 10:
        return accumulate<2, 2>(p, frames, sums);
    case 13:
        return accumulate<3, 1>(p, frames, sums);
    default:
        return accumulate<3, 2>(p, frames, sums);
    }
}

} // namespace

// ---------------------------------------------------------------- fast view image

FastViewBuilder::FastViewBuilder(int bitsPerSample, int channels)
    : bytesPerSample_(std::clamp(bitsPerSample / 8, 1, 3)), channels_(std::clamp(channels, 1, 2))
{
}

void FastViewBuilder::add(std::span<const std::uint8_t> bytes)
{
    const std::int64_t frameSize = bytesPerSample_ * channels_;
    std::int64_t frames = static_cast<std::int64_t>(bytes.size()) / frameSize;
    const std::uint8_t* p = bytes.data();
    while (frames > 0) {
        const std::int64_t take = std::min<std::int64_t>(frames, kFastViewFrames - framesInRun_);
        accumulateAny(bytesPerSample_, channels_, p, take, sum_);
        framesInRun_ += static_cast<int>(take);
        p += take * frameSize;
        frames -= take;
        if (framesInRun_ == kFastViewFrames)
            closeRun();
    }
}

void FastViewBuilder::closeRun()
{
    image_.left.push_back(static_cast<std::int32_t>(sum_[0] / framesInRun_));
    if (channels_ == 2)
        image_.right.push_back(static_cast<std::int32_t>(sum_[1] / framesInRun_));
    sum_[0] = sum_[1] = 0;
    framesInRun_ = 0;
}

FastViewImage FastViewBuilder::finish()
{
    if (framesInRun_ > 0)
        closeRun();
    return image_;
}

FastViewImage buildFastView(std::span<const std::uint8_t> data, int bitsPerSample, int channels)
{
    FastViewBuilder builder(bitsPerSample, channels);
    builder.add(data);
    return builder.finish();
}

void addFastViewSums(std::span<const std::uint8_t> frames, int bitsPerSample, int channels, std::int64_t* sums)
{
    const int bytes = std::clamp(bitsPerSample / 8, 1, 3);
    const int lanes = std::clamp(channels, 1, 2);
    accumulateAny(bytes, lanes, frames.data(), static_cast<std::int64_t>(frames.size()) / (bytes * lanes), sums);
}

// ---------------------------------------------------------------- values

WaveFile::~WaveFile()
{
    if (file_)
        std::fclose(file_);
}

std::string WaveFile::fileName() const
{
    const auto slash = path_.rfind('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::int64_t WaveFile::frames() const { return frameSize() > 0 ? dataLength_ / frameSize() : 0; }

double WaveFile::gainFactor() const { return std::pow(10.0, gain_ / 20.0); }

void WaveFile::setOriginalKey(int key) { originalKey_ = key >= 0 && key <= kLastJokerKey ? key : kNoOriginalKey; }

void WaveFile::setGain(int gain) { gain_ = std::clamp(gain, -128, 127); }

void WaveFile::setVelocityRange(int low, int high)
{
    if (low >= 1 && low <= high && high <= 127) {
        velocityLow_ = low;
        velocityHigh_ = high;
    } else {
        clearVelocityRange();
    }
}

void WaveFile::clearVelocityRange() { velocityLow_ = velocityHigh_ = -1; }

bool WaveFile::setLoop(std::int64_t start, std::int64_t end)
{
    const std::int64_t size = frameSize();
    const std::int64_t dataEnd = dataStart_ + frames() * size;
    if (size <= 0 || start < dataStart_ || end > dataEnd || start >= end)
        return false;
    start = dataStart_ + (start - dataStart_) / size * size;
    end = dataStart_ + (end - dataStart_) / size * size;
    if (start >= end)
        return false;
    loopStart_ = start;
    loopEnd_ = end;
    return true;
}

void WaveFile::clearLoop() { loopStart_ = loopEnd_ = -1; }

void WaveFile::setCuePoints(std::vector<std::int64_t> offsets)
{
    const std::int64_t size = frameSize();
    const std::int64_t dataEnd = dataStart_ + frames() * size;
    cuePoints_.clear();
    for (const std::int64_t offset : offsets)
        if (size > 0 && offset >= dataStart_ && offset <= dataEnd)
            cuePoints_.push_back(dataStart_ + (offset - dataStart_) / size * size);
}

bool WaveFile::setFastView(FastViewImage image)
{
    const std::int64_t entries = (frames() + kFastViewFrames - 1) / kFastViewFrames;
    const bool empty = image.left.empty() && image.right.empty();
    const auto rightEntries = static_cast<std::int64_t>(image.right.size());
    if (!empty && (image.entries() != entries || rightEntries != (channels_ == 2 ? entries : 0)))
        return false;
    fastView_ = std::move(image);
    return true;
}

std::uint32_t WaveFile::frameOf(std::int64_t offset) const
{
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>((offset - dataStart_) / frameSize(), 0, frames()));
}

// ---------------------------------------------------------------- file access

bool WaveFile::readAt(std::int64_t offset, void* buffer, std::int64_t size) const
{
    if (offset < 0 || size < 0 || offset > fileLength_ || size > fileLength_ - offset)
        return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd_, out, static_cast<std::size_t>(size), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += got;
        size -= got;
    }
    return true;
}

bool WaveFile::writeAt(std::int64_t offset, const void* buffer, std::int64_t size) const
{
    const auto* in = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t put = ::pwrite(fd_, in, static_cast<std::size_t>(size), offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        in += put;
        offset += put;
        size -= put;
    }
    return true;
}

// Copies size bytes from one offset to another in blocks, from the end when moving towards
// the end of the file so that no byte is overwritten before it was copied.
bool WaveFile::moveBytes(std::int64_t from, std::int64_t to, std::int64_t size, Progress* progress) const
{
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, kMoveBlock)));
    for (std::int64_t done = 0; done < size;) {
        const std::int64_t n = std::min(kMoveBlock, size - done);
        const std::int64_t at = to > from ? size - done - n : done;
        if (!readAt(from + at, block.data(), n) || !writeAt(to + at, block.data(), n))
            return false;
        if (movedData_ && to + at < movedUntil_)
            (*movedData_)(to + at, std::span<const std::uint8_t>(
                                       block.data(), static_cast<std::size_t>(std::min(n, movedUntil_ - (to + at)))));
        done += n;
        if (progress)
            progress->advance(done, size);
    }
    return true;
}

bool WaveFile::readData(std::int64_t offset, void* buffer, std::int64_t size) const
{
    if (!opened_ || offset < dataStart_ || size < 0 || size > dataStart_ + dataLength_ - offset)
        return false;
    return readAt(offset, buffer, size);
}

bool WaveFile::writeData(std::int64_t offset, const void* buffer, std::int64_t size)
{
    if (!opened_ || !writable_ || offset < dataStart_ || size < 0 || size > dataStart_ + dataLength_ - offset)
        return false;
    return writeAt(offset, buffer, size);
}

bool WaveFile::resizeData(std::int64_t at, std::int64_t delta, std::string& error, Progress* progress,
                          const MovedData& moved)
{
    const std::int64_t dataEnd = dataStart_ + dataLength_;
    const bool inside = delta >= 0 ? at >= dataStart_ && at <= dataEnd : at >= dataStart_ && -delta <= dataEnd - at;
    if (!opened_ || !writable_ || !inside || delta % 2 != 0) {
        errno = EINVAL;
        return writeError(error);
    }
    if (delta == 0)
        return true;
    const std::int64_t newLength = dataLength_ + delta;
    if (newLength > 0xFFFFFFFFll || fileLength_ + delta > kMaxFileLength) {
        errno = EFBIG;
        return writeError(error);
    }
    std::uint8_t length[4];
    put32(length, static_cast<std::uint32_t>(newLength));
    const auto fill = [&] { return writeAt(dataStart_ - 4, length, 4); };
    if (progress)
        progress->begin(delta > 0 ? kMoveChunksText : kRemoveDataText);
    if (moved) {
        movedData_ = &moved;
        movedUntil_ = dataEnd + delta;
    }
    const bool ok = resizeAt(at, delta, fill, error, progress, delta > 0 ? dataEnd : -1);
    movedData_ = nullptr;
    if (progress)
        progress->end();
    if (!ok)
        return false;
    dataLength_ = newLength;
    shiftMarks(at, delta);
    return true;
}

void WaveFile::shiftMarks(std::int64_t at, std::int64_t delta)
{
    // Starts at the edit point move with what follows; the exclusive loop end stays
    // before an insert at its own offset.
    const auto shift = [&](std::int64_t& offset, bool isEnd) {
        if (offset < 0)
            return;
        if (delta > 0) {
            if (offset > at || (offset == at && !isEnd))
                offset += delta;
        } else if (offset >= at - delta) {
            offset += delta;
        } else if (offset > at) {
            offset = at;
        }
    };
    shift(loopStart_, false);
    shift(loopEnd_, true);
    if (hasLoop() && loopStart_ >= loopEnd_)
        clearLoop();
    for (std::int64_t& cue : cuePoints_)
        shift(cue, false);
}

bool WaveFile::changeLength(std::int64_t delta, std::string& error)
{
    const std::int64_t target = fileLength_ + delta;
    if (fd_ < 0 || !writable_ || target < 0 || target > kMaxFileLength) {
        errno = target > kMaxFileLength ? EFBIG : EBADF;
        return writeError(error);
    }
    if (delta > 0) {
        // Reserve the space now: the moves and writes that follow then only overwrite
        // allocated bytes and cannot run out of room halfway.
        const int result = ::posix_fallocate(fd_, fileLength_, delta);
        if (result != 0) {
            (void)::ftruncate(fd_, fileLength_); // undo a partial extension
            errno = result;
            return writeError(error);
        }
    } else if (delta < 0 && ::ftruncate(fd_, target) != 0) {
        return writeError(error);
    }
    fileLength_ = target;
    return true;
}

bool WaveFile::writeError(std::string& error) const
{
    error = "Can't write the changes to " + fileName() + ".\n" + std::strerror(errno);
    return false;
}

// Inserts delta bytes (delta > 0) or removes -delta bytes (delta < 0) at offset at, moving
// everything behind; fill then writes the changed chunk's new header and body.
//
// Step order: while the tail is being moved the chunks behind `at` are half old, half
// new. For exactly that time the RIFF length disagrees with the file length, so that a file
// left so by a crash is refused with the header message instead of being misread. Growing:
// extend the file, move the tail, fill, then write the new RIFF length. Shrinking: write
// the new RIFF length, move the tail, fill, then truncate. Extending is the only step that
// needs new space and it comes first: a full disk or a size limit stops the rewrite while
// the file is still unchanged; the later steps only overwrite bytes already allocated.
bool WaveFile::resizeAt(std::int64_t at, std::int64_t delta, const std::function<bool()>& fill, std::string& error,
                        Progress* progress, std::int64_t split)
{
    const std::int64_t oldLength = fileLength_;
    const std::int64_t newLength = oldLength + delta;
    if (newLength > kMaxFileLength) {
        errno = EFBIG;
        return writeError(error);
    }
    std::uint8_t riff[4];
    put32(riff, static_cast<std::uint32_t>(newLength - 8));
    if (delta > 0) {
        if (!changeLength(delta, error))
            return false;
        // Both moves go from the end towards at: the bytes behind split first.
        const std::int64_t behind = split > at && split < oldLength ? split : oldLength;
        bool moved = moveBytes(behind, behind + delta, oldLength - behind, progress);
        if (moved && progress)
            progress->begin(kMoveDataText);
        moved = moved && moveBytes(at, at + delta, behind - at, progress);
        if (!moved || (fill && !fill()) || !writeAt(kRiffLengthField, riff, 4))
            return writeError(error);
    } else if (delta < 0) {
        if (!writeAt(kRiffLengthField, riff, 4) || !moveBytes(at - delta, at, oldLength - (at - delta), progress) ||
            (fill && !fill()))
            return writeError(error);
        if (!changeLength(delta, error))
            return false;
    } else if (fill && !fill()) {
        return writeError(error);
    }
    for (std::int64_t* offset : {&instOffset_, &smplOffset_, &cueOffset_, &mvlxOffset_, &chunksEnd_}) {
        if (delta > 0 && *offset >= at)
            *offset += delta;
        else if (delta < 0 && *offset >= at - delta)
            *offset += delta;
        else if (delta < 0 && *offset >= at)
            *offset = -1; // the removed chunk
    }
    return true;
}

// ---------------------------------------------------------------- open

void WaveFile::reset()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    fd_ = -1;
    opened_ = writable_ = false;
    movedData_ = nullptr;
    channels_ = bitsPerSample_ = 0;
    samplesPerSecond_ = 0;
    dataStart_ = dataLength_ = fileLength_ = blockSize_ = chunksEnd_ = 0;
    instOffset_ = smplOffset_ = cueOffset_ = mvlxOffset_ = -1;
    instLength_ = smplLength_ = cueLength_ = mvlxLength_ = smplLoops_ = 0;
    originalKey_ = smplKey_ = kNoOriginalKey;
    gain_ = 0;
    velocityLow_ = velocityHigh_ = -1;
    loopStart_ = loopEnd_ = -1;
    cuePoints_.clear();
    fastView_ = {};
}

bool WaveFile::fail(const std::string& text, std::string& error)
{
    error = text;
    reset();
    return false;
}

bool WaveFile::open(const std::string& path, const WaveOpenOptions& options, std::string& error)
{
    reset();
    path_ = path;
    const std::string name = fileName();
    const std::string corrupt = "Error in " + name;

    file_ = std::fopen(path.c_str(), options.writable ? "r+b" : "rb");
    struct stat status {};
    if (file_ && (::fstat(::fileno(file_), &status) != 0 || !S_ISREG(status.st_mode))) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!file_) {
        std::string text = "Can't open " + name;
        const auto slash = path.rfind('/');
        if (slash == std::string::npos) {
            std::error_code ec;
            text += "\nin the current directory\n" + std::filesystem::current_path(ec).string();
        } else {
            text += "\nin " + (slash == 0 ? std::string("/") : path.substr(0, slash));
        }
        text += options.writable ? "\nwith write access. Check write protection !" : ".\nDoes file exist ?";
        return fail(text, error);
    }
    fd_ = ::fileno(file_);
    writable_ = options.writable;
    fileLength_ = status.st_size;

    std::uint8_t header[12];
    if (!readAt(0, header, 12) || !isId(header, "RIFF") || !isId(header + 8, "WAVE"))
        return fail(corrupt + "\nRIFF corrupt or no WAV", error);
    const std::int64_t riffLength = le32(header + 4);

    // ---- "fmt "
    std::int64_t pos = 12;
    std::uint8_t chunk[8];
    for (;;) {
        if (!readAt(pos, chunk, 8))
            return fail(corrupt + "\nCan't find fmt chunk", error);
        if (isId(chunk, "fmt "))
            break;
        pos += 8 + padded(le32(chunk + 4));
    }
    const std::uint32_t fmtLength = le32(chunk + 4);
    std::uint8_t fmt[40] = {};
    if (fmtLength < 16 || !readAt(pos + 8, fmt, std::min<std::int64_t>(fmtLength, 40)))
        return fail(corrupt + "\nFormat fmt chunk has unsupported length", error);
    const std::uint16_t tag = le16(fmt);
    const bool extensiblePcm = tag == kFormatExtensible && fmtLength >= 40 && le16(fmt + 16) >= 22 &&
                               std::equal(kPcmSubFormat.begin(), kPcmSubFormat.end(), fmt + 24);
    const int channels = le16(fmt + 2);
    const std::uint32_t rate = le32(fmt + 4);
    const int bits = le16(fmt + 14);
    if ((tag != kFormatPcm && !extensiblePcm) || rate == 0)
        return fail(corrupt + "\nNo PCM Wave format", error);
    if (bits != 8 && bits != 16 && bits != 24)
        return fail(name + " is a " + std::to_string(bits) +
                        " bit wave file.\nOnly 8, 16 or 24 are supported by Velisto.",
                    error);
    if (options.require44100 && rate != 44100)
        return fail(name + " has a frequency of " + std::to_string(rate) +
                        " samples per second.\nOnly 44100 is allowed here.",
                    error);
    if (options.require16Bit && bits != 16)
        return fail(name + " has a resolution of " + std::to_string(bits) +
                        " bits per sample.\nOnly 16 bit is allowed here.",
                    error);
    if (channels != 1 && channels != 2)
        return fail(name + " has " + std::to_string(channels) + " channels.\nOnly 1 or 2 are allowed in Velisto.",
                    error);
    pos += 8 + padded(fmtLength);

    // ---- "data"
    for (;;) {
        if (!readAt(pos, chunk, 8))
            return fail(corrupt + "\nNo data chunk found", error);
        if (isId(chunk, "data"))
            break;
        pos += 8 + padded(le32(chunk + 4));
    }
    channels_ = channels;
    bitsPerSample_ = bits;
    samplesPerSecond_ = rate;
    dataStart_ = pos + 8;
    dataLength_ = le32(chunk + 4);
    blockSize_ = kProcessingBlock / frameSize() * frameSize();
    const std::int64_t dataEnd = dataStart_ + padded(static_cast<std::uint32_t>(dataLength_));
    if (dataEnd > fileLength_)
        return fail(corrupt + "\nWave file corrupt. Data chunk is interrupted by EOF.", error);

    // ---- the chunks behind the data
    std::vector<std::int64_t> invalidFastViews;
    for (pos = dataEnd; readAt(pos, chunk, 8);) {
        const std::uint32_t length = le32(chunk + 4);
        const std::int64_t next = pos + 8 + padded(length);
        // Every chunk must lie inside the file, the sampler chunks included: their fields
        // are read and later rewritten in place.
        if (next > fileLength_)
            return fail(corrupt + "\nWave file corrupt. An additional non-data chunk is interrupted by EOF.", error);
        if (isId(chunk, "smpl"))
            readSmpl(pos, length);
        else if (isId(chunk, "inst"))
            readInst(pos, length);
        else if (isId(chunk, "cue "))
            readCue(pos, length, options.wantCuePoints);
        else if (isId(chunk, "mvlx") && options.wantFastView && !readMvlx(pos, length))
            invalidFastViews.push_back(pos);
        pos = next;
    }
    chunksEnd_ = pos;

    if (riffLength != fileLength_ - 8)
        return fail(corrupt + "\nHeader corrupt (lFileSize NOT EQUAL real filelength - 8).", error);

    readCuePoints_ = cuePoints_;
    readFastView_ = fastView_;
    readLoopStart_ = loopStart_;
    readLoopEnd_ = loopEnd_;
    readGain_ = gain_;
    readOriginalKey_ = originalKey_;
    readVelocityLow_ = velocityLow_;
    readVelocityHigh_ = velocityHigh_;

    if (options.wantFastView && mvlxOffset_ < 0 && !buildFastViewFromData(options.progress))
        return fail(corrupt + "\nWave file corrupt. Data chunk is interrupted by EOF.", error);

    // Only now that the open cannot fail any more: an invalid image is renamed so that it is
    // never read again. A failed rename is harmless (the image is rebuilt next time too).
    if (writable_)
        for (const std::int64_t offset : invalidFastViews)
            (void)writeAt(offset, "xxxx", 4);

    opened_ = true;
    return true;
}

void WaveFile::readSmpl(std::int64_t header, std::uint32_t length)
{
    smplOffset_ = header;
    smplLength_ = length;
    smplLoops_ = 0;
    smplKey_ = kNoOriginalKey;
    if (length < kSmplHeader)
        return;
    std::uint8_t head[kSmplHeader + kLoopBytes] = {};
    const bool loopInChunk = length >= kSmplHeader + kLoopBytes;
    if (!readAt(header + 8, head, loopInChunk ? sizeof head : kSmplHeader))
        return;
    smplKey_ = keyFromFile(le32(head + 12));
    if (smplKey_ != kNoOriginalKey)
        originalKey_ = smplKey_;
    smplLoops_ = le32(head + 28);
    loopStart_ = loopEnd_ = -1;
    if (smplLoops_ == 0 || !loopInChunk)
        return;
    const std::int64_t start = le32(head + kSmplHeader + 8);
    const std::int64_t end = le32(head + kSmplHeader + 12);
    if (start < end && end <= frames()) {
        loopStart_ = dataStart_ + start * frameSize();
        loopEnd_ = dataStart_ + end * frameSize();
    }
}

void WaveFile::readInst(std::int64_t header, std::uint32_t length)
{
    std::uint8_t body[kInstBody];
    // A chunk too short for its fields is not taken for one: a new one is written if needed.
    if (length < kInstBody || !readAt(header + 8, body, kInstBody))
        return;
    instOffset_ = header;
    instLength_ = length;
    const int key = keyFromFile(body[0]);
    if (key != kNoOriginalKey)
        originalKey_ = key;
    gain_ = static_cast<std::int8_t>(body[2]);
    const int low = body[5];
    const int high = body[6];
    if (low >= 1 && high <= 127 && low <= high) {
        velocityLow_ = low;
        velocityHigh_ = high;
    } else {
        clearVelocityRange();
    }
}

void WaveFile::readCue(std::int64_t header, std::uint32_t length, bool want)
{
    cueOffset_ = header;
    cueLength_ = length;
    cuePoints_.clear();
    std::uint8_t count[4];
    if (!want || length < kCueHeader || !readAt(header + 8, count, 4))
        return;
    // The count is believed only as far as the chunk holds points.
    const std::int64_t points = std::min<std::int64_t>(le32(count), (length - kCueHeader) / kCuePointBytes);
    std::vector<std::uint8_t> body(static_cast<std::size_t>(points * kCuePointBytes));
    if (!readAt(header + 8 + kCueHeader, body.data(), static_cast<std::int64_t>(body.size())))
        return;
    for (std::int64_t i = 0; i < points; ++i) {
        const std::int64_t frame = le32(body.data() + i * kCuePointBytes + 20);
        if (frame <= frames())
            cuePoints_.push_back(dataStart_ + frame * frameSize());
    }
}

bool WaveFile::readMvlx(std::int64_t header, std::uint32_t length)
{
    std::uint8_t countBytes[4];
    if (length < 4 || !readAt(header + 8, countBytes, 4))
        return false;
    const std::int64_t count = le32(countBytes);
    const std::int64_t expected = (frames() + kFastViewFrames - 1) / kFastViewFrames;
    if (count != expected || static_cast<std::int64_t>(length) - 4 != channels_ * count * 4)
        return false;
    std::vector<std::uint8_t> body(static_cast<std::size_t>(length - 4));
    if (!readAt(header + 12, body.data(), static_cast<std::int64_t>(body.size())))
        return false;
    FastViewImage image;
    image.left.resize(static_cast<std::size_t>(count));
    if (channels_ == 2)
        image.right.resize(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = body.data() + i * channels_ * 4;
        image.left[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(le32(entry));
        if (channels_ == 2)
            image.right[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(le32(entry + 4));
    }
    fastView_ = std::move(image);
    readFastView_ = fastView_;
    mvlxOffset_ = header;
    mvlxLength_ = length;
    return true;
}

bool WaveFile::buildFastViewFromData(Progress* progress)
{
    const std::int64_t total = frames() * frameSize();
    if (progress)
        progress->begin(kFastViewText);
    FastViewBuilder builder(bitsPerSample_, channels_);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(blockSize_));
    bool ok = true;
    for (std::int64_t done = 0; done < total && ok;) {
        const std::int64_t n = std::min(blockSize_, total - done);
        ok = readAt(dataStart_ + done, block.data(), n);
        builder.add(std::span<const std::uint8_t>(block.data(), static_cast<std::size_t>(n)));
        done += n;
        if (progress)
            progress->advance(done, total);
    }
    if (progress)
        progress->end();
    fastView_ = builder.finish();
    return ok;
}

// ---------------------------------------------------------------- close

bool WaveFile::close(std::string& error)
{
    bool ok = true;
    if (opened_ && writable_)
        ok = writeCuePoints(error) && writeFastView(error) && writeInst(error) && writeSmpl(error);
    if (file_ && std::fclose(file_) != 0 && ok) {
        ok = false;
        (void)writeError(error);
    }
    file_ = nullptr;
    reset();
    return ok;
}

bool WaveFile::writeCuePoints(std::string& error)
{
    if (cuePoints_ == readCuePoints_)
        return true;
    const auto count = static_cast<std::int64_t>(cuePoints_.size());
    if (count == 0) {
        if (cueOffset_ < 0)
            return true;
        return resizeAt(cueOffset_, -(8 + padded(cueLength_)), nullptr, error);
    }
    const std::int64_t body = kCueHeader + count * kCuePointBytes;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(8 + body));
    appendId(bytes, "cue ");
    append32(bytes, static_cast<std::uint32_t>(body));
    append32(bytes, static_cast<std::uint32_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        append32(bytes, static_cast<std::uint32_t>(i)); // identifier
        append32(bytes, 0);                             // position
        appendId(bytes, "data");
        append32(bytes, 0); // chunk start
        append32(bytes, 0); // block start
        append32(bytes, frameOf(cuePoints_[static_cast<std::size_t>(i)]));
    }
    if (cueOffset_ < 0) {
        const std::int64_t at = chunksEnd_;
        if (!resizeAt(
                at, 8 + body, [&] { return writeAt(at, bytes.data(), 8 + body); }, error))
            return false;
        cueOffset_ = at;
    } else {
        // Grown or shrunk at its end, so that the chunk never spreads into the next one.
        const std::int64_t header = cueOffset_;
        if (!resizeAt(
                header + 8 + padded(cueLength_) + std::min<std::int64_t>(body - padded(cueLength_), 0),
                body - padded(cueLength_), [&] { return writeAt(header, bytes.data(), 8 + body); }, error))
            return false;
    }
    cueLength_ = static_cast<std::uint32_t>(body);
    readCuePoints_ = cuePoints_;
    return true;
}

bool WaveFile::writeFastView(std::string& error)
{
    if (fastView_ == readFastView_)
        return true;
    const std::int64_t count = fastView_.entries();
    const bool stereo = channels_ == 2;
    if (count == 0) {
        if (mvlxOffset_ < 0)
            return true;
        return resizeAt(mvlxOffset_, -(8 + padded(mvlxLength_)), nullptr, error);
    }
    const std::int64_t body = 4 + count * channels_ * 4;
    if (body > 0xFFFFFFF0ll) {
        errno = EFBIG;
        return writeError(error);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(8 + body));
    appendId(bytes, "mvlx");
    append32(bytes, static_cast<std::uint32_t>(body));
    append32(bytes, static_cast<std::uint32_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        append32(bytes, static_cast<std::uint32_t>(fastView_.left[static_cast<std::size_t>(i)]));
        if (stereo)
            append32(bytes, static_cast<std::uint32_t>(fastView_.right[static_cast<std::size_t>(i)]));
    }
    if (mvlxOffset_ < 0) {
        const std::int64_t at = chunksEnd_;
        if (!resizeAt(
                at, 8 + body, [&] { return writeAt(at, bytes.data(), 8 + body); }, error))
            return false;
        mvlxOffset_ = at;
    } else {
        const std::int64_t header = mvlxOffset_;
        if (!resizeAt(
                header + 8 + padded(mvlxLength_) + std::min<std::int64_t>(body - padded(mvlxLength_), 0),
                body - padded(mvlxLength_), [&] { return writeAt(header, bytes.data(), 8 + body); }, error))
            return false;
    }
    mvlxLength_ = static_cast<std::uint32_t>(body);
    readFastView_ = fastView_;
    return true;
}

bool WaveFile::writeInst(std::string& error)
{
    const bool keyChanged = originalKey_ != readOriginalKey_;
    const bool changed = keyChanged || gain_ != readGain_ || velocityLow_ != readVelocityLow_ ||
                         velocityHigh_ != readVelocityHigh_ || loopStart_ != readLoopStart_ || loopEnd_ != readLoopEnd_;
    if (!changed)
        return true;
    const bool velocitySet = velocityLow_ >= 1;
    const bool needed = gain_ != 0 || velocitySet || (originalKey_ >= 0 && !hasLoop());
    if (instOffset_ < 0) {
        if (!needed)
            return true;
        const std::uint8_t bytes[16] = {'i',
                                        'n',
                                        's',
                                        't',
                                        kInstBody,
                                        0,
                                        0,
                                        0,
                                        keyToFile(originalKey_),
                                        0,
                                        static_cast<std::uint8_t>(gain_),
                                        0,
                                        127,
                                        static_cast<std::uint8_t>(velocitySet ? velocityLow_ : 0),
                                        static_cast<std::uint8_t>(velocitySet ? velocityHigh_ : 0),
                                        0};
        const std::int64_t at = chunksEnd_;
        if (!resizeAt(
                at, 16, [&] { return writeAt(at, bytes, 16); }, error))
            return false;
        instOffset_ = at;
        instLength_ = kInstBody;
        return true;
    }
    if (!needed)
        return resizeAt(instOffset_, -(8 + padded(instLength_)), nullptr, error);
    // Fine tune and key range stay as the file has them.
    std::uint8_t body[kInstBody];
    if (!readAt(instOffset_ + 8, body, kInstBody))
        return writeError(error);
    body[0] = keyToFile(originalKey_);
    body[2] = static_cast<std::uint8_t>(gain_);
    body[5] = static_cast<std::uint8_t>(velocitySet ? velocityLow_ : 0);
    body[6] = static_cast<std::uint8_t>(velocitySet ? velocityHigh_ : 0);
    return writeAt(instOffset_ + 8, body, kInstBody) || writeError(error);
}

bool WaveFile::writeSmpl(std::string& error)
{
    const bool loopChanged = loopStart_ != readLoopStart_ || loopEnd_ != readLoopEnd_;
    // A key only the removed "inst" chunk held must move to the loop's chunk.
    const bool keyLost = hasLoop() && instOffset_ < 0 && smplKey_ != originalKey_;
    if (!loopChanged && originalKey_ == readOriginalKey_ && !keyLost)
        return true;
    const bool hasHeader = smplOffset_ >= 0 && smplLength_ >= kSmplHeader;
    const bool hasLoopSlot = hasHeader && smplLoops_ >= 1 && smplLength_ >= kSmplHeader + kLoopBytes;
    // The unity note always follows the key: the "inst" chunk may just have been removed
    // because the loop carries the key.
    const auto writeKeyAndLoop = [&](std::int64_t header, bool loop) {
        std::uint8_t key[4];
        put32(key, keyToFile(originalKey_));
        if (!writeAt(header + 8 + 12, key, 4))
            return false;
        if (!loop)
            return true;
        std::uint8_t frames[8];
        put32(frames, frameOf(loopStart_));
        put32(frames + 4, frameOf(loopEnd_));
        return writeAt(header + 8 + kSmplHeader + 8, frames, 8);
    };
    if (smplOffset_ >= 0) {
        if (!hasLoop()) {
            if (smplLoops_ > 0 || !hasHeader)
                return resizeAt(smplOffset_, -(8 + padded(smplLength_)), nullptr, error);
            return smplKey_ == originalKey_ || writeKeyAndLoop(smplOffset_, false) || writeError(error);
        }
        if (hasLoopSlot) {
            // Further loops and the sampler data stay as they are.
            if (!loopChanged && smplKey_ == originalKey_)
                return true;
            if (!writeKeyAndLoop(smplOffset_, true))
                return writeError(error);
            smplKey_ = originalKey_;
            return true;
        }
        if (hasHeader && smplLoops_ == 0) {
            // A header without loops: a loop slot goes in between it and the sampler data.
            const std::int64_t header = smplOffset_;
            const std::uint32_t length = smplLength_ + static_cast<std::uint32_t>(kLoopBytes);
            std::uint8_t loop[kLoopBytes] = {};
            put32(loop, 1000);
            const auto fill = [&] {
                std::uint8_t lengthBytes[4];
                std::uint8_t one[4];
                put32(lengthBytes, length);
                put32(one, 1);
                return writeAt(header + 4, lengthBytes, 4) && writeAt(header + 8 + 28, one, 4) &&
                       writeAt(header + 8 + kSmplHeader, loop, kLoopBytes) && writeKeyAndLoop(header, true);
            };
            if (length > 0xFFFFFFF0u || !resizeAt(header + 8 + kSmplHeader, kLoopBytes, fill, error))
                return false;
            smplLength_ = length;
            smplLoops_ = 1;
            smplKey_ = originalKey_;
            return true;
        }
        // Too malformed to amend: replaced by a fresh chunk below.
        if (!resizeAt(smplOffset_, -(8 + padded(smplLength_)), nullptr, error))
            return false;
    }
    if (!hasLoop())
        return true;
    std::vector<std::uint8_t> bytes;
    appendId(bytes, "smpl");
    append32(bytes, 60);
    append32(bytes, 0);                               // manufacturer
    append32(bytes, 0);                               // product
    append32(bytes, 1000000000u / samplesPerSecond_); // sample period in ns
    append32(bytes, keyToFile(originalKey_));
    for (int i = 0; i < 3; ++i)
        append32(bytes, 0); // pitch fraction, SMPTE format, SMPTE offset
    append32(bytes, 1);     // loops
    append32(bytes, 0);     // sampler data
    append32(bytes, 1000);  // loop identifier
    append32(bytes, 0);     // forward
    append32(bytes, frameOf(loopStart_));
    append32(bytes, frameOf(loopEnd_));
    append32(bytes, 0); // fraction
    append32(bytes, 0); // play count
    const std::int64_t at = chunksEnd_;
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (!resizeAt(
            at, size, [&] { return writeAt(at, bytes.data(), size); }, error))
        return false;
    smplOffset_ = at;
    smplLength_ = 60;
    smplLoops_ = 1;
    smplKey_ = originalKey_;
    return true;
}

} // namespace velisto
