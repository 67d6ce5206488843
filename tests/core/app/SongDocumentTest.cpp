#include "app/SongDocument.h"

#include "app/MemoryProfileStore.h"
#include "core/app/AppTestSupport.h"
#include "core/app/ScriptedFileChooser.h"
#include "core/midi/DeviceTestSupport.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "song/MidiFileWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using test::ScriptedFileChooser;
using test::ScriptedPrompt;

class SongDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = test::freshTestFolder("velisto-document-test-");
        fs::create_directories(folder_ / "undo");
        fs::create_directories(folder_ / "midi");
        undo_ = std::make_unique<UndoStack>(folder_ / "undo");
        settings_.midi.Directory = (folder_ / "midi").string();
        devices_.restoreOpenDevices(*song_, prompt_);
        document_ = std::make_unique<SongDocument>(*song_, frame_, *undo_, devices_, settings_, prompt_, files_);
        document_->setClearHandler([this] { ++clears_; });
    }
    void TearDown() override
    {
        document_.reset();
        undo_.reset();
        fs::remove_all(folder_);
    }

    // A song with one note on track 1, written to the midi folder.
    fs::path writeSong(const std::string& name)
    {
        auto song = std::make_unique<Song>();
        song->tracks[1].append(MidiEvent::note(0, 0, 60, 100, 60));
        const fs::path path = folder_ / "midi" / name;
        EXPECT_TRUE(MidiFileWriter::write(path, *song, false, prompt_).ok);
        return path;
    }
    void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // The user changed the song.
    void edit()
    {
        song_->tracks[3].append(MidiEvent::note(240, 0, 64, 90, 60));
        markModified(frame_);
    }
    bool edited() const { return !song_->tracks[3].empty(); }

    fs::path folder_;
    LoopbackMidiPortSystem ports_{{"Synth"}};
    MemoryProfileStore store_;
    DeviceTable devices_{ports_, store_};
    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    FrameState frame_;
    std::unique_ptr<UndoStack> undo_;
    Settings settings_ = Settings::defaults("/opt/velisto", 1920, 1080);
    ScriptedPrompt prompt_;
    ScriptedFileChooser files_;
    std::unique_ptr<SongDocument> document_;
    int clears_ = 0;
};

TEST_F(SongDocumentTest, AnUnchangedSongIsClearedWithoutAQuestion)
{
    song_->tracks[3].append(MidiEvent::note(0, 0, 60, 100, 60));
    song_->tracks[3].device = DeviceTable::kPlaceholderIndex;
    frame_.selection = Selection{0, 1, 0, 1};
    EXPECT_TRUE(document_->saveQuestion());
    EXPECT_TRUE(prompt_.questions.empty());
    EXPECT_FALSE(edited());
    EXPECT_EQ(song_->tracks[3].device, devices_.defaultDevice());
    EXPECT_FALSE(frame_.selection);
    EXPECT_EQ(clears_, 1);
}

TEST_F(SongDocumentTest, CancelKeepsTheSongAndNoDiscardsIt)
{
    frame_.fileName = "song.mid";
    edit();
    prompt_.answers = {PromptAnswer::Cancel, PromptAnswer::No};
    EXPECT_FALSE(document_->saveQuestion());
    ASSERT_EQ(prompt_.questions.size(), 1U);
    EXPECT_EQ(prompt_.questions[0].text, "Save changes to song.mid ?");
    EXPECT_EQ(prompt_.questions[0].title, "Velisto");
    EXPECT_EQ(prompt_.questions[0].icon, PromptIcon::Question);
    EXPECT_TRUE(edited());
    EXPECT_EQ(clears_, 0);

    EXPECT_TRUE(document_->saveQuestion());
    EXPECT_FALSE(edited());
    EXPECT_TRUE(files_.asked.empty());
}

TEST_F(SongDocumentTest, YesSavesToTheFileAndThenClears)
{
    const fs::path path = folder_ / "midi" / "song.mid";
    frame_.fileName = "song.mid";
    frame_.filePath = path.string();
    edit();
    prompt_.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(document_->saveQuestion());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(frame_.modified);
    EXPECT_FALSE(edited());
}

TEST_F(SongDocumentTest, YesWithoutAFileAsksForOneAndACancelledDialogKeepsTheSong)
{
    edit();
    prompt_.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(document_->saveQuestion());
    EXPECT_EQ(prompt_.questions[0].text, "Save changes ?");
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_EQ(files_.asked[0].kind, ScriptedFileChooser::Kind::Save);
    EXPECT_TRUE(edited());
    EXPECT_TRUE(frame_.modified);
}

