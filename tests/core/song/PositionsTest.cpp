#include "song/Positions.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>

namespace velisto {
namespace {

constexpr std::int32_t kMaxTick = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinTick = std::numeric_limits<std::int32_t>::min();

struct Meter {
    int measure;
    int numerator;
    int denominator;
};

struct Tempo {
    std::int32_t tick;
    double bpm;
};

void setMeters(Song& song, std::initializer_list<Meter> meters)
{
    song.meterList.clear();
    for (const Meter& m : meters)
        song.meterList.push_back(MeterEntry{m.numerator, m.denominator, m.measure});
}

void setTempos(Song& song, std::initializer_list<Tempo> tempos)
{
    song.tempoList.clear();
    for (const Tempo& t : tempos)
        song.tempoList.push_back(TempoEntry{t.bpm, t.tick});
}

Song songWith(int ppq, std::initializer_list<Meter> meters)
{
    Song song;
    song.ppq = ppq;
    setMeters(song, meters);
    return song;
}

// Every tick maps to a valid position that maps back to it, and the measure queries agree
// with each other around it.
void expectConsistentAt(const Song& song, std::int32_t tick)
{
    const Position p = tickToPosition(song, tick);
    const PositionCheck back = positionToTick(song, p.measure, p.beat, p.tick);
    ASSERT_TRUE(back.valid()) << "tick " << tick << ": " << back.message;
    ASSERT_EQ(back.tick, tick);
    const std::int32_t start = measureStart(song, p.measure);
    ASSERT_EQ(measureOfTick(song, tick), p.measure);
    ASSERT_LE(start, tick);
    ASSERT_EQ(measureStart(song, p.measure + 1) - start, measureLength(song, tick)) << "tick " << tick;
    ASSERT_EQ(measureLength(song, tick), beatsInMeasure(song, tick) * beatLength(song, tick));
    ASSERT_EQ(tick - start, p.beat * beatLength(song, tick) + p.tick);
}

TEST(PositionsTest, TicksPerBeatFollowsTheNoteValue)
{
    EXPECT_EQ(ticksPerBeat(480, 1), 1920);
    EXPECT_EQ(ticksPerBeat(480, 2), 960);
    EXPECT_EQ(ticksPerBeat(480, 4), 480);
    EXPECT_EQ(ticksPerBeat(480, 8), 240);
    EXPECT_EQ(ticksPerBeat(480, 16), 120);
    EXPECT_EQ(ticksPerBeat(480, 32), 60);
    EXPECT_EQ(ticksPerBeat(100, 32), 12) << "integer division";
    EXPECT_EQ(ticksPerBeat(96, 3), 128) << "other note values use 4 x ppq / denominator";
    EXPECT_EQ(ticksPerBeat(96, 64), 6);
    EXPECT_EQ(ticksPerBeat(96, 0), 96) << "no note value counts as a quarter";
    EXPECT_EQ(ticksPerBeat(96, -8), 96);
    EXPECT_EQ(ticksPerBeat(1, 32), 1) << "a beat never has 0 ticks";
    EXPECT_EQ(ticksPerBeat(32767, 1), 131068);
}

TEST(PositionsTest, ThreeEightAtPpq96)
{
    const Song song = songWith(96, {{0, 3, 8}});
    EXPECT_EQ(beatLength(song, 150), 48);
    EXPECT_EQ(measureLength(song, 150), 144);
    EXPECT_EQ(tickToPosition(song, 150), (Position{1, 0, 6}));
    EXPECT_EQ(positionText(song, 150), "0002:01:006");
    EXPECT_EQ(positionText(song, 0), "0001:01:000");
    EXPECT_EQ(positionText(song, 143), "0001:03:047");
}

TEST(PositionsTest, FourFourAtPpq480)
{
    const Song song = songWith(480, {{0, 4, 4}});
    EXPECT_EQ(positionText(song, 1000), "0001:03:040");
    EXPECT_EQ(positionText(song, 1920), "0002:01:000");
}

TEST(PositionsTest, SixEightAfterFourFourStartsAtItsMeasure)
{
    const Song song = songWith(480, {{0, 4, 4}, {2, 6, 8}});
    EXPECT_EQ(measureStart(song, 2), 3840);
    EXPECT_EQ(positionText(song, 4080), "0003:02:000");
    // Both sides of the change.
    EXPECT_EQ(tickToPosition(song, 3839), (Position{1, 3, 479}));
    EXPECT_EQ(tickToPosition(song, 3840), (Position{2, 0, 0}));
    EXPECT_EQ(measureLength(song, 3839), 1920);
    EXPECT_EQ(measureLength(song, 3840), 1440);
    EXPECT_EQ(beatsInMeasure(song, 3839), 4);
    EXPECT_EQ(beatsInMeasure(song, 3840), 6);
    EXPECT_EQ(beatLength(song, 3840), 240);
    EXPECT_EQ(measureStart(song, 3), 5280);
    EXPECT_EQ(measureOfTick(song, 5279), 2);
    EXPECT_EQ(measureOfTick(song, 5280), 3);
    // The last meter runs on without end, past measure 9999.
    EXPECT_EQ(measureStart(song, 12000), 3840 + 11998 * 1440);
    EXPECT_EQ(positionText(song, 3840 + 9998 * 1440), "10001:01:000");
}

TEST(PositionsTest, PositionCheckMessagesInOrder)
{
    const Song song = songWith(480, {{0, 4, 4}, {2, 6, 8}});
    EXPECT_EQ(positionToTick(song, -1, -1, -1).message, "measure minimum is 1");
    EXPECT_EQ(positionToTick(song, 0, -1, -1).message, "beat minimum is 1");
    EXPECT_EQ(positionToTick(song, 0, 9, -1).message, "tick minimum is 0");
    EXPECT_EQ(positionToTick(song, 0, 4, 0).message, "beat maximum is 4");
    EXPECT_EQ(positionToTick(song, 0, 4, 480).message, "beat maximum is 4");
    EXPECT_EQ(positionToTick(song, 0, 0, 480).message, "tick maximum is 479");
    EXPECT_EQ(positionToTick(song, 2, 6, 0).message, "beat maximum is 6");
    EXPECT_EQ(positionToTick(song, 5, 0, 240).message, "tick maximum is 239");

    const PositionCheck valid = positionToTick(song, 2, 5, 239);
    EXPECT_TRUE(valid.valid());
    EXPECT_EQ(valid.tick, 3840 + 5 * 240 + 239);
    EXPECT_EQ(positionToTick(song, 1, 3, 479).tick, 3839);
    EXPECT_EQ(positionToTick(song, 0, 5, 0).tick, 0) << "a refused position gives no tick";
}

TEST(PositionsTest, PositionsBeyondTheTickRangeAreRefused)
{
    const Song song = songWith(480, {{0, 4, 4}});
    // 1118481 whole 4/4 measures of 1920 ticks fit below 2^31; the next one does not.
    const PositionCheck last = positionToTick(song, 1118480, 3, 479);
    ASSERT_TRUE(last.valid()) << last.message;
    EXPECT_EQ(last.tick, 1118481 * 1920 - 1);
    EXPECT_EQ(positionToTick(song, 1118481, 0, 0).message, "measure maximum is 1118481");
    EXPECT_EQ(positionToTick(song, std::numeric_limits<int>::max(), 0, 0).message, "measure maximum is 1118481");
    EXPECT_EQ(measureStart(song, std::numeric_limits<int>::max()), kMaxTick) << "saturates";
    EXPECT_EQ(measureStart(song, std::numeric_limits<int>::min()), kMinTick) << "saturates";
    EXPECT_EQ(tickToPosition(song, kMaxTick), (Position{1118481, 0, 127}));
    EXPECT_EQ(positionText(song, kMaxTick), "1118482:01:127");
}

TEST(PositionsTest, RoundTripsAcrossMeterSections)
{
    const Song song = songWith(96, {{0, 4, 4}, {2, 3, 4}, {5, 7, 8}, {7, 5, 16}, {9, 2, 2}, {11, 3, 1}, {13, 9, 32}});
    const std::int32_t starts[] = {0, 768, 1632, 2304, 2544, 3312, 5616};
    const int measures[] = {0, 2, 5, 7, 9, 11, 13};
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        EXPECT_EQ(measureStart(song, measures[i]), starts[i]);
        EXPECT_EQ(tickToPosition(song, starts[i]), (Position{measures[i], 0, 0}));
        if (i > 0) {
            EXPECT_EQ(measureOfTick(song, starts[i] - 1), measures[i] - 1);
        }
    }
    for (std::int32_t tick = 0; tick < 7000; ++tick)
        ASSERT_NO_FATAL_FAILURE(expectConsistentAt(song, tick));
}

TEST(PositionsTest, ImperfectMeterListsAreReadSafely)
{
    const Song sorted = songWith(480, {{0, 4, 4}, {2, 3, 4}, {4, 6, 8}});
    const Song unsorted = songWith(480, {{4, 6, 8}, {0, 4, 4}, {2, 3, 4}});
    for (std::int32_t tick = -2000; tick < 20000; tick += 37)
        ASSERT_EQ(tickToPosition(unsorted, tick), tickToPosition(sorted, tick)) << tick;

    const Song doubled = songWith(480, {{0, 4, 4}, {0, 3, 4}, {2, 6, 8}});
    EXPECT_EQ(measureLength(doubled, 0), 1440) << "the later entry for a measure counts";
    EXPECT_EQ(measureStart(doubled, 2), 2880);

    const Song none = songWith(480, {});
    EXPECT_EQ(measureLength(none, 5000), 1920) << "no meter reads as 4/4";
    EXPECT_EQ(positionText(none, 1000), "0001:03:040");

    const Song lateFirst = songWith(480, {{3, 3, 4}, {5, 4, 4}});
    EXPECT_EQ(measureLength(lateFirst, 0), 1440) << "the first meter also covers the measures before it";
    EXPECT_EQ(measureStart(lateFirst, 5), 5 * 1440);

    const Song negative = songWith(480, {{-3, 2, 4}, {0, -5, 4}, {2, 6, 8}});
    EXPECT_EQ(measureLength(negative, 0), 480) << "a numerator below 1 counts as 1";
    EXPECT_EQ(measureStart(negative, 2), 960);

    Song afterGap = songWith(480, {{0, 4, 4}, {2, 3, 4}});
    afterGap.meterList.insert(afterGap.meterList.end(), {MeterEntry{}, MeterEntry{7, 8, 1}});
    EXPECT_EQ(measureLength(afterGap, 100000), 1440) << "the list ends at its first free entry";

    // ppq 1 with 1/32 would give beats of 0 ticks; every tick still advances.
    const Song tiny = songWith(1, {{0, 1, 32}});
    EXPECT_EQ(tickToPosition(tiny, 5), (Position{5, 0, 0}));
    EXPECT_EQ(positionToTick(tiny, 5, 0, 0).tick, 5);
    EXPECT_EQ(tickToPosition(tiny, kMaxTick).measure, kMaxTick);
    EXPECT_EQ(positionText(tiny, kMaxTick), "2147483648:01:000");

    // Huge meters must not overflow.
    const Song huge = songWith(32767, {{0, std::numeric_limits<std::int32_t>::max(), 1}, {1, 4, 4}});
    EXPECT_EQ(measureLength(huge, 0), kMaxTick);
    EXPECT_EQ(tickToPosition(huge, kMaxTick).measure, 0);
    EXPECT_EQ(measureStart(huge, 1), kMaxTick);
    EXPECT_EQ(positionToTick(huge, 0, 5, 0).message, "measure maximum is 0") << "no whole measure fits";
    const Song hugeOnly = songWith(32767, {{0, std::numeric_limits<std::int32_t>::max(), 1}});
    EXPECT_EQ(measureStart(hugeOnly, std::numeric_limits<int>::max()), kMaxTick);
    EXPECT_EQ(measureStart(hugeOnly, std::numeric_limits<int>::min()), kMinTick);
}

TEST(PositionsTest, NegativeTicksExtendTheFirstMeterBackwards)
{
    const Song song = songWith(480, {{0, 4, 4}, {1, 3, 4}});
    EXPECT_EQ(tickToPosition(song, -1), (Position{-1, 3, 479}));
    EXPECT_EQ(positionText(song, -1), "0000:04:479");
    EXPECT_EQ(tickToPosition(song, -1920), (Position{-1, 0, 0}));
    EXPECT_EQ(positionText(song, -1921), "-001:04:479");
    EXPECT_EQ(measureOfTick(song, -30), -1);
    EXPECT_EQ(measureStart(song, -2), -3840);
    EXPECT_EQ(measureLength(song, -30), 1920);
    EXPECT_EQ(tickToPosition(song, kMinTick).measure, -1118482);
}

TEST(PositionsTest, MeterListOfSeveralHundredEntries)
{
    Song song = songWith(120, {});
    for (int i = 0; i < 310; ++i)
        song.meterList.push_back(MeterEntry{1 + i % 7, 1 << (i % 6), 3 * i});
    // Entry 309 (measure 927) is 2/8: 60 ticks a beat, and it runs to the end.
    const std::int32_t lastStart = measureStart(song, 927);
    EXPECT_EQ(tickToPosition(song, lastStart + 5 * 120 + 61), (Position{932, 1, 1}));
    EXPECT_EQ(beatsInMeasure(song, lastStart - 1), 1) << "entry 308 is 1/4";
    for (std::int32_t tick = 0; tick < lastStart + 2000; tick += 13)
        ASSERT_NO_FATAL_FAILURE(expectConsistentAt(song, tick));
}

TEST(PositionsTest, MillisecondsAtOneTempo)
{
    Song song;
    song.ppq = 480;
    setTempos(song, {{0, 120.0}});
    EXPECT_EQ(tickToMilliseconds(song, 480), 500.0) << "exact, so that 500 ms is tick 480";
    EXPECT_EQ(tickToMilliseconds(song, 0), 0.0);
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, -480), -500.0);
    EXPECT_EQ(millisecondsToTick(song, 500.0), 480);
    EXPECT_EQ(millisecondsToTick(song, 500.9), 480) << "the tick in progress, truncated";
    EXPECT_EQ(millisecondsToTick(song, 499.99), 479);
    EXPECT_EQ(millisecondsToTick(song, -0.5), -1) << "before the start rounds to the earlier tick";
    EXPECT_EQ(millisecondsToTick(song, std::nan("")), 0);
    EXPECT_EQ(millisecondsToTick(song, HUGE_VAL), kMaxTick);
    EXPECT_EQ(millisecondsToTick(song, -HUGE_VAL), kMinTick);
    EXPECT_EQ(millisecondsToTick(song, 1e300), kMaxTick);
}

