#include "edit/UndoStack.h"

#include "app/UserPrompt.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;

class CountingPrompt : public SilentPrompt {
public:
    int retryQuestions = 0;
    PromptAnswer askRetryCancel(const std::string&, const std::string&, PromptIcon) override
    {
        ++retryQuestions;
        return PromptAnswer::Cancel;
    }
};

std::vector<std::uint8_t> fingerprint(const Song& song) { return MidiFileWriter::encode(song, true).bytes; }

class UndoStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 8; ++i)
            song_.tracks[1].append(MidiEvent::note(i * 120, 0, 60 + i, 100, 60));
    }

    void deleteFirstEvent() { song_.tracks[1].erase(0); }

    test::TestFolder folder_{"velisto-undo-test"};
    Song song_;
    SilentPrompt prompt_;
};

TEST_F(UndoStackTest, RunsOfDeletionsOrInsertionsShareOneStep)
{
    UndoStack stack(folder_, 7);
    const auto original = fingerprint(song_);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(stack.record(song_, "Delete", prompt_));
        deleteFirstEvent();
    }
    EXPECT_EQ(stack.size(), 1);
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::Undone);
    EXPECT_EQ(fingerprint(song_), original);
    EXPECT_TRUE(stack.empty());
    EXPECT_EQ(stack.newestSequence(), -1);

    // A different description breaks the run.
    stack.record(song_, "Delete", prompt_);
    deleteFirstEvent();
    const auto afterDeletion = fingerprint(song_);
    stack.record(song_, "Insert", prompt_);
    song_.tracks[2].append(MidiEvent::note(0, 1, 40, 90, 30));
    stack.record(song_, "Insert", prompt_);
    song_.tracks[2].append(MidiEvent::note(10, 1, 41, 90, 30));
    EXPECT_EQ(stack.descriptions(), (std::deque<std::string>{"Delete", "Insert"}));
    stack.undo(song_, prompt_);
    EXPECT_EQ(fingerprint(song_), afterDeletion);

    // Master-list edits coalesce by the list they touch.
    stack.clear();
    stack.record(song_, "Insert tempo changes", prompt_);
    stack.record(song_, "Delete tempo changes", prompt_);
    stack.record(song_, "Insert meter changes", prompt_);
    EXPECT_EQ(stack.size(), 2);
}

TEST_F(UndoStackTest, ForgetDropsOnlyTheNamedNewestStep)
{
    UndoStack stack(folder_, 7);
    const auto original = fingerprint(song_);
    stack.record(song_, "Move", prompt_);
    stack.record(song_, "Delete", prompt_);
    deleteFirstEvent();
    const std::int64_t deletion = stack.newestSequence();
    stack.forget(deletion - 1); // not the newest: stays
    EXPECT_EQ(stack.size(), 2);

    stack.forget(deletion);
    EXPECT_EQ(stack.descriptions(), std::deque<std::string>{"Move"});
    EXPECT_FALSE(fs::exists(stack.fileFor(deletion)));
    // The next step takes the forgotten number again, and the older one still undoes.
    stack.record(song_, "Quantize", prompt_);
    EXPECT_EQ(stack.newestSequence(), deletion);
    stack.forget(deletion);
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::Undone);
    EXPECT_EQ(fingerprint(song_), original);
    EXPECT_EQ(stack.newestSequence(), -1);
}

TEST_F(UndoStackTest, KeepsTheNewestHundredStepsAndDeletesTheOldestFile)
{
    UndoStack stack(folder_, 7);
    int changes = 0;
    stack.setChangedHandler([&] { ++changes; });
    for (int i = 0; i < 101; ++i)
        ASSERT_TRUE(stack.record(song_, "Move", prompt_));
    EXPECT_EQ(stack.size(), kMaxUndoSteps);
    EXPECT_FALSE(fs::exists(stack.fileFor(0)));
    EXPECT_TRUE(fs::exists(stack.fileFor(1)));
    EXPECT_TRUE(fs::exists(stack.fileFor(100)));

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(stack.undo(song_, prompt_), UndoOutcome::Undone) << i;
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::Nothing);
    EXPECT_TRUE(fs::is_empty(folder_));
    EXPECT_EQ(changes, 201);
}

