#include "waveeditor/WaveUndoStack.h"

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
const char* const kSnapshotText = " Saving undo data ...            ";
} // namespace

WaveUndoStack::WaveUndoStack(int windowDigit, std::filesystem::path folder, std::int64_t processId)
    : digit_(windowDigit), folder_(std::move(folder)), processId_(processId < 0 ? currentProcessId() : processId)
{
}

WaveUndoStack::~WaveUndoStack() { clear(); }

std::filesystem::path WaveUndoStack::fileFor(std::int64_t counter) const
{
    return folder_ / ("~vlxw" + std::to_string(digit_) + "undo" + std::to_string(processId_) + "_" +
                      std::to_string(counter));
}

bool WaveUndoStack::push(WaveSnapshot snapshot, const WaveFile& wave, Progress* progress, std::string& error)
{
    snapshot.file = fileFor(counter_);
    std::FILE* out = std::fopen(snapshot.file.c_str(), "wb");
    if (!out) {
        error = "Can't create " + snapshot.file.string() + ".\n" + std::strerror(errno);
        return false;
    }
    const std::int64_t total = snapshot.kind == WaveEditKind::Inserted ? 0 : snapshot.length;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::max<std::int64_t>(wave.blockSize(), 1)));
    if (progress && total > 0)
        progress->begin(kSnapshotText);
    bool ok = true;
    errno = 0;
    for (std::int64_t done = 0; ok && done < total;) {
        const std::int64_t n = std::min(wave.blockSize(), total - done);
        ok = wave.readData(snapshot.position + done, block.data(), n) &&
             std::fwrite(block.data(), 1, static_cast<std::size_t>(n), out) == static_cast<std::size_t>(n);
        done += n;
        if (progress)
            progress->advance(done, total);
    }
    if (progress && total > 0)
        progress->end();
    ok = std::fflush(out) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        error = "Can't write " + snapshot.file.string() + ".\n" + std::strerror(errno != 0 ? errno : EIO);
        std::error_code ec;
        std::filesystem::remove(snapshot.file, ec);
        return false;
    }
    ++counter_;
    records_.push_back(std::move(snapshot));
    if (static_cast<int>(records_.size()) > kWaveUndoLevels) {
        std::error_code ec;
        std::filesystem::remove(records_.front().file, ec);
        records_.pop_front();
    }
    return true;
}

bool WaveUndoStack::readNewest(std::int64_t offset, void* buffer, std::int64_t size) const
{
    if (records_.empty())
        return false;
    std::ifstream in(records_.back().file, std::ios::binary);
    in.seekg(offset);
    in.read(static_cast<char*>(buffer), size);
    return static_cast<bool>(in);
}

void WaveUndoStack::popNewest()
{
    if (records_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove(records_.back().file, ec);
    records_.pop_back();
}

void WaveUndoStack::clear()
{
    while (!records_.empty())
        popNewest();
}

} // namespace velisto
