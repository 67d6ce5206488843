#include "playback/RecordBuffer.h"

#include "song/Track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace velisto {
namespace {

std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }

RecordClock at(std::int32_t tick) { return RecordClock{tick, 0, false}; }
RecordClock countIn(std::int32_t current, std::int32_t start) { return RecordClock{current, start, true}; }

RecordOutcome noteOn(RecordBuffer& buffer, int channel, int key, int velocity, const RecordClock& clock)
{
    return buffer.recordEvent(byte(0x90 | channel), byte(key), byte(velocity), kNoDrumKey, clock);
}
RecordOutcome release(RecordBuffer& buffer, int channel, int key, const RecordClock& clock)
{
    return noteOn(buffer, channel, key, 0, clock);
}
RecordOutcome controller(RecordBuffer& buffer, int channel, int slot, int value, const RecordClock& clock)
{
    return buffer.recordEvent(byte(0xB0 | channel), byte(slot), byte(value), kNoDrumKey, clock);
}

// ---- notes and their lengths ----

TEST(RecordBufferNotes, ReleaseGivesTheNoteItsLengthAndStoresNothing)
{
    RecordBuffer buffer;
    EXPECT_EQ(noteOn(buffer, 3, 60, 100, at(100)), RecordOutcome::Stored);
    EXPECT_EQ(release(buffer, 3, 60, at(250)), RecordOutcome::NoteClosed);
    EXPECT_EQ(buffer.count(), 1);

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 1u);
    EXPECT_EQ(recording.events[0], MidiEvent::note(100, 3, 60, 100, 150));
    EXPECT_FALSE(recording.full);
}

TEST(RecordBufferNotes, LengthIsAtLeastOneTick)
{
    RecordBuffer buffer;
    noteOn(buffer, 0, 60, 100, at(480));
    EXPECT_EQ(release(buffer, 0, 60, at(480)), RecordOutcome::NoteClosed);
    // A clock that went back (a loop) must not give a negative length either.
    noteOn(buffer, 0, 62, 100, at(960));
    EXPECT_EQ(release(buffer, 0, 62, at(10)), RecordOutcome::NoteClosed);

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(recording.events[0].length, 1);
    EXPECT_EQ(recording.events[1].length, 1);
}

TEST(RecordBufferNotes, CountInStoresAtTheStartTickAndReleasesWithFixedLength)
{
    RecordBuffer buffer;
    noteOn(buffer, 1, 64, 90, countIn(-200, 960));
    EXPECT_EQ(release(buffer, 1, 64, countIn(-10, 960)), RecordOutcome::NoteClosed);
    controller(buffer, 1, 4, 70, countIn(-5, 960));

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(recording.events[0], MidiEvent::note(960, 1, 64, 90, kCountInNoteLength));
    EXPECT_EQ(recording.events[1].tick, 960);
}

TEST(RecordBufferNotes, NoteNeverReleasedKeepsTheDefaultLength)
{
    RecordBuffer buffer;
    noteOn(buffer, 0, 60, 100, at(0));
    noteOn(buffer, 0, 62, 100, at(10));
    release(buffer, 0, 62, at(70));

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(recording.events[0].length, kDefaultEventLength);
    EXPECT_EQ(recording.events[1].length, 60);
}

TEST(RecordBufferNotes, ReleaseMatchesKeyAndChannelOnly)
{
    RecordBuffer buffer;
    noteOn(buffer, 0, 60, 100, at(0));
    EXPECT_EQ(release(buffer, 1, 60, at(50)), RecordOutcome::Ignored) << "another channel";
    EXPECT_EQ(release(buffer, 0, 61, at(50)), RecordOutcome::Ignored) << "another key";
    EXPECT_EQ(release(buffer, 0, 60, at(90)), RecordOutcome::NoteClosed);
    EXPECT_EQ(release(buffer, 0, 60, at(95)), RecordOutcome::Ignored) << "already released";

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 1u);
    EXPECT_EQ(recording.events[0].length, 90);
}

TEST(RecordBufferNotes, RepeatedKeyReleasesTheOlderNoteFirst)
{
    RecordBuffer buffer;
    // Free slot 0 again so the second note of key 60 takes a slot before the first one's.
    noteOn(buffer, 0, 50, 100, at(0));
    noteOn(buffer, 0, 60, 100, at(10));
    release(buffer, 0, 50, at(15));
    noteOn(buffer, 0, 60, 100, at(20));
    release(buffer, 0, 60, at(40));
    release(buffer, 0, 60, at(100));

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 3u);
    EXPECT_EQ(recording.events[1].length, 30);
    EXPECT_EQ(recording.events[2].length, 80);
}

