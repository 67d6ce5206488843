#pragma once
// Durable saves on POSIX systems: fsync of the written file and of its folder.
// Thread contract: any thread.

#include "app/FileSync.h"

namespace velisto {

class PosixFileSync final : public FileSync {
public:
    std::string syncFile(std::FILE* file) override;
    std::string syncFolder(const std::filesystem::path& folder) override;
};

} // namespace velisto