// The question looks at this Save's result: a save that succeeded earlier does not make a
// failing one count as done, and the unsaved song stays.
TEST_F(SongDocumentTest, AFailedSaveKeepsTheSongEvenAfterAnEarlierSuccess)
{
    const fs::path good = folder_ / "midi" / "first.mid";
    files_.answers = {good};
    edit();
    ASSERT_TRUE(document_->saveAs());
    EXPECT_FALSE(frame_.modified);

    edit();
    frame_.modified = true;
    frame_.filePath = (folder_ / "gone" / "first.mid").string(); // its folder no longer exists
    prompt_.answers = {PromptAnswer::Yes};                       // the Retry/Cancel after it: Cancel
    EXPECT_FALSE(document_->saveQuestion());
    EXPECT_TRUE(edited());
    EXPECT_TRUE(frame_.modified);

    // The same through Save As into a folder that cannot be written.
    frame_.fileName.clear();
    files_.answers = {folder_ / "gone" / "other.mid"};
    prompt_.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(document_->saveQuestion());
    EXPECT_TRUE(edited());
    EXPECT_EQ(frame_.fileName, "");
}

TEST_F(SongDocumentTest, NewForgetsFileUndoAndModification)
{
    const fs::path path = writeSong("song.mid");
    ASSERT_TRUE(document_->load(path).loaded);
    song_->ppq = 480;
    ASSERT_TRUE(undo_->record(*song_, "Quantize", prompt_));
    edit();
    prompt_.answers = {PromptAnswer::No};

    EXPECT_TRUE(document_->newSong());
    EXPECT_EQ(frame_.fileName, "");
    EXPECT_EQ(frame_.filePath, "");
    EXPECT_FALSE(frame_.modified);
    EXPECT_TRUE(undo_->empty());
    EXPECT_EQ(song_->ppq, 120);
    EXPECT_EQ(settings_.midi2wav.Waveoutfilename, "newsong.wav");
    EXPECT_EQ(windowTitle(frame_), "Velisto");
}

TEST_F(SongDocumentTest, OpenAsksFirstThenLoadsTheChosenFile)
{
    const fs::path path = writeSong("Song.MID");
    edit();
    ASSERT_TRUE(undo_->record(*song_, "Move", prompt_));
    prompt_.answers = {PromptAnswer::No};
    files_.answers = {path};

    const OpenOutcome outcome = document_->open();
    EXPECT_TRUE(outcome.loaded);
    EXPECT_FALSE(outcome.formatZero);
    EXPECT_EQ(prompt_.questions.size(), 1U);
    ASSERT_EQ(files_.asked.size(), 1U);
    const FileDialogRequest& request = files_.asked[0].request;
    EXPECT_EQ(request.folder, folder_ / "midi");
    ASSERT_EQ(request.filters.size(), 1U);
    EXPECT_EQ(request.filters[0].patterns, (std::vector<std::string>{"*.mid", "*.kar", "*.MID", "*.KAR"}));

    EXPECT_EQ(frame_.fileName, "Song.MID");
    EXPECT_EQ(frame_.filePath, path.string());
    EXPECT_FALSE(frame_.modified);
    EXPECT_TRUE(undo_->empty());
    EXPECT_FALSE(edited());
    EXPECT_EQ(song_->tracks[1].eventCount(), 1);
    EXPECT_EQ(settings_.midi2wav.Waveoutfilename, "Song.wav");
    EXPECT_EQ(windowTitle(frame_), "Velisto [Song.MID]");
}

TEST_F(SongDocumentTest, OpenCancelledOrRefusedChangesNothing)
{
    frame_.fileName = "before.mid";
    frame_.filePath = "/x/before.mid";
    edit();
    prompt_.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(document_->open().loaded);
    EXPECT_TRUE(files_.asked.empty());

    const fs::path text = folder_ / "midi" / "notes.mid";
    writeBytes(text, {'h', 'e', 'l', 'l', 'o'});
    prompt_.answers = {PromptAnswer::No};
    files_.answers = {text};
    EXPECT_FALSE(document_->open().loaded);
    EXPECT_EQ(frame_.fileName, "before.mid");
    EXPECT_EQ(frame_.filePath, "/x/before.mid");
    EXPECT_TRUE(frame_.modified);
    EXPECT_TRUE(edited());
}

