#include "edit/TrackAreaView.h"

#include "song/Positions.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <memory>

namespace velisto {
namespace {

class TrackAreaViewTest : public ::testing::Test {
protected:
    void SetUp() override { song_ = std::make_unique<Song>(); }
    std::int32_t bar(int measure) const { return measureStart(*song_, measure); }
    void note(int track, int measure)
    {
        song_->tracks[static_cast<std::size_t>(track)].insertSorted(MidiEvent::note(bar(measure) + 5, 0, 60, 100, 10));
    }

    std::unique_ptr<Song> song_;
    TrackAreaView view_{18, 64};
};

TEST_F(TrackAreaViewTest, ArrowsMoveTheCursorAndKeepItInView)
{
    EXPECT_FALSE(view_.arrow(Direction::Up).any()); // track 0 is the top
    EXPECT_FALSE(view_.arrow(Direction::Left).any());
    for (int i = 0; i < 18; ++i)
        view_.arrow(Direction::Down);
    EXPECT_EQ(view_.cursor().track, 18);
    EXPECT_EQ(view_.firstTrack(), 1);
    const ViewChange far = view_.moveCursor({100, 255});
    EXPECT_TRUE(far.cursor);
    EXPECT_TRUE(far.scrolled);
    EXPECT_EQ(view_.firstMeasure(), 37);
    EXPECT_EQ(view_.firstTrack(), 256 - 18);
    EXPECT_FALSE(view_.arrow(Direction::Down).any());

    // With a selection the cursor jumps to its edge and the tool goes back to the arrow.
    view_.setSelection(Selection{240, 250, 90, 95});
    const ViewChange jump = view_.arrow(Direction::Left);
    EXPECT_TRUE(jump.toolToArrow);
    EXPECT_EQ(view_.cursor(), (BlockPosition{90, 255}));
    view_.arrow(Direction::Up);
    EXPECT_EQ(view_.cursor(), (BlockPosition{90, 240}));
    EXPECT_TRUE(view_.selection());
}

TEST_F(TrackAreaViewTest, ShiftArrowsGrowAndRemoveTheSelection)
{
    // Without a selection: nothing left of measure 1, else the neighbouring block.
    EXPECT_FALSE(view_.shiftArrow(Direction::Left).any());
    EXPECT_FALSE(view_.selection());
    EXPECT_TRUE(view_.shiftArrow(Direction::Right).selection);
    EXPECT_EQ(view_.selection(), (Selection{0, 0, 1, 1}));
    view_.shiftArrow(Direction::Right);
    view_.shiftArrow(Direction::Down);
    EXPECT_EQ(view_.selection(), (Selection{0, 1, 1, 2}));
    // Shrinking back past the cursor's side empties it.
    view_.shiftArrow(Direction::Left);
    EXPECT_TRUE(view_.shiftArrow(Direction::Left).selection);
    EXPECT_FALSE(view_.selection());

    // The cursor at the right: the left edge moves, and before measure 1 it is removed.
    view_.moveCursor({2, 3});
    view_.setSelection(Selection{3, 3, 0, 2});
    view_.shiftArrow(Direction::Right);
    EXPECT_EQ(view_.selection(), (Selection{3, 3, 1, 2}));
    view_.shiftArrow(Direction::Left);
    EXPECT_EQ(view_.selection(), (Selection{3, 3, 0, 2}));
    view_.shiftArrow(Direction::Left);
    EXPECT_FALSE(view_.selection());
}

TEST_F(TrackAreaViewTest, SelectToRightEndWithAndWithoutASelection)
{
    note(2, 3);
    note(2, 9);
    note(4, 12);
    view_.moveCursor({5, 2});
    view_.selectToRightEnd(*song_);
    EXPECT_EQ(view_.selection(), (Selection{2, 2, 5, 9}));
    // An empty cursor track selects nothing.
    view_.selectNone();
    view_.moveCursor({5, 3});
    view_.selectToRightEnd(*song_);
    EXPECT_FALSE(view_.selection());

    // With a selection the right edge goes to the latest measure of its tracks, in either
    // direction; behind the left edge the selection goes.
    view_.setSelection(Selection{2, 4, 1, 30});
    view_.selectToRightEnd(*song_);
    EXPECT_EQ(view_.selection(), (Selection{2, 4, 1, 12}));
    view_.setSelection(Selection{2, 3, 1, 4});
    view_.selectToRightEnd(*song_);
    EXPECT_EQ(view_.selection(), (Selection{2, 3, 1, 9}));
    view_.setSelection(Selection{2, 3, 10, 11});
    EXPECT_TRUE(view_.selectToRightEnd(*song_).selection);
    EXPECT_FALSE(view_.selection());
}

TEST_F(TrackAreaViewTest, SelectAllAndToBottomCoverTheTracksWithEvents)
{
    EXPECT_FALSE(view_.selectAll(*song_).selection);
    note(3, 4);
    note(7, 1);
    note(7, 10);
    view_.selectAll(*song_);
    EXPECT_EQ(view_.selection(), (Selection{3, 7, 1, 10}));
    view_.setSelection(Selection{1, 2, 0, 0});
    view_.selectToBottom(*song_);
    EXPECT_EQ(view_.selection(), (Selection{1, 7, 0, 0}));
    const ViewChange none = view_.selectNone();
    EXPECT_TRUE(none.selection);
    EXPECT_TRUE(none.toolToArrow);
}

TEST_F(TrackAreaViewTest, DragScrollMovesTheViewAndTheDraggedEdge)
{
    view_.setSelection(Selection{0, 0, 60, 63});
    const ViewChange step = view_.dragScrollStep(DragEdge::Right);
    EXPECT_TRUE(step.scrolled);
    EXPECT_EQ(view_.firstMeasure(), 1);
    EXPECT_EQ(view_.selection()->lastMeasure, 64);
    view_.setSelection(Selection{200, 255, 0, 0});
    view_.scrollTo(0, 238);
    EXPECT_FALSE(view_.dragScrollStep(DragEdge::Bottom).any()); // already at track 256
}

TEST_F(TrackAreaViewTest, PlaybackTurnsThePageWhenTheCursorLeavesTheView)
{
    view_.scrollTo(0, 3);
    EXPECT_TRUE(view_.followPlay(63).cursor);
    EXPECT_EQ(view_.firstMeasure(), 0);
    const ViewChange page = view_.followPlay(64);
    EXPECT_TRUE(page.scrolled);
    EXPECT_EQ(view_.firstMeasure(), 64);
    EXPECT_EQ(view_.firstTrack(), 3);
    EXPECT_EQ(view_.cursor(), (BlockPosition{64, 0}));
}

TEST_F(TrackAreaViewTest, RewindTargets)
{
    // S = measure 4, E = measure 10.
    const std::int32_t s = bar(4);
    const std::int32_t e = bar(10);
    EXPECT_EQ(rewindTarget(bar(12), s, e), e); // after E
    EXPECT_EQ(rewindTarget(bar(10), s, e), s); // at E
    EXPECT_EQ(rewindTarget(bar(6), s, e), s);
    EXPECT_EQ(rewindTarget(bar(4), s, e), 0); // S is not before the cursor
    EXPECT_EQ(rewindTarget(bar(2), s, e), 0);

    view_.moveCursor({150, 0});
    EXPECT_EQ(view_.firstMeasure(), 87);
    view_.rewind(*song_, s, e);
    EXPECT_EQ(view_.cursor().measure, 10);
    EXPECT_EQ(view_.firstMeasure(), 10); // the view starts at it
    view_.rewind(*song_, s, e);
    EXPECT_EQ(view_.cursor().measure, 4);
    EXPECT_EQ(view_.firstMeasure(), 4);
}

TEST_F(TrackAreaViewTest, ForwardTargetsAndAnEmptySong)
{
    const std::int32_t s = bar(4);
    const std::int32_t e = bar(10);
    EXPECT_EQ(forwardTarget(*song_, bar(12), s, e), std::nullopt);
    EXPECT_EQ(forwardTarget(*song_, bar(2), s, e), std::nullopt); // even with S ahead
    EXPECT_FALSE(view_.forward(*song_, s, e).any());
    EXPECT_EQ(view_.cursor().measure, 0);

    note(1, 80);
    EXPECT_EQ(forwardTarget(*song_, bar(2), s, e), s);
    EXPECT_EQ(forwardTarget(*song_, bar(4), s, e), e);
    EXPECT_EQ(forwardTarget(*song_, bar(10), s, e), bar(80));
    EXPECT_EQ(forwardTarget(*song_, bar(90), s, e), bar(80));

    view_.moveCursor({12, 0});
    const ViewChange change = view_.forward(*song_, s, e);
    EXPECT_TRUE(change.cursor);
    EXPECT_EQ(view_.cursor().measure, 80);
    EXPECT_EQ(view_.firstMeasure(), 80 - 64 + 1); // the cursor measure is the last in view
}

} // namespace
} // namespace velisto
