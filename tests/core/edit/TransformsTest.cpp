#include "edit/Transforms.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace velisto {
namespace {

// Track 0, ticks 0..100000, no filter restrictions.
EditScope wideScope() { return {Selection{0, 0, 0, 0}, SelectionTicks{0, 100000}, EventFilterSettings{}}; }

std::vector<std::int32_t> ticksOf(const Track& track)
{
    std::vector<std::int32_t> ticks;
    for (const MidiEvent& e : track.events())
        ticks.push_back(e.tick);
    return ticks;
}

std::vector<int> keysOf(const Track& track)
{
    std::vector<int> keys;
    for (const MidiEvent& e : track.events())
        keys.push_back(e.data1);
    return keys;
}

TEST(QuantizeTest, RoundsHalfDownAndHandlesOddGrids)
{
    EXPECT_EQ(quantizeToGrid(59, 120), 0);
    EXPECT_EQ(quantizeToGrid(60, 120), 0);
    EXPECT_EQ(quantizeToGrid(61, 120), 120);
    EXPECT_EQ(quantizeToGrid(3, 5), 5);
    EXPECT_EQ(quantizeToGrid(2, 5), 0);
}

TEST(QuantizeTest, KeepsTrackSortedAndShortNotesKeepTheirLength)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(10, 0, 1, 100, 50));  // to 0, length would round to 0
    track.append(MidiEvent::note(70, 0, 2, 100, 170)); // to 120, length 120
    track.append(MidiEvent::note(100, 0, 3, 100, 10)); // to 120
    track.append(MidiEvent::note(130, 0, 4, 100, 10)); // to 120
    track.append(MidiEvent::note(230, 0, 5, 100, 10)); // to 240
    const QuantizeOptions options{false, true, 120, true, 120};
    EXPECT_TRUE(quantize(song, wideScope(), options));
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{0, 120, 120, 120, 240}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(track.event(0).length, 50);
    EXPECT_EQ(track.event(1).length, 120);
}

TEST(QuantizeTest, FilterAndOnlyNotesOptionLeaveOthersAlone)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(50, 9, 36, 100, 10));
    track.append(MidiEvent::note(50, 9, 38, 100, 10));
    track.append(MidiEvent::channelEvent(50, EventKind::Controller, 7, 100));
    EditScope scope = wideScope();
    scope.filter.noteon_bool = 1;
    scope.filter.noteon_from = scope.filter.noteon_to = 36;
    EXPECT_TRUE(quantize(song, scope, QuantizeOptions{true, true, 120, false, 120}));
    EXPECT_EQ(track.event(0).tick, 0);
    EXPECT_EQ(track.event(0).data1, 38);
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{0, 50, 50}));
}

TEST(QuantizeTest, FieldChecks)
{
    EXPECT_EQ(noteValueChoices(480), (std::vector<std::string>{"60 Thirty-second", "120 Sixteen", "240 Eight",
                                                               "480 Quarter", "960 Half", "1920 Whole"}));
    EXPECT_EQ(checkPositionGrid("120 Sixteen"), "");
    EXPECT_EQ(checkPositionGrid("1"), "Number of ticks must be at least 2");
    EXPECT_EQ(checkPositionGrid("Sixteen"), "Number of ticks must be at least 2");
    EXPECT_EQ(checkLengthGrid("1"), "Length must be at least 2");
    EXPECT_EQ(checkNoteLength("0"), "");
    EXPECT_EQ(checkNoteLength("-1"), "Number of ticks must be at least 0");
}

TEST(PitchTest, AllClampsSingleReplacesAndDrumNrpnsStay)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(0, 0, 120, 100, 10));
    track.append(MidiEvent::note(0, 0, 5, 100, 10));
    track.append(MidiEvent::channelEvent(0, EventKind::PolyPressure, 60, 30));
    track.append(MidiEvent::drumNrpn(0, 9, 3, 60, 64)); // slot 3 passes the default filter
    EXPECT_TRUE(changePitch(song, wideScope(), PitchOptions{false, 12, 0, 0}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{127, 17, 72, 3}));
    EXPECT_EQ(track.event(3).data3, 60);
    EXPECT_TRUE(changePitch(song, wideScope(), PitchOptions{false, -20, 0, 0}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{107, 0, 52, 3}));

    EXPECT_TRUE(changePitch(song, wideScope(), PitchOptions{true, 0, 52, 64}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{107, 0, 64, 3}));
    EXPECT_FALSE(changePitch(song, wideScope(), PitchOptions{true, 0, 99, 64}));
}

TEST(PitchTest, NoteNamesFollowTheKeyMode)
{
    Song song;
    EXPECT_EQ(noteSpellingAt(song, 0), NoteSpelling::Sharps);
    song.setKey(0, -3, 0);
    EXPECT_EQ(noteSpellingAt(song, 0), NoteSpelling::Flats);
    EXPECT_EQ(checkNoteName("Db5", NoteSpelling::Flats), "");
    EXPECT_EQ(checkNoteName("C#5", NoteSpelling::Flats),
              "Wrong value 'C#5'.\n\nPlease open ComboBox and choose right spelling.");
    EXPECT_NE(checkNoteName("H5", NoteSpelling::Sharps), "");
}

