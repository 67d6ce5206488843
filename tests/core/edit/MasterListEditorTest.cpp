#include "edit/MasterListEditor.h"

#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "song/Positions.h"
#include "song/Song.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace velisto {
namespace {

class RecordingPrompt : public SilentPrompt {
public:
    std::string text;
    std::string title;
    void message(const std::string& t, const std::string& caption, PromptIcon) override
    {
        text = t;
        title = caption;
    }
};

class MasterListEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        undo_ = std::make_unique<UndoStack>(folder_, 7);
        song_.ppq = 480;
    }

    MasterListEditor open(MasterListKind kind, std::int32_t clickedTick = 0)
    {
        return MasterListEditor(kind, song_, *undo_, prompt_, clickedTick, [this] { ++modified_; });
    }
    std::int32_t bar(int measure) const { return measureStart(song_, measure); }

    test::TestFolder folder_{"velisto-masterlist-test"};
    Song song_;
    std::unique_ptr<UndoStack> undo_;
    RecordingPrompt prompt_;
    int modified_ = 0;
};

TEST_F(MasterListEditorTest, OpensAtTheFirstEntryAtOrAfterTheClickAndShowsNineRows)
{
    for (int m = 1; m <= 12; ++m)
        song_.setTempo(bar(m), 100.0 + m);
    auto editor = open(MasterListKind::Tempo, bar(5) - 1);
    EXPECT_EQ(editor.entries(), 13);
    EXPECT_EQ(editor.firstRow(), 5);
    EXPECT_EQ(editor.entryOfRow(0), 5);
    EXPECT_EQ(editor.entryOfRow(7), 12);
    EXPECT_EQ(editor.entryOfRow(8), -1); // below the last entry
    EXPECT_EQ(editor.positionText(5), "0006:01:000");
    EXPECT_EQ(editor.tempoText(5), "105");

    // A click behind every entry opens at entry 0; the scroll range ends at the last entry.
    EXPECT_EQ(open(MasterListKind::Tempo, bar(40)).firstRow(), 0);
    editor.scrollTo(99);
    EXPECT_EQ(editor.firstRow(), 12);
}

TEST_F(MasterListEditorTest, EntryZeroKeepsTheSongsStart)
{
    song_.setMeterAtMeasure(3, 3, 4);
    auto editor = open(MasterListKind::Meter);
    EXPECT_FALSE(editor.positionEditable(0));
    EXPECT_FALSE(editor.editPosition(0, "5"));
    EXPECT_FALSE(editor.remove(0));
    EXPECT_EQ(song_.meterList[0].measure, 0);
    EXPECT_EQ(song_.meterCount(), 2);
    EXPECT_EQ(modified_, 0);
    EXPECT_TRUE(undo_->empty());
}

TEST_F(MasterListEditorTest, MovingOntoAnotherEntryLeavesOneEntryWithTheMovedValue)
{
    song_.setTempo(bar(2), 90.0);
    song_.setTempo(bar(4), 140.0);
    auto editor = open(MasterListKind::Tempo);
    ASSERT_EQ(editor.entries(), 3);
    EXPECT_TRUE(editor.editPosition(2, "3:1:0"));
    EXPECT_EQ(editor.entries(), 2);
    EXPECT_EQ(song_.tempoList[1].tick, bar(2));
    EXPECT_EQ(song_.tempoList[1].bpm, 140.0);
    EXPECT_EQ(editor.entryOfRow(2), -1);

    // Moving behind: the entry lands in order; the same position changes nothing.
    EXPECT_TRUE(editor.editPosition(1, " 0010 : 02 : 240"));
    EXPECT_EQ(song_.tempoList[1].tick, bar(9) + 480 + 240);
    EXPECT_FALSE(editor.editPosition(1, "10:2:240"));
    EXPECT_EQ(modified_, 2);
    EXPECT_EQ(undo_->size(), 1); // one step for the whole dialog
}

TEST_F(MasterListEditorTest, AnInvalidPositionShowsItsTextAndChangesNothing)
{
    song_.setKey(bar(2), 3, 0);
    auto editor = open(MasterListKind::Key);
    EXPECT_FALSE(editor.editPosition(1, "3:9:0")); // 4/4 has no beat 9
    EXPECT_EQ(prompt_.title, "Key editor");
    EXPECT_EQ(prompt_.text, positionToTick(song_, 2, 8, 0).message);
    EXPECT_FALSE(prompt_.text.empty());
    prompt_.text.clear();
    EXPECT_FALSE(editor.editPosition(1, "x:1:0"));
    EXPECT_FALSE(prompt_.text.empty());
    EXPECT_EQ(song_.keyList[1].tick, bar(2));

    // The meter field takes a measure number; a bad one gets the position check's text.
    song_.setMeterAtMeasure(4, 6, 8);
    auto meter = open(MasterListKind::Meter);
    EXPECT_EQ(meter.positionText(1), "5");
    EXPECT_FALSE(meter.editPosition(1, "0"));
    EXPECT_EQ(prompt_.title, "Meter editor");
    EXPECT_EQ(prompt_.text, positionToTick(song_, -1, 0, 0).message);
    EXPECT_TRUE(meter.editPosition(1, "7"));
    EXPECT_EQ(song_.meterList[1].measure, 6);
    EXPECT_EQ(song_.meterList[1].numerator, 6);
    EXPECT_EQ(modified_, 1);
}

