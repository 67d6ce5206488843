#include "app/FrameLayout.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

TEST(FrameLayoutTest, ToolbarAndStripsTakeAnEighteenthEachAndTheTrackAreaTheRest)
{
    FrameGeometry geometry;
    geometry.clientWidth = 1024;
    geometry.clientHeight = 700; // 700 / 18 = 38.9
    geometry.openDevices = 3;
    geometry.statusBarHeight = 20;

    const FrameLayout layout = frameLayout(geometry);
    EXPECT_EQ(layout.toolbar, (LayoutRect{0, 0, 1024, 38}));
    ASSERT_EQ(layout.deviceStrips.size(), 3U);
    EXPECT_EQ(layout.deviceStrips[0], (LayoutRect{0, 38, 1024, 38}));
    EXPECT_EQ(layout.deviceStrips[2], (LayoutRect{0, 114, 1024, 38}));
    EXPECT_EQ(layout.trackArea, (LayoutRect{0, 152, 1024, 700 - 20 - 152}));
    EXPECT_FALSE(layout.bottomEditor);

    geometry.statusBarHeight = 0;
    EXPECT_EQ(frameLayout(geometry).trackArea.height, 700 - 152);
}

TEST(FrameLayoutTest, TheBottomEditorTakesWhatTheTrackAreaLeaves)
{
    FrameGeometry geometry;
    geometry.clientWidth = 800;
    geometry.clientHeight = 540; // toolbar 30
    geometry.openDevices = 1;
    geometry.bottomEditor = true;
    geometry.trackAreaHeight = 300;

    FrameLayout layout = frameLayout(geometry);
    EXPECT_EQ(layout.trackArea, (LayoutRect{0, 60, 800, 300}));
    ASSERT_TRUE(layout.bottomEditor);
    EXPECT_EQ(*layout.bottomEditor, (LayoutRect{0, 360, 800, 180}));

    // A track area taller than the space shrinks to it; the editor is left with nothing.
    geometry.trackAreaHeight = 1000;
    layout = frameLayout(geometry);
    EXPECT_EQ(layout.trackArea.height, 480);
    EXPECT_EQ(layout.bottomEditor->height, 0);
}

TEST(FrameLayoutTest, StripsStopAtTheirLimitAndNothingGetsANegativeHeight)
{
    FrameGeometry geometry;
    geometry.clientWidth = 640;
    geometry.clientHeight = 180; // toolbar 10
    geometry.openDevices = 40;
    geometry.statusBarHeight = 20;

    const FrameLayout layout = frameLayout(geometry);
    EXPECT_EQ(layout.deviceStrips.size(), static_cast<std::size_t>(kMaxDeviceStrips));
    EXPECT_EQ(layout.trackArea.y, 300);
    EXPECT_EQ(layout.trackArea.height, 0);
}

} // namespace
} // namespace velisto
