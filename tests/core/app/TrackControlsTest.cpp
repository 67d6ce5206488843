#include "app/TrackControls.h"

#include "app/CommandIds.h"
#include "app/QueueUiNotifier.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velisto {
namespace {

TEST(TrackControlsTest, TickOffsetDialAndDrag)
{
    EXPECT_EQ(tickOffsetLimit(480), 120);
    EXPECT_EQ(tickOffsetDialImage(-120, 480), 0);
    EXPECT_EQ(tickOffsetDialImage(0, 480), 14); // 13.5 rounds up
    EXPECT_EQ(tickOffsetDialImage(60, 480), 20);
    EXPECT_EQ(tickOffsetDialImage(120, 480), 27);
    EXPECT_EQ(tickOffsetDialImage(500, 480), 27);

    // Rows of 29 pixels: 240 ticks over 29 * 86 / 125 = 19.95 pixels, 12.03 a pixel.
    EXPECT_EQ(draggedTickOffset(0, 5, 480, 29), 60);
    EXPECT_EQ(draggedTickOffset(-10, -3, 480, 29), -46);
    EXPECT_EQ(draggedTickOffset(100, 100, 480, 29), 120);
    EXPECT_EQ(draggedTickOffset(0, -100, 480, 29), -120);
    EXPECT_EQ(draggedTickOffset(0, 5, 480, 0), 120); // no row height: still no division by 0

    // One tick per quarter has no sixteenth to shift by.
    EXPECT_EQ(tickOffsetDialImage(0, 1), 14);
    EXPECT_EQ(draggedTickOffset(0, 40, 1, 29), 0);
    EXPECT_EQ(draggedTickOffset(0, 40, 4, 29), 1);
}

TEST(TrackControlsTest, TypedTickOffsetsOutsideTheRangeAreRefused)
{
    EXPECT_EQ(checkTickOffset(" -120", 480).offset, -120);
    EXPECT_TRUE(checkTickOffset("0", 480).valid());
    EXPECT_EQ(checkTickOffset("121", 480).message, "Please enter a value between -120 and 120");
    EXPECT_FALSE(checkTickOffset("ten", 480).valid());
    EXPECT_EQ(checkTickOffset("1", 1).message, "Please enter a value between 0 and 0");
}

TEST(TrackControlsTest, SoloReplacesOrAddsAndMuteWaitsForNoSolo)
{
    auto song = std::make_unique<Song>();
    soloClick(*song, 3, false);
    soloClick(*song, 5, false);
    EXPECT_EQ(song->soloList(), std::vector<int>{5});
    soloClick(*song, 7, true);
    EXPECT_EQ(song->soloList(), (std::vector<int>{5, 7}));
    EXPECT_FALSE(muteClick(*song, 2));
    EXPECT_EQ(song->tracks[2].muted, 0);
    soloClick(*song, 7, true);
    EXPECT_EQ(song->soloList(), std::vector<int>{5});
    soloClick(*song, 5, false);
    EXPECT_TRUE(song->soloList().empty());
    EXPECT_TRUE(muteClick(*song, 2));
    EXPECT_EQ(song->tracks[2].muted, 1);
    EXPECT_TRUE(muteClick(*song, 2));
    EXPECT_EQ(song->tracks[2].muted, 0);
}

// The file keeps these settings: every real change must make closing ask to save.
TEST(TrackControlsTest, KeptSettingsReportTheSongModifiedOnlyWhenTheyChange)
{
    auto song = std::make_unique<Song>();
    song->ppq = 96;
    QueueUiNotifier notifier;
    auto modifiedPosts = [&notifier] {
        int count = 0;
        for (const auto& post : notifier.take())
            count += post.message == kSongModifiedMessage ? 1 : 0;
        return count;
    };

    EXPECT_TRUE(setTrackName(*song, 4, "Bass", notifier));
    EXPECT_FALSE(setTrackName(*song, 4, "Bass", notifier));
    EXPECT_FALSE(setTrackName(*song, 256, "Lost", notifier));
    EXPECT_EQ(song->tracks[4].name, "Bass");
    EXPECT_EQ(modifiedPosts(), 1);

    EXPECT_TRUE(setTrackChannel(*song, 4, 15, notifier));
    EXPECT_FALSE(setTrackChannel(*song, 4, 16, notifier));
    EXPECT_FALSE(setTrackChannel(*song, 4, -1, notifier));
    EXPECT_EQ(song->tracks[4].channel, 15);
    EXPECT_EQ(modifiedPosts(), 1);

    EXPECT_TRUE(setTrackTickOffset(*song, 4, -500, notifier));
    EXPECT_EQ(song->tracks[4].tickOffset, -24);
    EXPECT_FALSE(setTrackTickOffset(*song, 4, -30, notifier)) << "clamped to the same value";
    EXPECT_EQ(modifiedPosts(), 1);

    KnobAssignment drum{KnobKind::DrumNrpn, 3, 1, 38};
    EXPECT_TRUE(setTrackKnob(*song, 4, 1, drum, notifier));
    EXPECT_FALSE(setTrackKnob(*song, 4, 1, drum, notifier));
    EXPECT_FALSE(setTrackKnob(*song, 4, 3, drum, notifier));
    EXPECT_EQ(knobAssignment(song->tracks[4], 1), drum);
    EXPECT_EQ(knobAssignment(song->tracks[4], 0).kind, KnobKind::CommonController);
    EXPECT_EQ(modifiedPosts(), 1);
}

TEST(TrackControlsTest, LevelMeterJumpsToAPeakAndFallsByOneStep)
{
    EXPECT_EQ(levelMeterTick(3, 90), 90);
    EXPECT_EQ(levelMeterTick(90, 40), 40);
    EXPECT_EQ(levelMeterTick(10, std::nullopt), 9);
    EXPECT_EQ(levelMeterTick(0, std::nullopt), 0);
}

} // namespace
} // namespace velisto
