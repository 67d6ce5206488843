#include "edit/ValueChange.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

// ---- the drawn curve ----

TEST(CurveTest, PositionsInTheDrawingAreaMapToPointsAndLevels)
{
    // 400 x 100 pixels: the edges are the first and last point, the top is the top level.
    EXPECT_EQ(curvePointAt(0, 400), 0);
    EXPECT_EQ(curvePointAt(399, 400), kCurvePoints - 1);
    EXPECT_EQ(curvePointAt(200, 400), 100);
    EXPECT_EQ(curvePointAt(-30, 400), 0);
    EXPECT_EQ(curvePointAt(5000, 400), kCurvePoints - 1);
    EXPECT_EQ(curveLevelAt(0, 100), kCurveTop);
    EXPECT_EQ(curveLevelAt(99, 100), 0);
    EXPECT_EQ(curveLevelAt(50, 100), 49);
    EXPECT_EQ(curveLevelAt(-10, 100), kCurveTop);
    EXPECT_EQ(curveLevelAt(300, 100), 0);
    // A degenerate area never divides by zero.
    EXPECT_EQ(curvePointAt(3, 1), 0);
    EXPECT_EQ(curveLevelAt(0, 0), 0);
}

TEST(CurveTest, AFastDragLeavesNoGap)
{
    CurveLevels curve{};
    // The mouse jumps from point 10 at the bottom to point 50 at the top in one move, then
    // back to the left: every point passed over lies on the straight lines.
    drawCurveLine(curve, 10, 0, 50, kCurveTop);
    for (int p = 10; p <= 50; ++p) {
        EXPECT_NEAR(curve[static_cast<std::size_t>(p)], (p - 10) * kCurveTop / 40.0, 0.5) << p;
        if (p > 10) {
            EXPECT_GE(curve[static_cast<std::size_t>(p)], curve[static_cast<std::size_t>(p - 1)]);
        }
    }
    EXPECT_EQ(curve[10], 0);
    EXPECT_EQ(curve[50], kCurveTop);
    EXPECT_EQ(curve[51], 0) << "nothing beyond the drag";

    drawCurveLine(curve, 60, 20, 55, 30);
    EXPECT_EQ(curve[55], 30);
    EXPECT_EQ(curve[58], 24);
    EXPECT_EQ(curve[60], 20);
    drawCurveLine(curve, 70, 200, 70, -5);
    EXPECT_EQ(curve[70], 0) << "levels stay in range, and a click sets the level under the mouse";
    drawCurveLine(curve, 70, 0, 70, 200);
    EXPECT_EQ(curve[70], kCurveTop);
}

TEST(CurveTest, HorizontalAndQuickDefaultsSetTheWholeCurve)
{
    CurveLevels curve = curvePreset(CurvePreset::Rising);
    setCurveHorizontal(curve, 70);
    EXPECT_TRUE(std::all_of(curve.begin(), curve.end(), [](int level) { return level == 70; }));

    const CurveLevels rising = curvePreset(CurvePreset::Rising);
    const CurveLevels falling = curvePreset(CurvePreset::Falling);
    EXPECT_EQ(rising.front(), 0);
    EXPECT_EQ(rising.back(), kCurveTop);
    EXPECT_TRUE(std::is_sorted(rising.begin(), rising.end()));
    EXPECT_TRUE(std::equal(rising.begin(), rising.end(), falling.rbegin()));

    const CurveLevels peak = curvePreset(CurvePreset::Peak);
    const CurveLevels valley = curvePreset(CurvePreset::Valley);
    EXPECT_EQ(peak.front(), 0);
    EXPECT_EQ(peak[kCurvePoints / 2], kCurveTop);
    EXPECT_EQ(peak.back(), 0);
    EXPECT_EQ(valley[kCurvePoints / 2], 0);
    EXPECT_EQ(valley.back(), kCurveTop);

    // The middle preset sets the absolute scale's middle.
    ValueChangeOptions options;
    options.useCurve = true;
    options.curve = curvePreset(CurvePreset::Middle);
    EXPECT_EQ(changedValue(options, SelectionTicks{0, 1000}, 500, 0), 64);
}

TEST(CurveTest, PreviewStepsOnePointAtATime)
{
    const SelectionTicks ticks{1920, 1920 + 199 * 24};
    EXPECT_EQ(curvePreviewStep(ticks), 24);
    EXPECT_EQ(curvePointOfTick(ticks, 1920), 0);
    EXPECT_EQ(curvePointOfTick(ticks, 1920 + 24), 1);
    EXPECT_EQ(curvePointOfTick(ticks, 1920 + 100 * 24), 100);
    EXPECT_EQ(curvePointOfTick(ticks, ticks.end), kCurvePoints - 1);
    EXPECT_EQ(curvePointOfTick(ticks, 0), 0);
    EXPECT_EQ(curvePointOfTick(ticks, ticks.end + 5000), kCurvePoints - 1);
    // A selection shorter than the curve still steps.
    EXPECT_EQ(curvePreviewStep(SelectionTicks{0, 50}), 1);
}

TEST(CurveTest, LevelsTextRoundTripsAndRefusesAnythingElse)
{
    const CurveLevels peak = curvePreset(CurvePreset::Peak);
    const std::string text = curveLevelsText(peak);
    EXPECT_EQ(text.substr(0, 6), "0\\1\\2\\");
    EXPECT_EQ(curveLevelsFromText(text), peak);
    EXPECT_FALSE(curveLevelsFromText(""));
    EXPECT_FALSE(curveLevelsFromText(text.substr(0, text.size() - 3))) << "a level short";
    EXPECT_FALSE(curveLevelsFromText(text + "5\\")) << "a level too many";
    EXPECT_FALSE(curveLevelsFromText("100\\" + text.substr(text.find('\\') + 1))) << "above the top";
    EXPECT_FALSE(curveLevelsFromText(text.substr(0, text.size() - 1))) << "unterminated";
}

} // namespace
} // namespace velisto
