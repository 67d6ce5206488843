// velisto-cli edit on the bundled demo song.

#include "EditCommand.h"
#include "Commands.h"

#include "app/UserPrompt.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace velisto {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<Song> loaded(const fs::path& path)
{
    auto song = std::make_unique<Song>();
    SilentPrompt prompt;
    LoadOptions options;
    options.silent = true;
    EXPECT_TRUE(MidiFileReader::load(path, *song, options, prompt).ok) << path;
    return song;
}

std::vector<int> noteKeys(const Track& track)
{
    std::vector<int> keys;
    for (const MidiEvent& event : track.events())
        if (event.kind() == EventKind::Note)
            keys.push_back(event.data1);
    return keys;
}

TEST(EditCommandTest, PitchMovesTheChosenTracksOnlyAndKeysAreNoteNames)
{
    const fs::path demo = fs::path(VELISTO_RESOURCE_DIR) / "demo/demo.mid";
    const fs::path out = fs::temp_directory_path() / ("velisto-edit-" + std::to_string(::getpid()) + ".mid");
    std::ostringstream o, e;
    ASSERT_EQ(
        runCli({"edit", demo.string(), "-o", out.string(), "--tracks", "2-2", "pitch", "--semitones", "12"}, o, e),
        kExitOk)
        << e.str();
    EXPECT_NE(o.str().find("changed"), std::string::npos);
    const auto before = loaded(demo);
    const auto after = loaded(out);
    std::vector<int> raised = noteKeys(before->tracks[1]);
    ASSERT_FALSE(raised.empty());
    for (int& key : raised)
        key += 12;
    EXPECT_EQ(noteKeys(after->tracks[1]), raised);
    EXPECT_EQ(noteKeys(after->tracks[2]), noteKeys(before->tracks[2]));
    fs::remove(out);

    // The event filter: with notes excluded, the same pitch change has nothing to change.
    ASSERT_EQ(runCli({"edit", demo.string(), "-o", out.string(), "--tracks", "2-2", "--exclude", "notes", "pitch",
                      "--semitones", "12"},
                     o, e),
              kExitOk)
        << e.str();
    EXPECT_EQ(noteKeys(loaded(out)->tracks[1]), noteKeys(before->tracks[1]));
    fs::remove(out);
    EXPECT_EQ(runCli({"edit", demo.string(), "-o", out.string(), "--channels", "17", "move", "--ticks", "5"}, o, e),
              kExitUsage);

    EXPECT_EQ(parseNoteName("C5"), 60);
    EXPECT_EQ(parseNoteName("Eb4"), 51);
    EXPECT_EQ(parseNoteName("F#6"), 78);
    EXPECT_EQ(parseNoteName("H2"), -1);
    EXPECT_EQ(runCli({"edit", demo.string(), "-o", out.string(), "pitch", "--from", "X9", "--to", "C5"}, o, e),
              kExitUsage);
    EXPECT_EQ(runCli({"edit", demo.string(), "-o", out.string(), "--tracks", "0-3", "move", "--ticks", "5"}, o, e),
              kExitUsage);
    EXPECT_EQ(runCli({"edit", demo.string(), "-o", out.string(), "frobnicate"}, o, e), kExitUsage);
    EXPECT_FALSE(fs::exists(out)) << "nothing is written for wrong usage";
}

} // namespace
} // namespace velisto