TEST_F(UndoStackTest, TestStepsAreUndoneSilently)
{
    UndoStack stack(folder_, 7);
    stack.record(song_, "Quantize", prompt_);
    stack.record(song_, "Test", prompt_);
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::UndoneSilently);
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::Undone);
}

TEST_F(UndoStackTest, ClearDeletesTheFilesAndQuietClearDoesNotNotify)
{
    UndoStack stack(folder_, 7);
    int changes = 0;
    stack.record(song_, "Move", prompt_);
    stack.record(song_, "pitch", prompt_);
    stack.setChangedHandler([&] { ++changes; });
    stack.clear(true);
    EXPECT_TRUE(stack.empty());
    EXPECT_TRUE(fs::is_empty(folder_));
    EXPECT_EQ(changes, 0);
    stack.record(song_, "Move", prompt_);
    EXPECT_EQ(stack.newestSequence(), 0);
    stack.clear();
    EXPECT_EQ(changes, 2);
}

TEST_F(UndoStackTest, AFailedLoadLeavesTheStackUnchanged)
{
    UndoStack stack(folder_, 7);
    stack.record(song_, "Move", prompt_);
    fs::remove(stack.fileFor(0));
    EXPECT_EQ(stack.undo(song_, prompt_), UndoOutcome::Failed);
    EXPECT_EQ(stack.size(), 1);
}

TEST_F(UndoStackTest, StacksOfTwoProcessesDoNotShareFiles)
{
    UndoStack first(folder_, 100);
    UndoStack second(folder_, 200);
    Song other;
    other.tracks[5].append(MidiEvent::note(0, 3, 50, 80, 120));
    const auto mine = fingerprint(song_);
    const auto theirs = fingerprint(other);
    first.record(song_, "Move", prompt_);
    second.record(other, "Move", prompt_);
    EXPECT_EQ(first.fileFor(0).filename().string(), "~vlxundo100_0");

    Song restored;
    first.undo(restored, prompt_);
    EXPECT_EQ(fingerprint(restored), mine);
    second.undo(restored, prompt_);
    EXPECT_EQ(fingerprint(restored), theirs);
}

TEST_F(UndoStackTest, AStepThatCannotBeWrittenIsNotPushed)
{
    // A file where the folder should be: nothing can be created inside it.
    const fs::path notAFolder = folder_.path() / "plain";
    std::ofstream(notAFolder) << "x";
    UndoStack stack(notAFolder, 7);
    CountingPrompt prompt;
    EXPECT_FALSE(stack.record(song_, "Delete", prompt));
    EXPECT_TRUE(stack.empty());
    EXPECT_EQ(stack.newestSequence(), -1);
    EXPECT_EQ(prompt.retryQuestions, 1);
    // Nothing to coalesce with: the next deletion tries again.
    EXPECT_FALSE(stack.record(song_, "Delete", prompt));
    EXPECT_EQ(prompt.retryQuestions, 2);
}

TEST_F(UndoStackTest, UndoGivesBackARealSongByteForByte)
{
    const fs::path file = fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public/debian-planetblupi/music000.mid";
    Song song;
    LoadOptions options;
    options.silent = true;
    ASSERT_TRUE(MidiFileReader::load(file, song, options, prompt_).ok);
    song.tracks[2].muted = 1;
    const auto before = fingerprint(song);

    UndoStack stack(folder_, 7);
    stack.record(song, "Delete Track", prompt_);
    song.tracks[1].clearEvents();
    song.tracks[2].muted = 0;
    ASSERT_NE(fingerprint(song), before);
    ASSERT_EQ(stack.undo(song, prompt_), UndoOutcome::Undone);
    EXPECT_EQ(fingerprint(song), before);
}

} // namespace
} // namespace velisto
