#include "app/SafeFileWrite.h"

#include "app/FileSync.h"
#include "core/sampler/IgrTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Records each sync with what the target held at that moment; fails on request.
class RecordingSync final : public FileSync {
public:
    explicit RecordingSync(fs::path target) : target_(std::move(target)) { previous_ = installFileSync(this); }
    ~RecordingSync() override { installFileSync(previous_); }
    RecordingSync(const RecordingSync&) = delete;
    RecordingSync& operator=(const RecordingSync&) = delete;

    std::string syncFile(std::FILE* file) override
    {
        // The stream is flushed before the sync: the bytes are in the file already.
        const long at = std::ftell(file);
        calls.push_back("file " + std::to_string(at) + " target " + contentOf(target_));
        return fileFailure;
    }
    std::string syncFolder(const fs::path& folder) override
    {
        calls.push_back("folder " + folder.string() + " target " + contentOf(target_));
        return folderFailure;
    }

    std::vector<std::string> calls;
    std::string fileFailure;
    std::string folderFailure;

private:
    fs::path target_;
    FileSync* previous_ = nullptr;
};

std::vector<fs::path> folderEntries(const fs::path& folder)
{
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder))
        entries.push_back(entry.path().filename());
    return entries;
}

TEST(SafeFileWriteTest, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt)
{
    const test::ScratchFolder folder("safewrite");
    const fs::path target = folder.file("song.mid");
    folder.write("song.mid", "old");
    RecordingSync sync(target);

    const SafeWriteResult result = writeFileSafely(target, bytesOf("new bytes"));
    EXPECT_EQ(result.status, SafeWriteStatus::Written) << result.reason;
    EXPECT_EQ(contentOf(target), "new bytes");
    const std::vector<std::string> expected = {"file 9 target old",
                                               "folder " + target.parent_path().string() + " target new bytes"};
    EXPECT_EQ(sync.calls, expected);
    EXPECT_EQ(folderEntries(target.parent_path()), std::vector<fs::path>{"song.mid"});

    // Files written block by block (wave exports) are just as durable.
    sync.calls.clear();
    const SafeWriteResult blocks = writeFileSafelyInBlocks(target, [](const BlockSink& sink) {
        const bool ok = sink(bytesOf("block ")) && sink(bytesOf("wise"));
        return ok ? std::string() : std::string("sink refused");
    });
    EXPECT_EQ(blocks.status, SafeWriteStatus::Written) << blocks.reason;
    EXPECT_EQ(contentOf(target), "block wise");
    const std::vector<std::string> blockExpected = {"file 10 target new bytes",
                                                    "folder " + target.parent_path().string() + " target block wise"};
    EXPECT_EQ(sync.calls, blockExpected);

    // With the process's own sync (none installed by a test) a save still works.
    {
        const test::ScratchFolder other("safewrite-plain");
        EXPECT_EQ(writeFileSafely(other.file("a.igr"), bytesOf("x")).status, SafeWriteStatus::Written);
        EXPECT_EQ(contentOf(other.file("a.igr")), "x");
    }
}

TEST(SafeFileWriteTest, AFailedSyncIsAFailedSave)
{
    const test::ScratchFolder folder("safewrite-fail");
    const fs::path target = folder.file("song.mid");
    folder.write("song.mid", "old");
    RecordingSync sync(target);

    // The file's data did not reach the disk: the old file stays, no temporary is left.
    sync.fileFailure = "Input/output error";
    SafeWriteResult result = writeFileSafely(target, bytesOf("new"));
    EXPECT_EQ(result.status, SafeWriteStatus::WriteFailed);
    EXPECT_EQ(result.reason, "Input/output error");
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(folderEntries(fs::path(folder.dir())), std::vector<fs::path>{"song.mid"});
    EXPECT_EQ(sync.calls.size(), 1U) << "no rename after a failed sync";

    // The rename may not survive a crash: told as well.
    sync.fileFailure.clear();
    sync.folderFailure = "No space left on device";
    result = writeFileSafely(target, bytesOf("newer"));
    EXPECT_EQ(result.status, SafeWriteStatus::WriteFailed);
    EXPECT_EQ(result.reason, "No space left on device");
    EXPECT_EQ(folderEntries(fs::path(folder.dir())), std::vector<fs::path>{"song.mid"});
}

} // namespace
} // namespace velisto
