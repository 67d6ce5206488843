#include "app/SongSummary.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

TEST(SongSummaryTest, KeyNamesFollowTheCircleOfFifths)
{
    EXPECT_EQ(keySignatureName(0, true), "C major");
    EXPECT_EQ(keySignatureName(1, true), "G major");
    EXPECT_EQ(keySignatureName(-3, false), "C minor");
    EXPECT_EQ(keySignatureName(7, true), "C# major");
    EXPECT_EQ(keySignatureName(-7, false), "Ab minor");
    EXPECT_EQ(keySignatureName(9, true), "?");
}

TEST(SongSummaryTest, DurationsShowWholeSecondsAndHoursOnlyWhenNeeded)
{
    EXPECT_EQ(minutesSecondsText(0.0), "0:00");
    EXPECT_EQ(minutesSecondsText(59999.0), "0:59");
    EXPECT_EQ(minutesSecondsText(187000.0), "3:07");
    EXPECT_EQ(minutesSecondsText(3723000.0), "1:02:03");
    EXPECT_EQ(minutesSecondsText(-5.0), "0:00");
}

TEST(SongSummaryTest, ListsTheMasterTracksTheTracksAndTheLengthAsPlayingSeesIt)
{
    Song song;
    song.ppq = 480;
    song.clear(0);
    song.setTempo(1920, 60.0);
    song.setMeterAtMeasure(1, 3, 4);
    song.setKey(0, 1, 1);
    Track& bass = song.tracks[0];
    bass.name = "Bass";
    bass.channel = 1;
    bass.append(MidiEvent::note(1440, 1, 40, 100, 480));
    song.tracks[3].append(MidiEvent::note(0, 9, 36, 100, 10));
    song.tracks[3].muted = 1;

    const SongSummary summary = SongSummary::of(song, "/music/groove.mid");
    EXPECT_EQ(summary.fileName, "/music/groove.mid");
    EXPECT_EQ(summary.ppq, 480);
    ASSERT_EQ(summary.tempos.size(), 2u);
    EXPECT_EQ(summary.tempos[1].position, "0002:01:000");
    EXPECT_DOUBLE_EQ(summary.tempos[1].bpm, 60.0);
    ASSERT_EQ(summary.meters.size(), 2u);
    EXPECT_EQ(summary.meters[1].measure, 1);
    EXPECT_EQ(summary.meters[1].numerator, 3);
    ASSERT_EQ(summary.keys.size(), 1u);
    EXPECT_EQ(summary.keys[0].name, "G major");

    // Up to the last track worth saving; the empty ones between are there but not used.
    ASSERT_EQ(summary.tracks.size(), 4u);
    EXPECT_TRUE(summary.tracks[0].used());
    EXPECT_EQ(summary.tracks[0].channel, 1);
    EXPECT_EQ(summary.tracks[0].name, "Bass");
    EXPECT_FALSE(summary.tracks[1].used());
    EXPECT_EQ(summary.tracks[3].index, 3);
    EXPECT_EQ(summary.tracks[3].events, 1);
    EXPECT_TRUE(summary.tracks[3].muted);

    // The last note ends at 1920; six quarters of room make 4800: two seconds at 120 BPM,
    // then six at 60, and the fourth measure's start under 4/4 then 3/4.
    EXPECT_EQ(summary.lengthTicks, 4800);
    EXPECT_EQ(summary.lengthPosition, "0004:01:000");
    EXPECT_EQ(summary.lengthTime, "0:08");
}

TEST(SongSummaryTest, AnEmptySongHasNoTracksAndNoLength)
{
    Song song;
    song.clear(0);
    const SongSummary summary = SongSummary::of(song, "");
    EXPECT_TRUE(summary.tracks.empty());
    EXPECT_EQ(summary.lengthTicks, 0);
    EXPECT_EQ(summary.lengthTime, "0:00");
    EXPECT_EQ(summary.tempos.size(), 1u);
}

} // namespace
} // namespace velisto
