#include "edit/ValueChange.h"

#include "song/Song.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

EditScope scopeOf(std::int32_t start, std::int32_t end)
{
    return {Selection{0, 0, 0, 0}, SelectionTicks{start, end}, EventFilterSettings{}};
}

ValueChangeOptions percentOf(ValueTarget target, int percent, int parameter = 0)
{
    ValueChangeOptions options;
    options.target = target;
    options.percent = true;
    options.constant = percent;
    options.parameter = parameter;
    return options;
}

TEST(ValueChangeTest, PercentScalesWithIntegerDivisionAndVelocityFloor)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::note(0, 0, 60, 100, 10));
    track.append(MidiEvent::channelEvent(0, EventKind::Controller, 7, 3));
    track.append(MidiEvent::channelEvent(0, EventKind::Controller, 10, 3));
    EXPECT_TRUE(changeValues(song, scopeOf(0, 100), percentOf(ValueTarget::Velocity, 50)));
    EXPECT_EQ(track.event(0).data2, 127);
    EXPECT_TRUE(changeValues(song, scopeOf(0, 100), percentOf(ValueTarget::Velocity, -100)));
    EXPECT_EQ(track.event(0).data2, 1);
    EXPECT_TRUE(changeValues(song, scopeOf(0, 100), percentOf(ValueTarget::Controller, -50, 7)));
    EXPECT_EQ(track.event(1).data2, 2);
    EXPECT_EQ(track.event(2).data2, 3);
    EXPECT_FALSE(changeValues(song, scopeOf(0, 100), percentOf(ValueTarget::Nrpn, -50, 7)));
}

TEST(ValueChangeTest, ConstantsAndTheirChecks)
{
    ValueChangeOptions options;
    options.signedRange = true;
    options.constant = 63;
    EXPECT_EQ(checkValueChange(options), "");
    EXPECT_EQ(changedValue(options, {0, 100}, 0, 10), 127);
    options.constant = -64;
    EXPECT_EQ(changedValue(options, {0, 100}, 0, 10), 0);
    options.constant = 64;
    EXPECT_EQ(checkValueChange(options), "Fix value out of range (-64/63)");
    options.signedRange = false;
    EXPECT_EQ(checkValueChange(options), "");
    options.constant = 128;
    EXPECT_EQ(checkValueChange(options), "Fix value out of range (0/127)");
    options.percent = true;
    options.constant = -101;
    EXPECT_EQ(checkValueChange(options), "Percent expression out of range (-100/+100)");
    options.useCurve = true;
    EXPECT_EQ(checkValueChange(options), "");
}

TEST(ValueChangeTest, FallingCurveRunsFromTopToBottom)
{
    ValueChangeOptions options;
    options.useCurve = true;
    for (int i = 0; i < kCurvePoints; ++i)
        options.curve[static_cast<std::size_t>(i)] = kCurveTop - i * kCurveTop / (kCurvePoints - 1);
    const SelectionTicks ticks{1000, 2990};
    EXPECT_EQ(changedValue(options, ticks, 1000, 5), 127);
    EXPECT_NEAR(changedValue(options, ticks, 1995, 5), 64, 1);
    EXPECT_EQ(changedValue(options, ticks, 2990, 5), 0);
    // Percent from the curve: the top doubles, the bottom clears.
    options.percent = true;
    EXPECT_EQ(changedValue(options, ticks, 1000, 40), 80);
    EXPECT_EQ(changedValue(options, ticks, 2990, 40), 0);
}

TEST(ValueChangeTest, DrumNrpnNeedsIndexAndKey)
{
    Song song;
    Track& track = song.tracks[0];
    track.append(MidiEvent::drumNrpn(0, 9, 2, 36, 64));
    track.append(MidiEvent::drumNrpn(0, 9, 2, 38, 64));
    ValueChangeOptions options;
    options.target = ValueTarget::DrumNrpn;
    options.parameter = 2;
    options.drumKey = 38;
    options.constant = 10;
    EXPECT_TRUE(changeValues(song, scopeOf(0, 10), options));
    EXPECT_EQ(track.event(0).data2, 64);
    EXPECT_EQ(track.event(1).data2, 10);
}

TEST(ValueChangeTest, KeyBasedValueIsTakenFromThePairsOnly)
{
    Song song;
    Track& track = song.tracks[0];
    // Channel 7, key 7: header bytes that equal the controller number 7 must not be taken.
    track.append(MidiEvent::sysexEvent(0, {0x7F, 0x7F, 0x0A, 0x01, 0x07, 0x07, 0x0A, 0x20, 0x07, 0x50, 0xF7}));
    // Another key.
    track.append(MidiEvent::sysexEvent(0, {0x7F, 0x7F, 0x0A, 0x01, 0x07, 0x08, 0x07, 0x50, 0xF7}));
    ValueChangeOptions options;
    options.target = ValueTarget::KeyBasedController;
    options.parameter = 7;
    options.drumKey = 7;
    options.constant = 100;
    EXPECT_TRUE(changeValues(song, scopeOf(0, 10), options));
    EXPECT_EQ(*track.event(0).sysex,
              (std::vector<std::uint8_t>{0x7F, 0x7F, 0x0A, 0x01, 0x07, 0x07, 0x0A, 0x20, 0x07, 100, 0xF7}));
    EXPECT_EQ((*track.event(1).sysex)[7], 0x50);

    options.parameter = 0x30; // in no pair
    EXPECT_FALSE(changeValues(song, scopeOf(0, 10), options));
}

} // namespace
} // namespace velisto