TEST(RecordBufferNotes, FortyFirstHeldNoteIsNotRecorded)
{
    RecordBuffer buffer;
    for (int key = 0; key < kOpenNoteSlots; ++key)
        ASSERT_EQ(noteOn(buffer, 0, key, 100, at(key)), RecordOutcome::Stored);
    EXPECT_EQ(noteOn(buffer, 0, 100, 100, at(50)), RecordOutcome::Ignored);
    EXPECT_EQ(release(buffer, 0, 100, at(60)), RecordOutcome::Ignored) << "its release finds no note";
    EXPECT_EQ(controller(buffer, 0, 4, 1, at(61)), RecordOutcome::Stored) << "other events still record";
    EXPECT_EQ(buffer.count(), kOpenNoteSlots + 1);

    // A release frees a slot for the next note.
    EXPECT_EQ(release(buffer, 0, 7, at(70)), RecordOutcome::NoteClosed);
    EXPECT_EQ(noteOn(buffer, 0, 101, 100, at(80)), RecordOutcome::Stored);
    EXPECT_EQ(release(buffer, 0, 101, at(230)), RecordOutcome::NoteClosed);

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), static_cast<std::size_t>(kOpenNoteSlots + 2));
    EXPECT_EQ(recording.events[7].length, 63);
    EXPECT_EQ(recording.events.back(), MidiEvent::note(80, 0, 101, 100, 150));
}

// ---- what a record holds ----

TEST(RecordBufferRecords, ChannelEventIsStoredAsSent)
{
    RecordBuffer buffer;
    EXPECT_EQ(buffer.recordEvent(0x25, 3, 90, 38, at(33)), RecordOutcome::Stored); // drum NRPN, key 38
    EXPECT_EQ(buffer.recordEvent(0xE2, 0x10, 0x40, kNoDrumKey, at(34)), RecordOutcome::Stored);

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(recording.events[0], MidiEvent::drumNrpn(33, 5, 3, 38, 90));
    MidiEvent bend = MidiEvent::channelEvent(34, 0xE2, 0x10, 0x40);
    EXPECT_EQ(recording.events[1], bend);
}