TEST(MoveTest, PilesAtTickZeroInOrderAndKeepsBlocksInOrder)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(0, 0, 1, 100, 10));
    track.append(MidiEvent::note(100, 0, 2, 100, 10));
    track.append(MidiEvent::note(200, 0, 3, 100, 10));
    track.append(MidiEvent::note(900, 0, 4, 100, 10));
    EditScope scope = wideScope();
    scope.ticks = {50, 500};
    EXPECT_TRUE(moveEvents(song, scope, -500));
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{0, 0, 0, 900}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{1, 2, 3, 4}));

    track.clearEvents();
    for (int k = 0; k < 4; ++k)
        track.append(MidiEvent::note(10 + k / 2, 0, k, 100, 10));
    EXPECT_TRUE(moveEvents(song, wideScope(), 1));
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{11, 11, 12, 12}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{0, 1, 2, 3}));
}

TEST(MoveTest, LargeDeltasStopAtTheEndsOfTheTickRange)
{
    constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(0, 0, 1, 100, 10));
    track.append(MidiEvent::note(100, 0, 2, 100, 10));
    track.append(MidiEvent::note(200, 0, 3, 100, 10));
    EditScope scope = wideScope();
    scope.ticks = {100, 200};
    EXPECT_TRUE(moveEvents(song, scope, kLast));
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{0, kLast, kLast}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{1, 2, 3}));

    scope.ticks = {0, kLast};
    EXPECT_TRUE(moveEvents(song, scope, std::numeric_limits<std::int32_t>::min()));
    EXPECT_EQ(ticksOf(track), (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(keysOf(track), (std::vector<int>{1, 2, 3}));
}

TEST(NoteLengthTest, SetsNotesOnlyAndNeverZero)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(0, 0, 60, 100, 10));
    track.append(MidiEvent::channelEvent(0, EventKind::Controller, 7, 100, 55));
    EXPECT_TRUE(setNoteLength(song, wideScope(), 240));
    EXPECT_EQ(track.event(0).length, 240);
    EXPECT_EQ(track.event(1).length, 55);
    EXPECT_TRUE(setNoteLength(song, wideScope(), 0));
    EXPECT_EQ(track.event(0).length, 1);
}

TEST(ChannelChangeTest, TrackChannelFollowsOnlyWhenAllEventsMovedAndNotInTest)
{
    Song song;
    Track& track = song.tracks[0];
    track.channel = 9;
    track.append(MidiEvent::note(0, 9, 36, 100, 10));
    track.append(MidiEvent::textEvent(0, EventKind::Lyric, "la"));
    track.append(MidiEvent::note(5000, 9, 36, 100, 10));
    EditScope scope = wideScope();
    scope.ticks = {0, 1000};
    EXPECT_TRUE(changeChannel(song, scope, 9, 10, false));
    EXPECT_EQ(track.event(0).channel(), 10);
    EXPECT_EQ(track.event(2).channel(), 9);
    EXPECT_EQ(track.channel, 9); // the event outside the selection is still on the old channel

    EXPECT_TRUE(changeChannel(song, wideScope(), 9, 10, true));
    EXPECT_EQ(track.event(2).channel(), 10);
    EXPECT_EQ(track.channel, 9); // a test leaves the setting
    EXPECT_FALSE(changeChannel(song, wideScope(), 9, 10, false));
    EXPECT_TRUE(changeChannel(song, wideScope(), 10, 11, false));
    EXPECT_EQ(track.channel, 11);

    EXPECT_EQ(checkChannelText("16"), "");
    EXPECT_EQ(checkChannelText("17"), "Unknown channel !?!");
    EXPECT_EQ(checkChannelText("x"), "Unknown channel !?!");
}

TEST(ChannelChangeTest, UsageListsChannelsInOrderAndAFreeOne)
{
    Song song;
    song.tracks[0].append(MidiEvent::note(0, 3, 36, 100, 10));
    song.tracks[0].append(MidiEvent::note(10, 0, 36, 100, 10));
    song.tracks[0].append(MidiEvent::note(5000, 2, 36, 100, 10));
    song.tracks[1].append(MidiEvent::note(0, 1, 36, 100, 10));
    EditScope scope = wideScope();
    scope.ticks = {0, 1000};
    const ChannelUsage usage = channelUsage(song, scope);
    EXPECT_EQ(usage.inside, (std::vector<int>{3, 0}));
    EXPECT_EQ(usage.beside, (std::vector<int>{2}));
    EXPECT_EQ(usage.freeChannel, 4);
}

} // namespace
} // namespace velisto
