#include "midi/ProgramIndex.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include <climits>
#include <memory>

namespace velisto {
namespace {

ProgramRecord at(int program, int track, std::int32_t tick, int eventIndex, int flags = 0)
{
    return {program, track, tick, eventIndex, 0, 0, flags};
}

TEST(ProgramIndex, StartsWithProgramZeroAndChannel10AsDrum)
{
    const ProgramIndex index;
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(index.programAt(0, 1000, 0, 0), ProgramAtEvent{});
    const ProgramAtEvent drum = index.programAt(9, 0, 0, 0);
    EXPECT_TRUE(drum.drum);
    EXPECT_FALSE(drum.recorded);
    EXPECT_FALSE(index.programAt(16, 0, 0, 0).drum);
}

TEST(ProgramIndex, RecordsOutsideTheChannelsAreRefused)
{
    ProgramIndex index;
    EXPECT_FALSE(index.record(16, at(1, 0, 0, 0)));
    EXPECT_FALSE(index.record(-1, at(1, 0, 0, 0)));
    EXPECT_TRUE(index.empty());
    EXPECT_TRUE(index.records(16).empty());
}

TEST(ProgramIndex, QueryWalksUpToTheEventWithTiesByTrackThenIndex)
{
    ProgramIndex index;
    index.record(0, at(10, 2, 0, 0));
    index.record(0, at(20, 1, 480, 5));
    index.record(0, at(30, 3, 480, 2));
    index.record(0, at(40, 3, 480, 4));
    index.record(0, at(50, 0, 960, 9));

    EXPECT_EQ(index.programAt(0, 479, 0, 100).program, 10);
    // At tick 480: a lower track's selection counts, a higher track's not yet.
    EXPECT_EQ(index.programAt(0, 480, 0, 0).program, 10);
    EXPECT_EQ(index.programAt(0, 480, 2, 99).program, 20);
    // Within track 3: by event index; the selecting event sees its own selection.
    EXPECT_EQ(index.programAt(0, 480, 3, 3).program, 30);
    EXPECT_EQ(index.programAt(0, 480, 3, 4).program, 40);
    EXPECT_EQ(index.programAt(0, 480, 4, 0).program, 40);
    EXPECT_EQ(index.programAt(0, 5000, 0, 0).program, 50);
    EXPECT_TRUE(index.programAt(0, 0, 2, 0).recorded);
    EXPECT_FALSE(index.programAt(0, 0, 1, 0).recorded);
    EXPECT_EQ(index.programAt(1, 5000, 0, 0).program, 0) << "channels are separate";
}

TEST(ProgramIndex, OutOfOrderRecordsAndSeveralAtOneEvent)
{
    ProgramIndex index;
    index.record(9, at(5, 0, 960, 0, ProgramFlag::Drum));
    index.record(9, at(3, 0, 100, 0));
    // Two parts on the channel answer one program change: the later record wins.
    index.record(9, at(7, 0, 100, 0, ProgramFlag::Drum | ProgramFlag::Effect));

    const ProgramAtEvent early = index.programAt(9, 500, 0, 0);
    EXPECT_EQ(early.program, 7);
    EXPECT_TRUE(early.drum);
    EXPECT_TRUE(early.effect);
    EXPECT_EQ(index.programAt(9, 960, 0, 0).program, 5);

    index.clear();
    EXPECT_TRUE(index.empty());
    EXPECT_TRUE(index.programAt(9, 960, 0, 0).drum) << "back to the start answer";
}

TEST(ProgramIndex, RecordsInOrderAnswerAsRecordsOutOfOrderDo)
{
    // The same selections recorded in position order (searched) and backwards (scanned).
    std::mt19937 random(17);
    std::vector<ProgramRecord> records;
    for (int i = 0; i < 300; ++i)
        records.push_back(at(i % 128, static_cast<int>(random() % 8), i * 37 % 4000, static_cast<int>(random() % 50)));
    std::sort(records.begin(), records.end(), [](const ProgramRecord& a, const ProgramRecord& b) {
        return std::tuple(a.tick, a.track, a.eventIndex) < std::tuple(b.tick, b.track, b.eventIndex);
    });
    records.erase(std::unique(records.begin(), records.end(),
                              [](const ProgramRecord& a, const ProgramRecord& b) {
                                  return std::tuple(a.tick, a.track, a.eventIndex) ==
                                         std::tuple(b.tick, b.track, b.eventIndex);
                              }),
                  records.end());
    ProgramIndex ordered;
    ProgramIndex backwards;
    for (const ProgramRecord& record : records)
        ordered.record(3, record);
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        backwards.record(3, *it);
    for (int query = 0; query < 2000; ++query) {
        const auto tick = static_cast<std::int32_t>(random() % 4100);
        const int track = static_cast<int>(random() % 8);
        const int index = static_cast<int>(random() % 50);
        ASSERT_EQ(ordered.programAt(3, tick, track, index), backwards.programAt(3, tick, track, index))
            << tick << " " << track << " " << index;
    }

    // Several records at one event in order: the last one made still wins.
    ProgramIndex ties;
    ties.record(0, at(1, 0, 100, 0));
    ties.record(0, at(2, 0, 100, 0));
    EXPECT_EQ(ties.programAt(0, 100, 0, 0).program, 2);
}

TEST(ProgramIndex, SelectionsKeepBankAndKitFlags)
{
    ProgramIndex index;
    ProgramSelection kit;
    kit.program = 48;
    kit.bankMsb = 126;
    kit.rhythm = true;
    kit.effect = true;
    ASSERT_TRUE(index.record(3, kit, 4, 240, 12));
    EXPECT_EQ(index.records(3)[0], (ProgramRecord{48, 4, 240, 12, 126, 0, ProgramFlag::Drum | ProgramFlag::Effect}));
}

TEST(ProgramIndex, SongQueryUsesTheEventChannelAndTheTickOffset)
{
    auto song = std::make_unique<Song>();
    Track& track = song->tracks[1];
    track.channel = 5;
    track.tickOffset = 30;
    track.append(MidiEvent::note(100, 2, 60, 100, 10));
    track.append(MidiEvent::textEvent(100, EventKind::Text, "verse"));

    ProgramIndex index;
    index.record(2, at(11, 0, 120, 0)); // sent before the note: 100 + 30 = 130
    index.record(2, at(12, 0, 131, 0));
    index.record(5, at(13, 0, 0, 0));

    EXPECT_EQ(index.programAt(*song, 1, 0).program, 11);
    EXPECT_EQ(index.programAt(*song, 1, 1).program, 13) << "a text event uses the track's channel";
    EXPECT_FALSE(index.programAt(*song, 1, 2).recorded) << "no such event";
    EXPECT_FALSE(index.programAt(*song, 256, 0).recorded);
}

} // namespace
} // namespace velisto