TEST_F(SongDocumentTest, AFormatZeroFileAsksForSplitChannels)
{
    const fs::path path = folder_ / "midi" / "zero.mid";
    writeBytes(path, {'M', 'T',  'h',  'd', 0, 0, 0, 6,  0, 0,    0,  1,   0,  120,         // format 0, one track
                      'M', 'T',  'r',  'k', 0, 0, 0, 12, 0, 0x90, 60, 100, 60, 0x80, 60, 0, // a note
                      0,   0xFF, 0x2F, 0});
    const OpenOutcome outcome = document_->load(path);
    EXPECT_TRUE(outcome.loaded);
    EXPECT_TRUE(outcome.formatZero);
}

TEST_F(SongDocumentTest, SaveAsDerivesTheWaveNameFromAThreeLetterExtensionOnly)
{
    files_.answers = {folder_ / "midi" / "song.mid", folder_ / "midi" / "song"};
    frame_.fileName = "old.mid";
    ASSERT_TRUE(document_->saveAs());
    EXPECT_EQ(settings_.midi2wav.Waveoutfilename, "song.wav");
    EXPECT_EQ(song_->waveFileName, "song.wav");
    EXPECT_EQ(frame_.fileName, "song.mid");
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_EQ(files_.asked[0].request.defaultName, "old.mid");
    EXPECT_EQ(files_.asked[0].request.defaultExtension, ".mid");

    ASSERT_TRUE(document_->saveAs());
    EXPECT_EQ(settings_.midi2wav.Waveoutfilename, "song.wav");
    EXPECT_EQ(frame_.fileName, "song");
    EXPECT_TRUE(fs::exists(folder_ / "midi" / "song"));

    EXPECT_EQ(waveFileNameFor("a.kar"), "a.wav");
    EXPECT_EQ(waveFileNameFor("a.midi"), std::nullopt);
    EXPECT_EQ(waveFileNameFor(".mid"), ".wav");
}

TEST_F(SongDocumentTest, TheStartupFileIsOpenedOnceWithMidAppended)
{
    const fs::path path = writeSong("demo.mid");
    frame_.startupFile = (folder_ / "midi" / "demo").string();
    frame_.modified = true;
    EXPECT_TRUE(document_->openStartupFile().loaded);
    EXPECT_EQ(frame_.fileName, "demo.mid");
    EXPECT_EQ(frame_.filePath, path.string());
    EXPECT_FALSE(frame_.modified);
    EXPECT_EQ(frame_.startupFile, "");
    EXPECT_FALSE(document_->openStartupFile().loaded);

    frame_.startupFile = (folder_ / "midi" / "missing").string();
    EXPECT_FALSE(document_->openStartupFile().loaded);
    EXPECT_EQ(frame_.startupFile, "");
    EXPECT_EQ(frame_.fileName, "demo.mid");
}

TEST_F(SongDocumentTest, UndoMarksTheSongModifiedUnlessItTakesBackATest)
{
    ASSERT_TRUE(undo_->record(*song_, "Quantize", prompt_));
    ASSERT_TRUE(undo_->record(*song_, std::string(kTestUndoDescription), prompt_));

    frame_.listCellEditing = true;
    EXPECT_EQ(document_->undo(), UndoOutcome::Nothing);
    EXPECT_EQ(undo_->size(), 2);
    // The end of a test run posts its Undo; it takes the test back even then.
    EXPECT_EQ(document_->undo(true), UndoOutcome::UndoneSilently);
    EXPECT_FALSE(frame_.modified);

    frame_.listCellEditing = false;
    EXPECT_EQ(document_->undo(), UndoOutcome::Undone);
    EXPECT_TRUE(frame_.modified);
    EXPECT_EQ(document_->undo(), UndoOutcome::Nothing);
}

TEST_F(SongDocumentTest, NothingHappensWhileARunExists)
{
    devices_.setRunActive(true);
    edit();
    EXPECT_FALSE(document_->newSong());
    EXPECT_FALSE(document_->open().loaded);
    EXPECT_FALSE(document_->saveAs());
    EXPECT_TRUE(prompt_.questions.empty());
    EXPECT_TRUE(files_.asked.empty());
    EXPECT_TRUE(edited());
    devices_.setRunActive(false);
}

} // namespace
} // namespace velisto
