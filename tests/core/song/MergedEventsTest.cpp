#include "song/MergedEvents.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace velisto {
namespace {

// "tick:track:index" of every visited event.
using Visits = std::vector<std::string>;

std::string visitText(const MergedEvent& merged)
{
    return std::to_string(merged.tick) + ":" + std::to_string(merged.track) + ":" + std::to_string(merged.index);
}

TEST(MergedEvents, EffectiveTicksStayWithinRange)
{
    EXPECT_EQ(effectiveTick(10, -30), 0);
    EXPECT_EQ(effectiveTick(10, 30), 40);
    EXPECT_EQ(effectiveTick(INT32_MAX, 30), INT32_MAX);
}

class MergedEventsTest : public ::testing::Test {
protected:
    MergedEventsTest()
    {
        song.clear(2);
        auto& a = song.tracks[0];
        a.append(MidiEvent::note(0, 0, 60, 100, 10));
        a.append(MidiEvent::note(50, 0, 61, 100, 10));
        a.append(MidiEvent::note(50, 0, 62, 100, 10));
        auto& b = song.tracks[3];
        b.tickOffset = 10;
        b.append(MidiEvent::note(40, 3, 63, 100, 10)); // plays at 50
        b.append(MidiEvent::note(95, 3, 64, 100, 10)); // plays at 105
        auto& c = song.tracks[1];
        c.tickOffset = -20;
        c.append(MidiEvent::note(10, 1, 65, 100, 10));  // plays at 0 (never below)
        c.append(MidiEvent::note(110, 1, 66, 100, 10)); // plays at 90
        c.device = 5;
    }
    Song song;
};

TEST_F(MergedEventsTest, WholeSongInEffectiveTickOrderWithTracksBreakingTies)
{
    Visits visits;
    MergedEvents(&song).forEach([&](const MergedEvent& m) { visits.push_back(visitText(m)); });
    EXPECT_EQ(visits, (Visits{"0:0:0", "0:1:0", "50:0:1", "50:0:2", "50:3:0", "90:1:1", "105:3:1"}));

    visits.clear();
    MergedEvents(&song, 5).forEach([&](const MergedEvent& m) { visits.push_back(visitText(m)); });
    EXPECT_EQ(visits, (Visits{"0:1:0", "90:1:1"}));
}

TEST_F(MergedEventsTest, StartSplitsByOwnTickAndPullsOffsetEventsToTheStart)
{
    Visits before;
    MergedEvents merged(&song);
    merged.forEachBefore(100, [&](const MergedEvent& m) { before.push_back(visitText(m)); });
    // Track 3's event at 95 plays at 105 but belongs to the beginning by its own tick.
    EXPECT_EQ(before, (Visits{"0:0:0", "0:1:0", "50:0:1", "50:0:2", "50:3:0", "105:3:1"}));

    merged.seek(100);
    // Track 1's event at 110 would play at 90, before the start: it plays at the start.
    ASSERT_EQ(merged.nextTick(), 100);
    Visits played;
    merged.takeDueAt(99, [&](const MergedEvent& m) { played.push_back(visitText(m)); });
    EXPECT_TRUE(played.empty());
    merged.takeDueAt(100, [&](const MergedEvent& m) { played.push_back(visitText(m)); });
    EXPECT_EQ(played, (Visits{"100:1:1"}));
    EXPECT_FALSE(merged.nextTick().has_value());
}

TEST_F(MergedEventsTest, TakingAPassedTickHandsOverEverythingOverdueInOrder)
{
    MergedEvents merged(&song);
    merged.seek(0);
    Visits played;
    merged.takeDueAt(60, [&](const MergedEvent& m) { played.push_back(visitText(m)); });
    EXPECT_EQ(played, (Visits{"0:0:0", "0:1:0", "50:0:1", "50:0:2", "50:3:0"}));
    EXPECT_EQ(merged.nextTick(), 90);
}

} // namespace
} // namespace velisto