TEST(RecordBufferRecords, SysexBytesAreCopiedAndTextEventsGetAnEmptyText)
{
    RecordBuffer buffer;
    std::vector<std::uint8_t> bytes{0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(buffer.recordSysex(bytes, at(5)), RecordOutcome::Stored);
    bytes[2] = 0x00; // the caller's buffer is reused for the next message
    EXPECT_EQ(buffer.recordEvent(EventKind::Marker, 0, 0, kNoDrumKey, at(6)), RecordOutcome::Stored);
    EXPECT_EQ(buffer.recordEvent(EventKind::Sysex, 0, 0, kNoDrumKey, at(7)), RecordOutcome::Ignored)
        << "a system exclusive event without its bytes";

    const Recording recording = buffer.close();
    ASSERT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(recording.events[0], MidiEvent::sysexEvent(5, {0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    ASSERT_TRUE(recording.events[1].text);
    EXPECT_EQ(*recording.events[1].text, "");
    EXPECT_EQ(recording.events[1].status, EventKind::Marker);
}

// ---- filling, closing and reuse ----

TEST(RecordBufferCapacity, FillingReportsOnceAndIgnoresTheRest)
{
    RecordBuffer buffer;
    noteOn(buffer, 0, 60, 100, at(0));
    for (int i = 1; i < kRecordBufferSize - 1; ++i)
        ASSERT_EQ(controller(buffer, 0, 4, i % 128, at(i)), RecordOutcome::Stored) << i;
    EXPECT_FALSE(buffer.full());
    EXPECT_EQ(controller(buffer, 0, 4, 1, at(kRecordBufferSize)), RecordOutcome::BufferFilled);
    EXPECT_TRUE(buffer.full());
    EXPECT_EQ(buffer.count(), kRecordBufferSize);

    EXPECT_EQ(controller(buffer, 0, 4, 2, at(kRecordBufferSize + 1)), RecordOutcome::Ignored);
    EXPECT_EQ(buffer.recordSysex(std::vector<std::uint8_t>{0x7E, 0xF7}, at(kRecordBufferSize + 1)),
              RecordOutcome::Ignored);
    EXPECT_EQ(release(buffer, 0, 60, at(kRecordBufferSize + 2)), RecordOutcome::Ignored);
    EXPECT_EQ(buffer.count(), kRecordBufferSize);

    const Recording recording = buffer.close();
    EXPECT_TRUE(recording.full);
    ASSERT_EQ(recording.events.size(), static_cast<std::size_t>(kRecordBufferSize));
    EXPECT_EQ(recording.events.back().tick, kRecordBufferSize);
}

TEST(RecordBufferCapacity, EventsAfterCloseAreIgnoredUntilReset)
{
    RecordBuffer buffer;
    noteOn(buffer, 0, 60, 100, at(0));
    controller(buffer, 0, 4, 10, at(5));
    Recording recording = buffer.close();
    EXPECT_EQ(recording.events.size(), 2u);
    EXPECT_EQ(buffer.count(), 2) << "the run's count survives the hand-over";

    EXPECT_EQ(release(buffer, 0, 60, at(20)), RecordOutcome::Ignored);
    EXPECT_EQ(controller(buffer, 0, 4, 11, at(21)), RecordOutcome::Ignored);
    EXPECT_EQ(buffer.recordSysex(std::vector<std::uint8_t>{0x7E, 0xF7}, at(22)), RecordOutcome::Ignored);
    EXPECT_TRUE(buffer.close().events.empty()) << "a second close hands over nothing again";
    EXPECT_EQ(recording.events[0].length, kDefaultEventLength);

    buffer.reset();
    EXPECT_EQ(buffer.count(), 0);
    EXPECT_EQ(release(buffer, 0, 60, at(30)), RecordOutcome::Ignored) << "no slot survives a reset";
    EXPECT_EQ(noteOn(buffer, 0, 61, 100, at(40)), RecordOutcome::Stored);
    EXPECT_EQ(buffer.close().events.size(), 1u);
}

// Two inputs record while the stop sequence closes the buffer: every event that was
// reported stored is handed over exactly once, in its sender's order, and nothing else.
TEST(RecordBufferCapacity, ConcurrentRecordingAndCloseLoseNothing)
{
    constexpr int kPerThread = 8000; // together more than the buffer holds
    RecordBuffer buffer;
    std::atomic<int> filledReports{0};
    std::vector<std::vector<int>> stored(2);
    Recording recording;

    const auto sender = [&](int channel) {
        for (int sequence = 0; sequence < kPerThread; ++sequence) {
            const RecordOutcome outcome = controller(buffer, channel, sequence >> 7, sequence & 0x7F, at(sequence));
            if (outcome == RecordOutcome::BufferFilled)
                filledReports.fetch_add(1);
            if (outcome == RecordOutcome::Stored || outcome == RecordOutcome::BufferFilled)
                stored[static_cast<std::size_t>(channel)].push_back(sequence);
        }
    };
    std::thread first(sender, 0);
    std::thread second(sender, 1);
    std::thread stopper([&] {
        while (buffer.count() < kRecordBufferSize / 2)
            std::this_thread::yield();
        recording = buffer.close();
    });
    first.join();
    second.join();
    stopper.join();

    const std::size_t reported = stored[0].size() + stored[1].size();
    EXPECT_EQ(recording.events.size(), reported);
    EXPECT_EQ(buffer.count(), static_cast<int>(reported));
    EXPECT_LE(reported, static_cast<std::size_t>(kRecordBufferSize));
    EXPECT_EQ(filledReports.load(), recording.full ? 1 : 0);

    std::vector<std::vector<int>> handedOver(2);
    for (const MidiEvent& event : recording.events) {
        ASSERT_LT(event.channel(), 2);
        handedOver[static_cast<std::size_t>(event.channel())].push_back(event.data1 * 128 + event.data2);
        EXPECT_EQ(event.tick, handedOver[static_cast<std::size_t>(event.channel())].back());
    }
    EXPECT_EQ(handedOver[0], stored[0]);
    EXPECT_EQ(handedOver[1], stored[1]);
}

// ---- merging into the track ----

class MergeRecordingTest : public ::testing::Test {
protected:
    // "tick:data2" of every event of the track.
    std::vector<std::pair<int, int>> contents() const
    {
        std::vector<std::pair<int, int>> result;
        for (const MidiEvent& event : track.events())
            result.emplace_back(event.tick, event.data2);
        return result;
    }
    static MidiEvent event(int tick, int mark) { return MidiEvent::channelEvent(tick, 0xB0, 4, byte(mark)); }

    Track track;
};

TEST_F(MergeRecordingTest, RecordsGoBehindEventsOfTheSameTickAndExistingEventsStay)
{
    track.append(event(0, 1));
    track.append(event(100, 2));
    track.append(event(100, 3));
    track.append(event(300, 4));
    const std::vector<MidiEvent> recorded{event(0, 50), event(100, 51), event(100, 52), event(200, 53), event(400, 54)};
    EXPECT_EQ(mergeRecording(track, recorded), 5);
    EXPECT_EQ(contents(),
              (std::vector<std::pair<int, int>>{
                  {0, 1}, {0, 50}, {100, 2}, {100, 3}, {100, 51}, {100, 52}, {200, 53}, {300, 4}, {400, 54}}));
}

TEST_F(MergeRecordingTest, DecreasingTicksAreStillPutInOrder)
{
    track.append(event(0, 1));
    track.append(event(500, 2));
    // The count-in stores at the start tick, so a run may hand over ticks that go back.
    const std::vector<MidiEvent> recorded{event(600, 50), event(700, 51), event(100, 52), event(100, 53),
                                          event(550, 54)};
    EXPECT_EQ(mergeRecording(track, recorded), 5);
    EXPECT_EQ(contents(), (std::vector<std::pair<int, int>>{
                              {0, 1}, {100, 52}, {100, 53}, {500, 2}, {550, 54}, {600, 50}, {700, 51}}));
}

TEST_F(MergeRecordingTest, EmptyTrackAndEmptyRecording)
{
    EXPECT_EQ(mergeRecording(track, {}), 0);
    EXPECT_TRUE(track.empty());
    const std::vector<MidiEvent> recorded{event(10, 1), event(10, 2)};
    EXPECT_EQ(mergeRecording(track, recorded), 2);
    EXPECT_EQ(contents(), (std::vector<std::pair<int, int>>{{10, 1}, {10, 2}}));
}

} // namespace
} // namespace velisto
