#include "edit/TrackEventInsertion.h"

#include "app/CommandIds.h"
#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiModeDefinition.h"
#include "playback/OutputMonitor.h"
#include "song/Song.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace velisto {
namespace {

using Texts = std::vector<std::string>;

class TrackEventInsertionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        undo_ = std::make_unique<UndoStack>(folder_, 7);
        song_->ppq = 96;
        // GS, so that banks are selected.
        DeviceParameters parameters = DeviceParameters::of(devices_.device(kPort));
        parameters.powerOnMode = MidiMode::GS;
        parameters.gsSupported = true;
        ASSERT_EQ(devices_.applyParameters(kPort, parameters), "");
        ASSERT_EQ(devices_.open(kPort), "");
        song_->clear(kPort);
        track().channel = 3;
        track().append(MidiEvent::note(0, 3, 60, 100, 10));
        track().append(MidiEvent::note(768, 3, 62, 100, 10));
        record_->clear();
    }

    Track& track() { return song_->tracks[5]; }
    TrackEventTarget target() { return {*song_, *undo_, devices_, output_, prompt_, notifier_}; }
    int modifiedPosts()
    {
        int count = 0;
        for (const auto& post : notifier_.take())
            count += post.message == kSongModifiedMessage ? 1 : 0;
        return count;
    }

    static constexpr int kPort = DeviceTable::kFirstPortIndex;
    test::TestFolder folder_{"velisto-insertion-test"};
    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    std::unique_ptr<UndoStack> undo_;
    LoopbackMidiPortSystem ports_{{"Synth"}};
    MemoryProfileStore store_;
    DeviceTable devices_{ports_, store_};
    std::shared_ptr<LoopbackPortRecord> record_ = ports_.record(0);
    OutputMonitor monitor_;
    EventOutput output_{monitor_, [](std::chrono::milliseconds) {}};
    SilentPrompt prompt_;
    QueueUiNotifier notifier_;
};

TEST_F(TrackEventInsertionTest, ProgramSelectionGoesToTheCursorMeasureIsSentAndIndexed)
{
    ASSERT_EQ(insertProgramSelection(target(), 5, 2, 8, 1, 24), InsertOutcome::Inserted);
    ASSERT_EQ(track().eventCount(), 5);
    // Behind the note already at the measure's first tick, in selecting order.
    const MidiEvent& msb = track().event(2);
    EXPECT_EQ(msb.tick, 768);
    EXPECT_EQ(msb.status, 0xB3);
    EXPECT_EQ(msb.data1, slotForSong(ParamKind::Controller, 0));
    EXPECT_EQ(msb.data2, 8);
    EXPECT_EQ(track().event(3).data1, slotForSong(ParamKind::Controller, 32));
    EXPECT_EQ(track().event(4).status, 0xC3);
    EXPECT_EQ(track().event(4).data1, 24);
    EXPECT_EQ(record_->texts(), (Texts{"B3 00 08", "B3 20 01", "C3 18"}));

    const ProgramAtEvent after = devices_.device(kPort).programIndex.programAt(*song_, 5, 4);
    EXPECT_EQ(after.program, 24);
    EXPECT_EQ(after.bankMsb, 8);
    EXPECT_EQ(modifiedPosts(), 1);

    ASSERT_EQ(undo_->descriptions().back(), kInsertProgramUndoName);
    undo_->undo(*song_, prompt_);
    EXPECT_EQ(track().eventCount(), 2);
}

TEST_F(TrackEventInsertionTest, MainVolumeAndDeviceName)
{
    ASSERT_EQ(insertMainVolume(target(), 5, 1, 300), InsertOutcome::Inserted);
    ASSERT_EQ(track().eventCount(), 3);
    EXPECT_EQ(track().event(1).tick, 384);
    EXPECT_EQ(track().event(1).data2, 127);
    EXPECT_EQ(record_->texts(), Texts{"B3 07 7F"});
    EXPECT_EQ(undo_->descriptions().back(), kInsertVolumeUndoName);

    record_->clear();
    ASSERT_EQ(insertDeviceNameEvent(target(), 5), InsertOutcome::Inserted);
    ASSERT_EQ(track().eventCount(), 4);
    EXPECT_EQ(track().event(0).status, EventKind::DeviceName);
    EXPECT_EQ(*track().event(0).text, "Synth");
    EXPECT_EQ(record_->texts(), Texts{});
    EXPECT_EQ(undo_->descriptions().back(), kInsertDeviceNameUndoName);
    EXPECT_EQ(modifiedPosts(), 2);
}

TEST_F(TrackEventInsertionTest, NothingHappensWhileARunExists)
{
    devices_.setRunActive(true);
    EXPECT_EQ(insertProgramSelection(target(), 5, 0, 0, 0, 1), InsertOutcome::RunExists);
    EXPECT_EQ(insertMainVolume(target(), 5, 0, 100), InsertOutcome::RunExists);
    EXPECT_EQ(insertDeviceNameEvent(target(), 5), InsertOutcome::RunExists);
    devices_.setRunActive(false);
    EXPECT_EQ(insertMainVolume(target(), 256, 0, 100), InsertOutcome::NoTrack);
    EXPECT_EQ(track().eventCount(), 2);
    EXPECT_EQ(record_->texts(), Texts{});
    EXPECT_TRUE(undo_->empty());
    EXPECT_EQ(modifiedPosts(), 0);
}

} // namespace
} // namespace velisto
