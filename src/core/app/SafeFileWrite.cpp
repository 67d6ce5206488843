#include "app/SafeFileWrite.h"

#include "app/FileSync.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace velisto {

namespace {

std::filesystem::path saveTarget(const std::filesystem::path& path)
{
    // Saving over a symbolic link replaces the file it points to, not the link.
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::canonical(path, ec);
        if (!ec)
            return resolved;
    }
    return path;
}

// Opens a new, exclusive file beside target whose name starts with "~vlx".
std::FILE* openTemporary(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        return nullptr;
    const std::filesystem::path folder = target.parent_path();
    for (int n = 0; n < 1000; ++n) {
        const std::filesystem::path candidate = folder / ("~vlxsave" + std::to_string(n) + ".tmp");
        errno = 0;
        if (std::FILE* file = std::fopen(candidate.c_str(), "wbx")) {
            temporary = candidate;
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

std::string replaceTarget(const std::filesystem::path& temporary, const std::filesystem::path& target)
{
    std::error_code ec;
    const auto previous = std::filesystem::status(target, ec);
    if (!ec && std::filesystem::exists(previous))
        std::filesystem::permissions(temporary, previous.permissions(), ec); // best effort
    std::filesystem::rename(temporary, target, ec);
    if (ec)
        return ec.message();
    // The rename itself is durable once the folder is.
    return fileSync().syncFolder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
}

// Empty on success, else the system's reason. The bytes are on the disk before the file
// is closed, so that the rename never puts an empty or partial file in the target's place
// after a crash. ok: whether everything before was written.
std::string closeWritten(std::FILE* file, bool ok)
{
    int reason = errno;
    if (ok && std::fflush(file) != 0) {
        ok = false;
        reason = errno;
    }
    const std::string synced = ok ? fileSync().syncFile(file) : std::string();
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (ok)
        return synced;
    return reason != 0 ? std::generic_category().message(reason) : std::string("write error");
}

std::string writeAndClose(std::FILE* file, std::span<const std::uint8_t> bytes)
{
    errno = 0;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return closeWritten(file, ok);
}

// The common end of both writers: the temporary replaces the target, or goes.
SafeWriteResult finishSafeWrite(const std::filesystem::path& temporary, const std::filesystem::path& target,
                                std::string reason)
{
    if (reason.empty())
        reason = replaceTarget(temporary, target);
    if (!reason.empty()) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        return {SafeWriteStatus::WriteFailed, reason};
    }
    return {};
}

} // namespace

SafeWriteResult writeFileSafelyInBlocks(const std::filesystem::path& path,
                                        const std::function<std::string(const BlockSink&)>& produce)
{
    const std::filesystem::path target = saveTarget(path);
    std::filesystem::path temporary;
    std::FILE* file = openTemporary(target, temporary);
    if (file == nullptr)
        return {SafeWriteStatus::OpenFailed, {}};
    bool written = true;
    const BlockSink sink = [&](std::span<const std::uint8_t> block) {
        errno = 0;
        written = written && std::fwrite(block.data(), 1, block.size(), file) == block.size();
        return written;
    };
    std::string reason = produce(sink);
    const std::string closed = closeWritten(file, reason.empty() && written);
    return finishSafeWrite(temporary, target, reason.empty() ? closed : reason);
}

SafeWriteResult writeFileSafely(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    const std::filesystem::path target = saveTarget(path);
    std::filesystem::path temporary;
    std::FILE* file = openTemporary(target, temporary);
    if (file == nullptr)
        return {SafeWriteStatus::OpenFailed, {}};
    return finishSafeWrite(temporary, target, writeAndClose(file, bytes));
}

} // namespace velisto
