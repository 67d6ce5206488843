#include "midi/TrackBlocks.h"

#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <memory>
#include <algorithm>
#include <set>
#include <tuple>

namespace velisto {
namespace {

class TrackBlocksTest : public ::testing::Test {
protected:
    std::int32_t bar(int measure) const { return measureStart(*song_, measure); }
    void add(int track, MidiEvent event) { song_->tracks[static_cast<std::size_t>(track)].insertSorted(event); }

    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    ProgramIndex index_;
};

TEST_F(TrackBlocksTest, RunsWithAProgramChangeTextAndHeldMeasures)
{
    add(0, MidiEvent::channelEvent(bar(1), EventKind::ProgramChange, 40, 0));
    add(0, MidiEvent::note(bar(1) + 5, 0, 60, 100, 10));
    add(0, MidiEvent::note(bar(3) + 5, 0, 60, 100, 10));
    add(0, MidiEvent::textEvent(bar(5), EventKind::Text, "verse"));
    index_.record(0, ProgramRecord{40, 0, bar(1), 0, 0, 0, 0});

    const auto runs = trackBlockRuns(*song_, index_, 0, 0, 7);
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].kind, BlockKind::Empty);
    EXPECT_EQ(runs[1].kind, BlockKind::Instrument);
    EXPECT_EQ(runs[1].program.program, 40);
    EXPECT_EQ(runs[2].kind, BlockKind::Holding);
    EXPECT_EQ(runs[2].program.program, 40);
    EXPECT_EQ(runs[3].kind, BlockKind::Instrument);
    EXPECT_EQ(runs[5].kind, BlockKind::TextOnly);
    EXPECT_EQ(runs[6], (BlockRun{6, 7, BlockKind::Holding, runs[2].program}));
    EXPECT_EQ(instrumentName(MidiMode::GM, runs[1].program), gmProgramName(40));
}

TEST_F(TrackBlocksTest, EventsWithoutInstrumentAndARunEnteringFromTheLeft)
{
    song_->tracks[1].channel = 2;
    for (int m = 0; m < 4; ++m)
        add(1, MidiEvent::note(bar(m), 2, 64, 90, 100));
    const auto plain = trackBlockRuns(*song_, index_, 1, 0, 4);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0], (BlockRun{0, 3, BlockKind::NoInstrument, {}}));
    EXPECT_EQ(plain[1].kind, BlockKind::Empty);

    // A program change left of the range still names the run that enters it.
    index_.record(2, ProgramRecord{12, 1, 0, 0, 0, 0, 0});
    const auto entering = trackBlockRuns(*song_, index_, 1, 2, 3);
    ASSERT_EQ(entering.size(), 1u);
    EXPECT_EQ(entering[0].firstMeasure, 2);
    EXPECT_EQ(entering[0].kind, BlockKind::Instrument);
    EXPECT_EQ(entering[0].program.program, 12);
}

TEST_F(TrackBlocksTest, DrumKitsAndEffectKitsAreNamedByTheirStandard)
{
    song_->tracks[4].channel = 9;
    add(4, MidiEvent::note(bar(0), 9, 36, 100, 10));
    index_.record(9, ProgramRecord{8, 4, 0, 0, 0, 0, ProgramFlag::Drum});
    const auto runs = trackBlockRuns(*song_, index_, 4, 0, 0);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_TRUE(runs[0].program.drum);
    EXPECT_EQ(instrumentName(MidiMode::GS, runs[0].program), drumKitName(MidiMode::GS, 8));
    EXPECT_FALSE(instrumentName(MidiMode::GS, runs[0].program).empty());

    ProgramAtEvent sfx;
    sfx.program = 0;
    sfx.drum = true;
    sfx.effect = true;
    EXPECT_EQ(instrumentName(MidiMode::XG, sfx), xgSfxKitName(0));
}

TEST(TrackBlocksColourTest, NeighbouringProgramsGetDifferentColours)
{
    std::set<std::tuple<int, int, int>> colours;
    for (int p = 0; p < 128; ++p) {
        ProgramAtEvent program;
        program.program = p;
        const RgbColour c = programColour(program);
        colours.insert({c.red, c.green, c.blue});
        EXPECT_LE(std::max({c.red, c.green, c.blue}), 200) << p; // white text stays readable
    }
    EXPECT_EQ(colours.size(), 128u);
}

} // namespace
} // namespace velisto