TEST_F(MasterListEditorTest, InsGoesToTheNextMeasureWithoutAnEntry)
{
    song_.setTempo(bar(1), 100.0);
    song_.setTempo(bar(2) + 100, 110.0); // inside measure 3: that measure counts as taken
    song_.setTempo(bar(4), 130.0);
    auto editor = open(MasterListKind::Tempo);
    EXPECT_TRUE(editor.insertAfter(1));
    EXPECT_EQ(editor.entries(), 5);
    EXPECT_EQ(song_.tempoList[3].tick, bar(3));
    EXPECT_EQ(song_.tempoList[3].bpm, 100.0);
    // On the last entry it appends one measure later with the same value.
    EXPECT_TRUE(editor.insertAfter(4));
    EXPECT_EQ(song_.tempoList[5].tick, bar(5));
    EXPECT_EQ(song_.tempoList[5].bpm, 130.0);
    EXPECT_EQ(modified_, 2);

    song_.setKey(bar(1), -2, 0);
    auto key = open(MasterListKind::Key);
    EXPECT_TRUE(key.insertAfter(1));
    EXPECT_EQ(song_.keyList[2].tick, bar(2));
    EXPECT_EQ(key.keyComboIndex(2), 5);
    EXPECT_FALSE(key.keyMajor(2));
    EXPECT_TRUE(key.editKey(2, 14, true));
    EXPECT_EQ(song_.keyList[2].sharpsFlats, 7);
    EXPECT_TRUE(key.keyMajor(2));
    EXPECT_FALSE(key.keyMajor(3)) << "no such entry";
}

TEST_F(MasterListEditorTest, UndoTakesBackDelAndIns)
{
    song_.setMeterAtMeasure(2, 3, 4);
    song_.setMeterAtMeasure(5, 7, 8);
    {
        auto editor = open(MasterListKind::Meter);
        EXPECT_TRUE(editor.remove(1));
        EXPECT_EQ(song_.meterCount(), 2);
        EXPECT_EQ(modified_, 1);
        ASSERT_EQ(undo_->size(), 1);
        EXPECT_EQ(undo_->descriptions().back(), "meter changes");
    }
    undo_->undo(song_, prompt_);
    ASSERT_EQ(song_.meterCount(), 3);
    EXPECT_EQ(song_.meterList[1].measure, 2);
    EXPECT_EQ(song_.meterList[1].numerator, 3);

    {
        auto editor = open(MasterListKind::Meter);
        EXPECT_TRUE(editor.insertAfter(2));
        EXPECT_EQ(song_.meterList[3].measure, 6);
        EXPECT_EQ(modified_, 2);
        EXPECT_EQ(undo_->size(), 1);
    }
    undo_->undo(song_, prompt_);
    EXPECT_EQ(song_.meterCount(), 3);
}

TEST_F(MasterListEditorTest, TempoTextsThatAreNoChangeStoreNothing)
{
    auto editor = open(MasterListKind::Tempo);
    EXPECT_FALSE(editor.editTempo(0, "fast"));
    EXPECT_FALSE(editor.editTempo(0, "120"));
    EXPECT_FALSE(editor.editTempo(0, "inf"));
    EXPECT_TRUE(undo_->empty());
    EXPECT_EQ(modified_, 0);
    EXPECT_TRUE(editor.editTempo(0, "0"));
    EXPECT_EQ(song_.tempoList[0].bpm, 1.0);
    EXPECT_TRUE(editor.editTempo(0, "93.5"));
    EXPECT_EQ(editor.tempoText(0), "93.5");
    EXPECT_EQ(modified_, 2);

    auto meter = open(MasterListKind::Meter);
    EXPECT_FALSE(meter.editMeter(0, 9, 4));
    EXPECT_FALSE(meter.editMeter(0, 3, 5));
    EXPECT_TRUE(meter.editMeter(0, 3, 16));
    EXPECT_EQ(song_.meterList[0].denominator, 16);
}

// Real songs carry more master entries than the dialog's rows; the table reaches every one
// and Ins and Del keep working past the hundredth entry.
TEST_F(MasterListEditorTest, ALongListIsReachedAndEditedToItsEnd)
{
    for (int m = 1; m <= 150; ++m)
        song_.setTempo(bar(m), 60.0 + m);
    const int count = song_.tempoCount();
    ASSERT_GT(count, 100);
    auto editor = open(MasterListKind::Tempo, bar(count - 1));
    EXPECT_EQ(editor.entries(), count);
    EXPECT_EQ(editor.firstRow(), count - 1);
    EXPECT_EQ(editor.entryOfRow(0), count - 1);
    EXPECT_EQ(editor.positionText(count - 1), positionText(song_, bar(count - 1)));

    EXPECT_TRUE(editor.remove(count - 1));
    EXPECT_EQ(editor.firstRow(), count - 2); // the scroll range shrank under the top row
    EXPECT_TRUE(editor.remove(50));
    EXPECT_EQ(editor.entries(), count - 2);
    EXPECT_EQ(song_.tempoList[50].tick, bar(51));
    EXPECT_TRUE(editor.insertAfter(49)); // measure 50 is free again
    EXPECT_EQ(song_.tempoList[50].tick, bar(50));
    EXPECT_EQ(song_.tempoList[50].bpm, 60.0 + 49);
    EXPECT_EQ(editor.entries(), count - 1);
}

} // namespace
} // namespace velisto
