#include "waveeditor/WaveCopyBuffer.h"

#include "app/Progress.h"
#include "edit/UndoStack.h"
#include "sampler/WaveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace velisto {

namespace {
const char* const kFillText = " Filling copy buffer ...            ";
} // namespace

WaveCopyBuffer::WaveCopyBuffer(std::filesystem::path folder, std::int64_t processId)
    : file_(folder / ("~vlxcopy" + std::to_string(processId < 0 ? currentProcessId() : processId) + ".tmp"))
{
}

WaveCopyBuffer::~WaveCopyBuffer()
{
    std::error_code ec;
    std::filesystem::remove(file_, ec);
}

bool WaveCopyBuffer::fill(const WaveFile& wave, std::int64_t start, std::int64_t end, Progress* progress,
                          std::string& error)
{
    std::filesystem::path fresh = file_;
    fresh += ".new";
    std::FILE* out = std::fopen(fresh.c_str(), "wb");
    if (!out) {
        error = "Can't create " + fresh.filename().string();
        return false;
    }
    const std::int64_t total = end - start;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::max<std::int64_t>(wave.blockSize(), 1)));
    if (progress)
        progress->begin(kFillText);
    bool ok = true;
    errno = 0;
    for (std::int64_t done = 0; ok && done < total;) {
        const std::int64_t n = std::min(wave.blockSize(), total - done);
        ok = wave.readData(start + done, block.data(), n) &&
             std::fwrite(block.data(), 1, static_cast<std::size_t>(n), out) == static_cast<std::size_t>(n);
        done += n;
        if (progress)
            progress->advance(done, total);
    }
    if (progress)
        progress->end();
    ok = std::fclose(out) == 0 && ok;
    std::error_code ec;
    if (ok)
        std::filesystem::rename(fresh, file_, ec);
    if (!ok || ec) {
        error = "Can't write the copy buffer " + file_.filename().string() + ".\n" +
                (ec ? ec.message() : std::string(std::strerror(errno != 0 ? errno : EIO)));
        std::filesystem::remove(fresh, ec);
        return false;
    }
    length_ = total;
    channels_ = wave.channels();
    bits_ = wave.bitsPerSample();
    return true;
}

bool WaveCopyBuffer::read(std::int64_t offset, void* buffer, std::int64_t size) const
{
    if (offset < 0 || size < 0 || size > length_ - offset)
        return false;
    std::ifstream in(file_, std::ios::binary);
    in.seekg(offset);
    in.read(static_cast<char*>(buffer), size);
    return static_cast<bool>(in);
}

} // namespace velisto
