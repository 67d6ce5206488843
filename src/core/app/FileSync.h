#pragma once
// Making saved bytes durable: a written file's data, and a folder's entry of a renamed
// file, flushed to the disk. The standard library can only hand bytes to the system, so
// the platform layer installs the implementation that asks the system to write them out;
// until then syncing succeeds without doing anything, and a save is as durable as the
// system's caches make it.
//
// Thread contract: syncFile and syncFolder from any thread. Install once at start, before
// any save runs, and keep the installed object alive while saves may run.

#include <cstdio>
#include <filesystem>
#include <string>

namespace velisto {

class FileSync {
public:
    virtual ~FileSync() = default;
    // file is open for writing with its stream buffer flushed. Empty on success, else the
    // system's reason.
    virtual std::string syncFile(std::FILE* file) = 0;
    // Makes the folder's entries (a rename into it) durable. Empty on success, else the
    // system's reason.
    virtual std::string syncFolder(const std::filesystem::path& folder) = 0;
};

// The process's FileSync: the installed one, else one that does nothing.
FileSync& fileSync();
// Makes sync the process's FileSync (null: the one that does nothing again) and returns
// the one installed before.
FileSync* installFileSync(FileSync* sync);

} // namespace velisto
