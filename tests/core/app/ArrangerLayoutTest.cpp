#include "app/ArrangerLayout.h"

#include "app/Settings.h"
#include "core/app/ArrangerTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

TEST(ArrangerLayoutTest, AFirstRunComputesRowsBandsAndWholeBlocks)
{
    DisplaySettings display;
    computeArrangerLayout(metrics1024(), display);
    // Height 700 - 20 - 38 - 38 - 16 = 588; row height 588 / 19.75 = 29.
    EXPECT_EQ(display.numberoftracksinaview, 18);
    EXPECT_EQ(display.midiblockheight, 29);
    EXPECT_EQ(display.rulerheight, 7);
    EXPECT_EQ(display.tempometerkeyrowheight, 14);
    EXPECT_EQ(display.miditop, 21);
    EXPECT_EQ(display.metertop, 29 * 18 + 21);
    EXPECT_EQ(display.keytop, 29 * 18 + 21 + 14);
    // Net 23.2 -> 23, frame 2, bands (23 - 4) / 3 -> 6, net again 3 * 6 + 4.
    EXPECT_EQ(display.midiblockframestrength, 2);
    EXPECT_EQ(display.midiblockinnerthirdheight, 6);
    EXPECT_EQ(display.midiblocknettoheight, 22);
    // Grid 1024 - 16 - 29 * 18 - 4 = 482: blocks of 482 / 64 = 7, 68 of them in view.
    EXPECT_EQ(display.midiblockwidth, 7);
    EXPECT_EQ(display.numberofmidiblocksinaview, 68);
    EXPECT_EQ(display.arrangerwindowleftedge, 29 * 18);
    EXPECT_TRUE(plausibleArrangerLayout(display, metrics1024()));

    ArrangerMetrics withEditor = metrics1024();
    withEditor.bottomEditor = true;
    computeArrangerLayout(withEditor, display);
    EXPECT_EQ(display.midiblockheight, 19); // 588 / 1.53 = 384.3 -> 384; 384 / 19.75 = 19.4
}

TEST(ArrangerLayoutTest, AStoredLayoutIsKeptOnlyForTheSameScreenAndDevicesAndWhenPlausible)
{
    const ArrangerMetrics metrics = metrics1024();
    DisplaySettings stored;
    computeArrangerLayout(metrics, stored);
    stored.midiblockwidth = 9; // the user's own, different from what would be computed
    stored.numberofmidiblocksinaview = 50;
    stored.sm_cxscreen = 1024;
    stored.sm_cyscreen = 768;
    stored.lastnumberofdevices = 1;

    DisplaySettings display = stored;
    EXPECT_TRUE(restoreArrangerLayout(display, metrics, 1024, 768, 1));
    EXPECT_EQ(display, stored);

    display = stored;
    EXPECT_FALSE(restoreArrangerLayout(display, metrics, 1280, 768, 1));
    EXPECT_EQ(display.midiblockwidth, 7);
    EXPECT_EQ(display.sm_cxscreen, 0);
    EXPECT_EQ(display.sm_cyscreen, 0);

    display = stored;
    EXPECT_FALSE(restoreArrangerLayout(display, metrics, 1024, 768, 2));

    display = stored;
    display.numberofmidiblocksinaview = 19;
    EXPECT_FALSE(restoreArrangerLayout(display, metrics, 1024, 768, 1));
    EXPECT_EQ(display.numberofmidiblocksinaview, 68);

    display = stored;
    display.numberoftracksinaview = 257; // more rows than tracks
    EXPECT_FALSE(restoreArrangerLayout(display, metrics, 1024, 768, 1));
    EXPECT_EQ(display.numberoftracksinaview, 18);

    display = stored;
    display.arrangerwindowbottomedge = 70; // above the strips' bottom (76)
    EXPECT_FALSE(restoreArrangerLayout(display, metrics, 1024, 768, 1));
}

TEST(ArrangerLayoutTest, ATinyWindowStillGetsWholeBlocks)
{
    ArrangerMetrics metrics;
    metrics.clientWidth = 100;
    metrics.clientHeight = 100;
    DisplaySettings display;
    computeArrangerLayout(metrics, display);
    // Row height 5, controls 90 wide: 8 pixels of grid for 64 measures.
    EXPECT_EQ(display.midiblockwidth, 1);
    EXPECT_EQ(display.numberofmidiblocksinaview, 8);
    EXPECT_FALSE(plausibleArrangerLayout(display, metrics));

    metrics.clientWidth = 90;
    computeArrangerLayout(metrics, display);
    EXPECT_EQ(display.midiblockwidth, 1);
    EXPECT_EQ(display.numberofmidiblocksinaview, 1);
}

} // namespace
} // namespace velisto
