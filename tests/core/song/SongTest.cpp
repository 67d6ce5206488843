#include "song/Song.h"

#include <gtest/gtest.h>

#include <memory>

namespace velisto {
namespace {

TEST(SongTest, ClearedSongHasOneTempoMeterAndKeyAtTheStart)
{
    Song song;
    song.tracks[3].append(MidiEvent::textEvent(0, EventKind::Lyric, "x"));
    song.tracks[3].name = "Voice";
    song.tracks[3].muted = 1;
    song.setTempo(480, 90.0);
    song.setMeterAtMeasure(2, 3, 4);
    song.setKey(0, -3, 0);
    song.setSolo(7, true);

    song.clear(2);
    EXPECT_EQ(song.tempoCount(), 1);
    EXPECT_EQ(song.tempoList[0].bpm, 120.0);
    EXPECT_EQ(song.tempoList[0].tick, 0);
    EXPECT_EQ(song.meterCount(), 1);
    EXPECT_EQ(song.meterList[0].numerator, 4);
    EXPECT_EQ(song.meterList[0].denominator, 4);
    EXPECT_EQ(song.keyCount(), 1);
    EXPECT_EQ(song.keyList[0].major, 1);
    EXPECT_EQ(song.keyList[0].sharpsFlats, 0);
    EXPECT_TRUE(song.soloList().empty());
    EXPECT_TRUE(song.tracks[3].empty());
    EXPECT_EQ(song.tracks[3].capacityIndex(), -1);
    EXPECT_TRUE(song.tracks[3].name.empty());
    EXPECT_EQ(song.tracks[3].muted, 0);
    EXPECT_EQ(song.tracks[255].device, 2);

    song.tracks[0].device = 5;
    song.clear(std::nullopt);
    EXPECT_EQ(song.tracks[0].device, 5) << "a silent load keeps the devices";
}

TEST(SongTest, TickOffsetsAreClampedToAQuarterBeat)
{
    Song song;
    song.ppq = 480;
    song.tracks[0].tickOffset = 100;
    song.tracks[1].tickOffset = -130;
    song.clampTickOffsets();
    EXPECT_EQ(song.tracks[0].tickOffset, 100);
    EXPECT_EQ(song.tracks[1].tickOffset, -120);
    song.ppq = 96;
    song.clampTickOffsets();
    EXPECT_EQ(song.tracks[0].tickOffset, 24);
    EXPECT_EQ(song.tracks[1].tickOffset, -24);
}

TEST(SongTest, MasterListsReplaceInsertAndGrowWithoutLimit)
{
    Song song;
    EXPECT_EQ(song.setTempo(0, 100.0), MasterListChange::Replaced);
    EXPECT_EQ(song.tempoList[0].bpm, 100.0);
    EXPECT_EQ(song.setTempo(960, 80.0), MasterListChange::Inserted);
    EXPECT_EQ(song.setTempo(480, 90.0), MasterListChange::Inserted);
    EXPECT_EQ(song.tempoList[1].tick, 480);
    EXPECT_EQ(song.tempoList[2].tick, 960);

    // Far past the hundred entries a fixed list would hold: nothing falls off either end.
    for (int i = 3; i < 300; ++i)
        EXPECT_EQ(song.setTempo(960 * i, 60.0 + i), MasterListChange::Inserted);
    EXPECT_EQ(song.setTempo(100, 70.0), MasterListChange::Inserted);
    EXPECT_EQ(song.tempoCount(), 301);
    EXPECT_EQ(song.tempoList[1].tick, 100);
    EXPECT_EQ(song.tempoList[300].tick, 960 * 299);
    EXPECT_EQ(song.setTempo(960 * 150, 61.0), MasterListChange::Replaced);
    EXPECT_EQ(song.tempoCount(), 301);
    EXPECT_EQ(song.tempoList[151].bpm, 61.0);

    for (int i = 1; i <= 150; ++i) {
        song.setMeterAtMeasure(i, 1 + i % 7, 4);
        song.setKey(960 * i, i % 8, i % 2);
    }
    EXPECT_EQ(song.meterCount(), 151);
    EXPECT_EQ(song.keyCount(), 151);
    EXPECT_EQ(song.meterList[150].measure, 150);
    EXPECT_EQ(song.keyList[150].tick, 960 * 150);
}

TEST(SongTest, AnEndMarkerStoredByHandStillEndsTheList)
{
    Song song;
    song.tempoList = {{100.0, 0}, {90.0, 480}, {}, {80.0, 960}};
    EXPECT_EQ(song.tempoCount(), 2);
    // What lay behind the marker was never part of the list; a new entry goes behind the
    // used ones, not behind the stale one.
    EXPECT_EQ(song.setTempo(720, 70.0), MasterListChange::Inserted);
    EXPECT_EQ(song.tempoCount(), 3);
    EXPECT_EQ(song.tempoList.size(), 3u);
    EXPECT_EQ(song.tempoList[2].tick, 720);
}

TEST(SongTest, EndMarkerValuesAreNeverStored)
{
    Song song;
    EXPECT_EQ(song.setTempo(480, 0.0), MasterListChange::Dropped);
    EXPECT_EQ(song.setKey(480, -8, 1), MasterListChange::Dropped);
    EXPECT_EQ(song.setKey(480, 9, 1), MasterListChange::Dropped);
    EXPECT_EQ(song.setMeterAtMeasure(4, 0, 4), MasterListChange::Dropped);
    EXPECT_EQ(song.tempoCount(), 1);
    EXPECT_EQ(song.keyCount(), 1);
    EXPECT_EQ(song.meterCount(), 1);
    EXPECT_EQ(song.setKey(480, -7, 0), MasterListChange::Inserted);
    EXPECT_EQ(song.keyList[1].sharpsFlats, -7);
}

TEST(SongTest, MeterIsStoredByTheMeasureThatHoldsTheTick)
{
    Song song;
    song.ppq = 480;
    EXPECT_EQ(song.setMeter(3 * 1920 + 5, 3, 4), MasterListChange::Inserted);
    EXPECT_EQ(song.meterList[1].measure, 3);
    // Measures 3.. are now 3/4 (1440 ticks): tick 5760 + 2 * 1440 is measure 5.
    EXPECT_EQ(song.setMeter(5760 + 2 * 1440, 6, 8), MasterListChange::Inserted);
    EXPECT_EQ(song.meterList[2].measure, 5);
    EXPECT_EQ(song.setMeter(5760, 2, 2), MasterListChange::Replaced);
    EXPECT_EQ(song.setMeter(-100, 5, 4), MasterListChange::Replaced) << "before the start: the first meter";
    EXPECT_EQ(song.meterList[0].numerator, 5);
    EXPECT_EQ(song.meterList[1].numerator, 2);
    EXPECT_EQ(song.meterList[1].denominator, 2);
}

TEST(SongTest, SoloSilencesEveryOtherTrackAndMuteAlwaysSilences)
{
    Song song;
    song.tracks[2].muted = 1;
    EXPECT_TRUE(song.isSilent(2));
    EXPECT_FALSE(song.isSilent(3));

    song.setSolo(2, true);
    song.setSolo(2, true);
    song.setSolo(9, true);
    EXPECT_EQ(song.soloList(), (std::vector<int>{2, 9}));
    EXPECT_TRUE(song.isSilent(2)) << "a muted track stays silent when solo";
    EXPECT_TRUE(song.isSilent(3));
    EXPECT_FALSE(song.isSilent(9));

    song.setSolo(9, false);
    song.setSolo(2, false);
    EXPECT_FALSE(song.soloActive());
    EXPECT_TRUE(song.isSilent(2));
    EXPECT_FALSE(song.isSilent(3));
    song.setSolo(300, true);
    song.setSolo(-1, true);
    EXPECT_FALSE(song.soloActive());
    EXPECT_TRUE(song.isSilent(300));
}

TEST(SongTest, CopiesKeepSoloAndMute)
{
    auto song = std::make_unique<Song>();
    song->setSolo(4, true);
    song->tracks[4].muted = 1;
    song->tracks[4].tickOffset = -7;
    const auto copy = std::make_unique<Song>(*song);
    song->setSolo(4, false);
    EXPECT_TRUE(copy->isSolo(4));
    EXPECT_TRUE(copy->soloActive());
    EXPECT_EQ(copy->tracks[4].muted, 1);
    EXPECT_EQ(copy->tracks[4].tickOffset, -7);
}

TEST(SongTest, EmptyForSavingLooksAtEverySetting)
{
    Song song;
    EXPECT_EQ(song.lastTrackToSave(), -1);
    song.tracks[10].tickOffset = 3;
    EXPECT_EQ(song.lastTrackToSave(), 10);
    song.tracks[10].tickOffset = 0;
    song.setSolo(20, true);
    EXPECT_EQ(song.lastTrackToSave(), 20);
    song.setSolo(20, false);
    song.tracks[30].muted = 1;
    EXPECT_EQ(song.lastTrackToSave(), 30);
    song.tracks[30].muted = 0;
    song.tracks[40].name = "x";
    EXPECT_EQ(song.lastTrackToSave(), 40);
    song.tracks[40].name.clear();
    song.tracks[50].append(MidiEvent::note(0, 0, 60, 1, 1));
    EXPECT_EQ(song.lastTrackToSave(), 50);
    song.tracks[50].channel = 9;
    song.tracks[60].channel = 9; // a channel alone does not make a track worth saving
    EXPECT_EQ(song.lastTrackToSave(), 50);
}

TEST(SongTest, RemovingAMasterEntryMovesTheOthersUp)
{
    Song song;
    song.setTempo(100, 90.0);
    song.setTempo(200, 100.0);
    EXPECT_TRUE(song.removeTempo(1));
    ASSERT_EQ(song.tempoCount(), 2);
    EXPECT_EQ(song.tempoList[1].tick, 200);
    EXPECT_EQ(song.tempoList.size(), 2u);
    EXPECT_FALSE(song.removeTempo(2));
    EXPECT_FALSE(song.removeTempo(-1));
    song.setMeterAtMeasure(3, 3, 4);
    EXPECT_TRUE(song.removeMeter(1));
    EXPECT_EQ(song.meterCount(), 1);
    song.setKey(50, 2, 0);
    EXPECT_TRUE(song.removeKey(0));
    EXPECT_EQ(song.keyList[0].tick, 50);
    EXPECT_EQ(song.keyCount(), 1);
}

} // namespace
} // namespace velisto
