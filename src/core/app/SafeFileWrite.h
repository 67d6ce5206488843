#pragma once
// Saving a file through a temporary file beside it, renamed over the target only when
// every byte was written and synced to the disk (fileSync()), its folder synced after the
// rename, so a failed save or a crash never destroys the previous file.
// Thread contract: any thread; two saves of the same path at once are the caller's to avoid.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace velisto {

enum class SafeWriteStatus { Written, OpenFailed, WriteFailed };

struct SafeWriteResult {
    SafeWriteStatus status = SafeWriteStatus::Written;
    std::string reason; // the system's reason for WriteFailed
};

// The temporary file's name starts with "~vlx". The previous file's permissions carry
// over, and a symbolic link keeps pointing to the saved file. OpenFailed: no writable
// folder, or path is a folder; nothing was touched and trying again is safe. WriteFailed
// also when a sync failed; if the folder's sync failed, the new file has already replaced
// the old one but may not survive a crash.
SafeWriteResult writeFileSafely(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Appends one block to the file being written; false when it could not be written.
using BlockSink = std::function<bool(std::span<const std::uint8_t>)>;

// The same, for a file too long to hold in memory: produce hands the content to the sink
// block by block and returns an empty text, or the reason it stopped (a failed read, a
// cancel), which leaves the previous file untouched and is returned with WriteFailed.
SafeWriteResult writeFileSafelyInBlocks(const std::filesystem::path& path,
                                        const std::function<std::string(const BlockSink&)>& produce);

} // namespace velisto
