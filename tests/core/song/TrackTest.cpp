#include "song/Track.h"

#include <gtest/gtest.h>

#include <string>

namespace velisto {
namespace {

MidiEvent noteAt(std::int32_t tick, int key = 60) { return MidiEvent::note(tick, 0, key, 100, 10); }

TEST(MidiEventTest, RecordStaysThreeWordsPlusTwoPayloadPointers)
{
    // tick, four data bytes and length, then the text and sysex pointers.
    EXPECT_EQ(sizeof(MidiEvent), 3 * sizeof(std::int32_t) + 2 * sizeof(void*) + (sizeof(void*) == 8 ? 4 : 0));
}

TEST(MidiEventTest, CopyingARecordCopiesItsPayloadNotThePointer)
{
    MidiEvent text = MidiEvent::textEvent(5, EventKind::Lyric, "la");
    MidiEvent copy = text;
    ASSERT_NE(copy.text.get(), text.text.get());
    *copy.text = "changed";
    EXPECT_EQ(*text.text, "la");

    MidiEvent sysex = MidiEvent::sysexEvent(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
    MidiEvent assigned;
    assigned = sysex;
    ASSERT_NE(assigned.sysex.get(), sysex.sysex.get());
    (*assigned.sysex)[0] = 0x41;
    EXPECT_EQ((*sysex.sysex)[0], 0x7E);
    EXPECT_EQ(assigned.text.get(), nullptr);
}

TEST(MidiEventTest, KindTestsSeparateChannelAndKeyEvents)
{
    EXPECT_TRUE(MidiEvent::note(0, 9, 36, 100, 1).isKeyEvent());
    EXPECT_TRUE(MidiEvent::drumNrpn(0, 9, 7, 38, 20).isKeyEvent());
    EXPECT_EQ(MidiEvent::drumNrpn(0, 9, 7, 38, 20).key(), 38);
    EXPECT_FALSE(MidiEvent::channelEvent(0, 0xB3, 4, 100).isKeyEvent());
    EXPECT_TRUE(MidiEvent::channelEvent(0, 0xB3, 4, 100).isChannelEvent());
    EXPECT_EQ(MidiEvent::channelEvent(0, 0xB3, 4, 100).channel(), 3);
    EXPECT_FALSE(MidiEvent::textEvent(0, EventKind::Marker, "A").isChannelEvent());
    EXPECT_FALSE(MidiEvent::sysexEvent(0, {0xF7}).isChannelEvent());
    EXPECT_EQ(MidiEvent::textEvent(0, EventKind::DeviceName, "x").kind(), EventKind::DeviceName);
    EXPECT_EQ(MidiEvent::note(0, 5, 60, 1, 0).length, 1) << "a note lasts at least one tick";
}

TEST(TrackTest, ArrayGrowsAndShrinksInStepsOfAHundred)
{
    Track track;
    EXPECT_EQ(track.lastIndex(), -1);
    EXPECT_EQ(track.capacityIndex(), -1);

    track.append(noteAt(0));
    EXPECT_EQ(track.capacityIndex(), 99);
    for (int i = 1; i < 100; ++i)
        track.append(noteAt(i));
    EXPECT_EQ(track.lastIndex(), 99);
    EXPECT_EQ(track.capacityIndex(), 99);
    track.append(noteAt(100));
    EXPECT_EQ(track.lastIndex(), 100);
    EXPECT_EQ(track.capacityIndex(), 199);

    track.erase(100); // back to 100 events: lastIndex 99 is not below 199 - 99
    EXPECT_EQ(track.capacityIndex(), 199);
    track.erase(99); // 99 events: lastIndex 98 is below 100
    EXPECT_EQ(track.lastIndex(), 98);
    EXPECT_EQ(track.capacityIndex(), 99);

    while (track.lastIndex() > 0)
        track.erase(0);
    EXPECT_EQ(track.capacityIndex(), 99);
    track.erase(0);
    EXPECT_EQ(track.lastIndex(), -1);
    EXPECT_EQ(track.capacityIndex(), -1) << "deleting the last event frees the array";
}

TEST(TrackTest, CapacityFollowsTheStepsOverManyRecords)
{
    Track track;
    for (int i = 0; i < 1234; ++i) {
        track.insertSorted(noteAt(i % 7), 0);
        ASSERT_EQ(track.capacityIndex(), (track.lastIndex() / 100) * 100 + 99);
    }
    for (int i = 0; i < 1234; ++i) {
        track.erase(track.lastIndex() / 2);
        ASSERT_LE(track.lastIndex(), track.capacityIndex());
        ASSERT_GE(track.lastIndex(), track.capacityIndex() - 100);
    }
    EXPECT_EQ(track.capacityIndex(), -1);
}

TEST(TrackTest, InsertionAtAnOccupiedTickGoesBehindTheEventsThere)
{
    Track track;
    track.append(noteAt(0));
    for (int key = 1; key <= 3; ++key)
        track.append(noteAt(480, key));
    track.append(noteAt(960));

    const auto index = track.insertSorted(noteAt(480, 99), 0);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(track.event(4).data1, 99);
    EXPECT_EQ(track.event(5).tick, 960);
    EXPECT_EQ(track.insertSorted(noteAt(2000), 0), 6) << "nothing greater: appended";
    EXPECT_EQ(track.insertSorted(noteAt(-5), 3), 0) << "a start index past the place is not trusted";
}

TEST(TrackTest, RunInsertionReusesTheReturnedPosition)
{
    Track track;
    for (int i = 0; i < 10; ++i)
        track.append(noteAt(i * 100));
    std::int32_t at = 0;
    for (int t : {150, 150, 420, 900, 5000}) {
        at = track.insertSorted(noteAt(t, 100), at);
        ASSERT_EQ(track.event(at).tick, t);
    }
    for (std::int32_t i = 1; i < track.eventCount(); ++i)
        EXPECT_LE(track.event(i - 1).tick, track.event(i).tick);
    EXPECT_EQ(track.eventCount(), 15);
}

TEST(TrackTest, MovingAnEventKeepsOrderAndArraySize)
{
    Track track;
    for (int i = 0; i < 5; ++i)
        track.append(noteAt(i * 10, i)); // ticks 0 10 20 30 40, keys 0..4
    const auto capacity = track.capacityIndex();

    EXPECT_EQ(track.moveToTick(0, 20), 2) << "behind the event already at 20";
    EXPECT_EQ(track.event(2).data1, 0);
    EXPECT_EQ(track.moveToTick(4, 5), 0) << "nothing at or before tick 5";
    EXPECT_EQ(track.event(0).data1, 4);
    EXPECT_EQ(track.moveToTick(1, 100), 4);
    EXPECT_EQ(track.moveToTick(2, 20), 2) << "to its own tick: behind the others at 20, itself left out";
    EXPECT_EQ(track.eventCount(), 5);
    EXPECT_EQ(track.capacityIndex(), capacity);
    for (std::int32_t i = 1; i < track.eventCount(); ++i)
        EXPECT_LE(track.event(i - 1).tick, track.event(i).tick);
}

TEST(TrackTest, InsertAtPositionAndOutOfRangeIndicesAreSafe)
{
    Track track;
    track.insertAt(5, noteAt(10)); // beyond the end: appended
    track.insertAt(0, noteAt(0));
    EXPECT_EQ(track.event(0).tick, 0);
    EXPECT_EQ(track.event(1).tick, 10);
    track.erase(7);
    track.erase(-1);
    EXPECT_EQ(track.eventCount(), 2);
    EXPECT_EQ(track.moveToTick(9, 0), 9);
}

TEST(TrackTest, ResetSettingsGivesTheDefaultKnobs)
{
    Track track;
    track.name = "Bass";
    track.channel = 3;
    track.knobKind[1] = KnobKind::DrumNrpn;
    track.knobParam[1] = 7;
    track.tickOffset = 12;
    track.device = 4;
    track.resetSettings();
    EXPECT_TRUE(track.name.empty());
    EXPECT_EQ(track.channel, 0);
    EXPECT_EQ(track.tickOffset, 0);
    EXPECT_EQ(track.device, 4) << "the device is the caller's business";
    // Modulation (slot 2), expression (slot 6), pan (slot 5).
    EXPECT_EQ(track.knobKind, (std::array<std::int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(track.knobParam, (std::array<std::int32_t, 3>{2, 6, 5}));
}

} // namespace
} // namespace velisto
