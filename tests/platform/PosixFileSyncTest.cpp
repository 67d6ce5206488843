#include "files/PosixFileSync.h"

#include "app/SafeFileWrite.h"
#include "core/sampler/IgrTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace velisto {
namespace {

TEST(PosixFileSyncTest, SavesThroughItAndReportsWhatCannotBeSynced)
{
    PosixFileSync sync;
    FileSync* previous = installFileSync(&sync);
    const test::ScratchFolder folder("posix-sync");
    const std::string text = "MThd and more";
    const SafeWriteResult result =
        writeFileSafely(folder.file("song.mid"), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    installFileSync(previous);
    EXPECT_EQ(result.status, SafeWriteStatus::Written) << result.reason;
    std::ifstream in(folder.file("song.mid"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), text);

    EXPECT_EQ(sync.syncFolder(folder.dir()), "");
    EXPECT_EQ(sync.syncFolder(folder.file("missing")), "No such file or directory");
    std::FILE* file = std::fopen(folder.file("song.mid").c_str(), "ab");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(sync.syncFile(file), "");
    std::fclose(file);
}

} // namespace
} // namespace velisto