TEST(PositionsTest, MillisecondsAcrossTempoChanges)
{
    Song song;
    song.ppq = 480;
    setTempos(song, {{0, 120.0}, {960, 60.0}, {1920, 240.0}});
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, 960), 1000.0);
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, 1440), 2000.0);
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, 1920), 3000.0);
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, 2400), 3250.0);
    EXPECT_DOUBLE_EQ(tickToMilliseconds(song, -960), -1000.0) << "the first tempo covers negative ticks";
    EXPECT_EQ(millisecondsToTick(song, 1500.0), 1200);
    EXPECT_EQ(millisecondsToTick(song, 3250.0), 2400);

    // The first tempo also covers the ticks before it; entries out of order are read as if
    // sorted, invalid ones are left out, and of two at one tick the later counts.
    Song odd;
    odd.ppq = 480;
    setTempos(odd, {{960, 30.0}, {100, 120.0}, {1200, -5.0}, {960, 60.0}, {1500, std::nan("")}, {1920, 240.0}});
    Song doubled;
    doubled.ppq = 480;
    setTempos(doubled, {{0, 120.0}, {960, 30.0}, {960, 60.0}, {1920, 240.0}});
    for (std::int32_t tick = -500; tick < 4000; tick += 50) {
        ASSERT_DOUBLE_EQ(tickToMilliseconds(odd, tick), tickToMilliseconds(song, tick)) << tick;
        ASSERT_DOUBLE_EQ(tickToMilliseconds(doubled, tick), tickToMilliseconds(song, tick)) << tick;
    }

    Song none;
    none.ppq = 480;
    setTempos(none, {});
    EXPECT_DOUBLE_EQ(tickToMilliseconds(none, 480), 500.0) << "no tempo reads as 120 BPM";
}

TEST(PositionsTest, MillisecondsRoundTripUnderSeveralTempos)
{
    Song song;
    song.ppq = 96;
    setTempos(song, {{0, 97.531}, {1000, 33.333}, {1001, 240.0}, {5000, 7.5}, {70000, 999.999}});
    double previous = -HUGE_VAL;
    for (std::int32_t tick = -3000; tick < 100000; ++tick) {
        const double ms = tickToMilliseconds(song, tick);
        ASSERT_GT(ms, previous) << tick;
        previous = ms;
        ASSERT_EQ(millisecondsToTick(song, ms), tick) << tick;
        ASSERT_EQ(millisecondsToTick(song, std::nextafter(ms, -HUGE_VAL)), tick - 1) << tick;
    }
    for (const std::int32_t tick : {kMaxTick, kMaxTick - 1, 1 << 30, kMinTick, kMinTick + 1, -(1 << 30)})
        EXPECT_EQ(millisecondsToTick(song, tickToMilliseconds(song, tick)), tick) << tick;

    // The same at high resolution and a fractional tempo.
    song.ppq = 32767;
    setTempos(song, {{0, 97.531}, {123457, 141.07}});
    for (std::int32_t tick = 0; tick < 300000; tick += 13)
        ASSERT_EQ(millisecondsToTick(song, tickToMilliseconds(song, tick)), tick) << tick;
    EXPECT_NEAR(tickToMilliseconds(song, 32767), 60000.0 / 97.531, 1e-9);
}

TEST(PositionsTest, KeyModeInForce)
{
    Song song;
    song.keyList.clear();
    EXPECT_EQ(keyModeAtTick(song, 0), "");
    song.keyList = {
        {1, 0, 100}, {0, -3, 500}, {1, 2, 900}, {}, {0, 1, 950}}; // behind the first free entry: not part of the list
    EXPECT_EQ(keyModeAtTick(song, 99), "") << "before the first key entry";
    EXPECT_EQ(keyModeAtTick(song, 100), "dur");
    EXPECT_EQ(keyModeAtTick(song, 499), "dur");
    EXPECT_EQ(keyModeAtTick(song, 500), "moll");
    EXPECT_EQ(keyModeAtTick(song, 1000), "dur");
    EXPECT_EQ(keyModeAtTick(song, -5), "");
    song.keyList[3] = KeyEntry{0, 2, 900};
    EXPECT_EQ(keyModeAtTick(song, 940), "moll") << "the later of two entries at one tick";
}

} // namespace
} // namespace velisto
